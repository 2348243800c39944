#pragma once

#include "UpdateError.h"

#include <QString>

#include <optional>

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
// session of its own, so it outlives the program. Its PATH begins with a folder holding our `open`,
// which starts the program of the folder it is given and returns. Refused before anything is
// written when there is no staging root. Returns the error, or none once the script runs.
std::optional<UpdateError> launchSwapScript(const QString& staged, const QString& target, qint64 pid,
                                            bool reopen);

} // namespace betakit
