#include "BundleSwap.h"

#include "ChildProcess.h"
#include "StageUpdate.h"
#include "UpdateLeftovers.h"

#include "platform/FileAccess.h"
#include "platform/Platform.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUuid>

#include <sys/stat.h>

namespace betakit {

const QString kSwapScript = QStringLiteral(
    "pid=\"$1\"; target=\"$2\"; staged=\"$3\"; staging=\"$4\"\n"
    "i=0; while kill -0 \"$pid\" 2>/dev/null && [ $i -lt 600 ]; do sleep 0.1; i=$((i+1)); done\n"
    "if mv \"$target\" \"$staging/previous.app\"; then\n"
    "  if mv \"$staged\" \"$target\"; then rm -rf \"$staging\"; else mv \"$staging/previous.app\" "
    "\"$target\"; fi\n"
    "fi\n"
    "[ \"$5\" = reopen ] && open \"$target\"");

namespace {

// Text between single quotes for /bin/sh.
QString shellQuoted(const QString& text) {
    return u'\'' + QString(text).replace(u'\'', QStringLiteral("'\\''")) + u'\'';
}

// `open <folder>` for the script, its last step: starts the folder's program the way this one lies
// in its own folder (Contents/bin/Tilewick), in a session of its own, and returns at once. A swap
// whose `mv` was killed between its two renames left no folder there: the staged build, checked
// and whole, goes in first. The script and the helpers, needed no more, go; the program does not
// get the script's hold on the update lock (descriptor 3).
QByteArray openHelper(const platform::Bundle& bundle, const QString& script, const QString& helpers) {
    const QString program = QDir(bundle.bundlePath()).relativeFilePath(bundle.executablePath());
    return "#!/bin/sh\n"
           "# Starts the program of the application folder given and returns.\n"
           "[ -e \"$1\" ] || mv \"$BETAKIT_STAGED\" \"$1\"\n"
           "rm -rf " +
           shellQuoted(script).toUtf8() + " " + shellQuoted(helpers).toUtf8() +
           "\n"
           "exec setsid -f \"$1\"/" +
           shellQuoted(program).toUtf8() + " </dev/null >/dev/null 2>&1 3>&-\n";
}

bool isRealFolder(const QString& path) {
    struct stat info;
    return lstat(QFile::encodeName(path).constData(), &info) == 0 && S_ISDIR(info.st_mode);
}

} // namespace

std::optional<QString> stagingRoot(const QString& staged, const QString& target) {
    const QString targetPath = QDir::cleanPath(QFileInfo(target).absoluteFilePath());
    const QString targetParent = QFileInfo(targetPath).path();
    QString folder = QFileInfo(QDir::cleanPath(QFileInfo(staged).absoluteFilePath())).path();
    while (QFileInfo(folder).path() != targetParent) {
        if (folder == u"/")
            return std::nullopt;
        folder = QFileInfo(folder).path();
    }
    // The script deletes this folder: it must be a folder of its own, not the target or around it.
    const QString canonicalRoot = QFileInfo(folder).canonicalFilePath();
    const QString canonicalTarget = QFileInfo(targetPath).canonicalFilePath();
    if (folder == targetPath || !isRealFolder(folder) || canonicalRoot.isEmpty() ||
        canonicalRoot == canonicalTarget || canonicalTarget.startsWith(canonicalRoot + u'/'))
        return std::nullopt;
    return folder;
}

std::optional<UpdateError> launchSwapScript(const platform::Platform& platform, const QString& staged,
                                            const QString& target, qint64 pid, bool reopen) {
    const auto root = stagingRoot(staged, target);
    if (!root)
        return UpdateError::beta(QStringLiteral(
            "The new build isn’t in a staging folder beside the app, so it wasn’t installed."));
    // The script holds its own share of the update lock until it ends: nothing it works with is
    // taken for a leftover.
    const QString folder = platform.paths().temporary();
    const auto lock = UpdateLock::hold(folder);
    QDir().mkpath(folder);
    const QString name =
        QStringLiteral("beta-update-") + QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    const QString script = folder + u'/' + name + QStringLiteral(".sh");
    if (const QString problem = platform::writeFileAtomically(script, kSwapScript.toUtf8());
        !problem.isEmpty())
        return UpdateError::platform(problem);
    const QString helpers = folder + u'/' + name + QStringLiteral(".bin");
    const QString open = helpers + QStringLiteral("/open");
    // Copied out of the application folder, which moves while the script runs.
    const QString mv = helpers + QStringLiteral("/mv");
    if (!QDir().mkpath(helpers))
        return UpdateError::platform(QStringLiteral("%1 can’t be made").arg(helpers));
    if (const QString problem =
            platform::writeFileAtomically(open, openHelper(platform.bundle(), script, helpers));
        !problem.isEmpty())
        return UpdateError::platform(problem);
    if (QFile source(updateToolPath(QStringLiteral("mv"))); !source.copy(mv))
        return UpdateError::platform(source.errorString());
    for (const QString& helper : {open, mv})
        if (chmod(QFile::encodeName(helper).constData(), 0755) != 0)
            return UpdateError::platform(QStringLiteral("%1 can’t be made executable").arg(helper));

    const QString path = helpers + u':' + qEnvironmentVariable("PATH", QStringLiteral("/usr/bin:/bin"));
    const QString launchError = ChildProcess::startDetached(
        QStringLiteral("/bin/sh"),
        {script, QString::number(pid), target, staged, *root,
         reopen ? QStringLiteral("reopen") : QStringLiteral("stay")},
        {QStringLiteral("PATH=") + path, QStringLiteral("BETAKIT_TARGET=") + target,
         QStringLiteral("BETAKIT_STAGED=") + staged},
        lock ? lock->descriptor() : -1);
    if (!launchError.isEmpty())
        return UpdateError::platform(launchError);
    return std::nullopt;
}

} // namespace betakit
