#pragma once

#include <QString>

namespace betakit {

// Writes a crash report when the program dies of a fatal signal (SIGSEGV, SIGBUS, SIGILL, SIGFPE,
// SIGABRT): "<processName>-YYYY-MM-DD-HHMMSS.ips" in the diagnostic-reports folder, a JSON header
// line and a JSON body that CrashReader understands. Then the signal is raised again, so the
// process still ends as a crash.
//
// The handler runs in a broken process: it allocates nothing and calls only async-signal-safe
// functions. Everything that needs memory or locks (folder, names, system, the loaded libraries)
// is prepared by install(); the handler only adds the signal, the time and the frame addresses.
class CrashReportWriter {
public:
    CrashReportWriter() = delete;

    struct Identity {
        QString processName;
        QString version;
        QString build;
    };

    // Prepares the report's fixed text and installs the handler. Call on the main thread after the
    // libraries the program uses are loaded; a second call prepares again.
    static void install(const QString& folder, const Identity& identity);
    // Writes a report for `signal` as the handler would, without dying; false when it could not.
    static bool writeReportForTesting(int signal);
};

} // namespace betakit
