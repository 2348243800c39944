#pragma once

#include "UpdateError.h"

#include <QString>

#include <optional>

namespace platform {
class Platform;
}

namespace betakit {

// The script that replaces the application folder once the program has gone. Run by /bin/sh with
// pid, target, staged, staging and "reopen" or "stay": it waits up to about 60 s for the process to
// end, moves the old folder aside into the staging folder, moves the staged one into its place and
// deletes the staging folder, or moves the old one back when that fails, then opens the folder now
// at target when asked to.
extern const QString kSwapScript;

// The folder beside `target` that holds `staged` (the hidden staging folder the verification made),
// found by walking up from `staged`. None when there is none, or when it is no real folder or is
// (or holds) `target` itself: the script deletes this folder, so it must never be given another.
std::optional<QString> stagingRoot(const QString& staged, const QString& target);

// Writes the script to "beta-update-<UUID>.sh" in the temporary folder and starts it detached, in a
// session of its own, so it outlives the program. Its PATH begins with a folder of helpers,
// "beta-update-<UUID>.bin": our `mv`, which replaces the application folder in one step where the
// file system can (tools/mv.cpp), and our `open`, which starts the program of the folder it is
// given, first putting the staged build in when a stopped swap left no folder there, and removes
// the script and the helpers. The script holds a share of the update lock while it runs. Refused
// before anything is written when there is no staging root. Returns the error, or none once the
// script runs. The script goes to the temporary folder of `platform`, and reopens the program the
// way its bundle lies in its folder.
std::optional<UpdateError> launchSwapScript(const platform::Platform& platform, const QString& staged,
                                            const QString& target, qint64 pid, bool reopen);

} // namespace betakit
