// Prints the summary the beta kit makes of one crash report: crash_report_summary <report.ips>.
// Exits 1 when the reader takes no entry from it.

#include "betakit/CrashReader.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: crash_report_summary <report.ips>\n", stderr);
        return 2;
    }
    QCoreApplication app(argc, argv);
    const auto entry = betakit::CrashReader::crashEntry(QString::fromLocal8Bit(argv[1]));
    if (!entry) {
        std::fprintf(stderr, "crash_report_summary: no entry in %s\n", argv[1]);
        return 1;
    }
    std::printf("%s\n%s\n", qPrintable(entry->name), qPrintable(entry->text));
    return 0;
}
