// ditto -x -k <archive.zip> <folder>: unpacks a zip archive into a new folder, refusing anything
// that would land outside it (absolute paths, "..", links leading out), devices and archives that
// unpack to more than an application folder could be. The updater runs it to unpack a new build.
// Exit status (betakit::UnzipStatus): 0 unpacked; 1 wrong arguments; 2 refused or failed; 3 no room
// on the disk. On 2 and 3 the folder is gone, or was never made.
#include "betakit/update/SafeUnzip.h"

#include "platform/FileAccess.h"

#include <QString>

#include <clocale>
#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    // A write past the file-size limit fails as on a full disk instead of ending the process.
    platform::failWritesPastTheFileSizeLimit();
    // Entry names are UTF-8 whatever the caller's locale.
    std::setlocale(LC_ALL, "C.UTF-8");
    if (argc != 5 || std::strcmp(argv[1], "-x") != 0 || std::strcmp(argv[2], "-k") != 0) {
        std::fprintf(stderr, "usage: ditto -x -k <archive.zip> <folder>\n");
        return betakit::kUnzipUsage;
    }
    bool outOfSpace = false;
    const QString problem =
        betakit::unzipInto(QString::fromLocal8Bit(argv[3]), QString::fromLocal8Bit(argv[4]), {}, &outOfSpace);
    if (!problem.isEmpty()) {
        std::fprintf(stderr, "ditto: %s\n", problem.toLocal8Bit().constData());
        return outOfSpace ? betakit::kUnzipOutOfSpace : betakit::kUnzipFailed;
    }
    return betakit::kUnzipped;
}
