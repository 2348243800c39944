// spctl --assess --type execute -vv <folder>: assesses an application folder for running. A folder
// whose code signature does not hold is rejected (status 3); a validly signed one is accepted, with
// "source=Notarized Developer ID" when a notary this installation trusts has counter-signed it and
// "source=Developer ID" otherwise. The trusted notaries' public keys are read from the application
// folder this tool belongs to: <folder>/Contents/Resources/notary-keys, one in hexadecimal per line.
// Exit status: 0 assessed and accepted; 1 wrong arguments; 3 rejected.
#include "betakit/update/CodeSignature.h"

#include "platform/FileAccess.h"

#include <QByteArray>
#include <QFileInfo>
#include <QList>
#include <QString>

#include <clocale>
#include <cstdio>
#include <cstring>

namespace {

QList<QByteArray> trustedNotaries() {
    const QString self = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    const QString keys = QFileInfo(self).path() + QStringLiteral("/../Resources/notary-keys");
    QList<QByteArray> trusted;
    const auto read = platform::readSmallFile(keys, 64 * 1024);
    for (const QByteArray& line : read.data.split('\n')) {
        const QByteArray key = QByteArray::fromHex(line.trimmed());
        if (key.size() == 32)
            trusted.append(key);
    }
    return trusted;
}

} // namespace

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "C.UTF-8");
    if (argc != 6 || std::strcmp(argv[1], "--assess") != 0 || std::strcmp(argv[2], "--type") != 0 ||
        std::strcmp(argv[3], "execute") != 0 || std::strcmp(argv[4], "-vv") != 0) {
        std::fprintf(stderr, "usage: spctl --assess --type execute -vv <folder>\n");
        return 1;
    }
    const QString app = QString::fromLocal8Bit(argv[5]);
    const QString problem = betakit::CodeSignature::check(app);
    if (!problem.isEmpty()) {
        std::printf("%s: rejected (%s)\nsource=no usable signature\n", argv[5],
                    problem.toLocal8Bit().constData());
        return 3;
    }
    const bool notarized = betakit::CodeSignature::isNotarized(app, trustedNotaries());
    std::printf("%s: accepted\nsource=%s\n", argv[5], notarized ? "Notarized Developer ID" : "Developer ID");
    return 0;
}
