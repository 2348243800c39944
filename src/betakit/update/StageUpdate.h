#pragma once

#include "UpdateError.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace betakit {

// The sentences of the verification, shown in the update window as they stand.
inline const QString kNotIntactSentence =
    QStringLiteral("The download didn’t arrive intact. Please try again.");
inline const QString kNotThisAppSentence =
    QStringLiteral("The download doesn’t contain this app. Please try again later.");
inline const QString kWrongBuildSentence =
    QStringLiteral("The download isn’t the build it should be. Please try again later.");
inline const QString kSignatureUncheckedSentence =
    QStringLiteral("The new build’s signature couldn’t be checked.");
inline const QString kNotOurDeveloperSentence =
    QStringLiteral("The new build isn’t signed by Veldor Pellrath’s developer, so it wasn’t installed.");
inline const QString kNotNotarisedSentence =
    QStringLiteral("The new build isn’t notarised by its maker, so it wasn’t installed.");
inline const QString kNoRoomToInstallSentence =
    QStringLiteral("There’s not enough disk space to install the new build.");
// "This copy of <app name> can’t be replaced where it is. …"
QString cantReplaceSentence(const QString& appName);

// Proves that a downloaded archive is the announced build, signed by the developer of the
// application it replaces and notarised, and unpacks it into a hidden staging folder beside that
// application: ".<app name>-update-<8 characters>". The checks in order: size, SHA-256, place,
// unpack (`ditto`, which also refuses an archive the disk beside the application has no room for,
// before making anything there), find, build, signature, notarisation (`spctl`); the first that
// fails ends it.
// The archive is removed on every way out; the staging folder is removed on every failure and holds
// the staged application on success. Blocks on files and child processes: never the main thread.
// The place check also refuses a target that is not an application folder (a directory whose name
// ends in ".app" with Contents/Info.plist naming a bundle identifier), so a program run from a
// build folder never has that folder replaced.
UpdateResult<QString> stageUpdate(const QString& zip, qint64 bytes, const QString& sha256,
                                  const QString& build, const QString& target);

// The SHA-256 of a file, read 1 MiB at a time, as 64 lower-case hexadecimal digits.
UpdateResult<QString> sha256Hex(const QString& path);
// Runs a tool to its end: its output (standard output and error together), or "The new build
// couldn’t be checked (<tool> <status>)." for a status other than 0, or why it could not start.
UpdateResult<QString> runTool(const QString& path, const QStringList& arguments);
// What the unpacking's exit status tells: nothing for 0, the disk-space sentence when the disk beside
// the application has no room, otherwise the status sentence of runTool.
std::optional<UpdateError> unpackError(int status);
// The application folder with `identifier` among the staging folder's entries and their entries.
UpdateResult<QString> findApp(const QString& staging, const QString& identifier);
// Whether `app` is validly signed and meets the designated requirement of `installed`.
std::optional<UpdateError> checkSignature(const QString& app, const QString& installed);
// Whether the assessment tool finds `app` notarised.
std::optional<UpdateError> checkNotarization(const QString& app);
// Removes a file, or a folder with everything in it, without following symlinks; errors ignored.
void removeQuietly(const QString& path);
// The updater's helper executables live beside the running program: <bundle>/Contents/bin/<name>.
QString updateToolPath(const QString& name);

} // namespace betakit
