#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace betakit {

// Starting the updater's helpers and scripts: the executable at a path (no search on PATH), with
// the given arguments, standard input from /dev/null and no descriptor of ours but the ones named.
// Any thread.
class ChildProcess {
public:
    ChildProcess() = delete;

    struct Finished {
        // The exit status, or the number of the signal that ended it.
        int status = 0;
        // Standard output and standard error together, as UTF-8 with invalid bytes replaced.
        QString output;
    };
    // Runs the program to its end, reading its output through one pipe before waiting for it.
    // None, with `launchError` set, when it could not be started.
    static std::optional<Finished> run(const QString& path, const QStringList& arguments,
                                       QString* launchError);

    // Starts the program in a session of its own, with its output going nowhere, and returns at
    // once; `environment` holds "NAME=value" entries added to (or replacing) ours, and the
    // descriptor `inherited`, when given, becomes its descriptor 3. Empty, or why it could not be
    // started.
    static QString startDetached(const QString& path, const QStringList& arguments,
                                 const QStringList& environment = {}, int inherited = -1);
};

} // namespace betakit
