#include "LinuxSystemFacts.h"

#include "LinuxIdentity.h"

#include "platform/FileAccess.h"

#include <QRegularExpression>

#include <sys/utsname.h>

namespace platform {

namespace {

std::optional<utsname> kernel() {
    utsname name{};
    if (uname(&name) != 0)
        return std::nullopt;
    return name;
}

} // namespace

LinuxSystemFacts::LinuxSystemFacts(QString root) : m_root(std::move(root)) {
    if (!m_root.endsWith(u'/'))
        m_root.append(u'/');
}

QString LinuxSystemFacts::osReleaseValue(const char* key) const {
    // os-release lives in /etc, with the vendor's copy in /usr/lib when /etc has none.
    for (const char* path : {"etc/os-release", "usr/lib/os-release"}) {
        const SmallFileRead file = readSmallFile(m_root + QLatin1String(path), 64 * 1024);
        if (file.result != SmallFileRead::Result::Read)
            continue;
        return LinuxIdentity::environmentFileValue(file.data, key).value_or(QString());
    }
    return QString();
}

QString LinuxSystemFacts::versionText() const {
    return osReleaseValue("PRETTY_NAME");
}

QString LinuxSystemFacts::systemName() const {
    return osReleaseValue("NAME");
}

QString LinuxSystemFacts::systemVersion() const {
    return osReleaseValue("VERSION_ID");
}

std::array<int, 3> LinuxSystemFacts::versionNumbers() const {
    const auto name = kernel();
    return releaseNumbers(name ? QString::fromUtf8(name->release) : QString());
}

QString LinuxSystemFacts::machine() const {
    const auto name = kernel();
    return name ? QString::fromUtf8(name->machine) : QString();
}

bool LinuxSystemFacts::processTranslated() const {
    const QString machine = this->machine();
    const QString built = builtFor();
    return !machine.isEmpty() && !built.isEmpty() && family(machine) != family(built);
}

std::optional<QByteArray> LinuxSystemFacts::hardwareModel() const {
    for (const char* path : {"sys/class/dmi/id/product_name", "sys/firmware/devicetree/base/model"}) {
        const SmallFileRead file = readSmallFile(m_root + QLatin1String(path), 4096);
        if (file.result == SmallFileRead::Result::Read && !file.data.isEmpty()) {
            // The kernel ends DMI values with a line feed and device-tree strings with a NUL.
            QByteArray model = file.data;
            while (model.endsWith('\n'))
                model.chop(1);
            return model;
        }
    }
    return std::nullopt;
}

std::array<int, 3> LinuxSystemFacts::releaseNumbers(const QString& release) {
    static const QRegularExpression leading(QStringLiteral(R"(\A(\d{1,9})(?:\.(\d{1,9}))?(?:\.(\d{1,9}))?)"));
    std::array<int, 3> numbers{0, 0, 0};
    const QRegularExpressionMatch match = leading.match(release);
    for (int i = 0; i < 3 && match.hasMatch(); ++i)
        numbers[std::size_t(i)] = match.captured(i + 1).toInt();
    return numbers;
}

QString LinuxSystemFacts::family(const QString& machine) {
    static const std::pair<QRegularExpression, QString> families[] = {
        {QRegularExpression(QStringLiteral(R"(\A(?:i[3-6]86|x86_64|amd64)\z)")), QStringLiteral("x86")},
        {QRegularExpression(QStringLiteral(R"(\A(?:arm.*|aarch64.*)\z)")), QStringLiteral("arm")},
        {QRegularExpression(QStringLiteral(R"(\Appc.*\z)")), QStringLiteral("ppc")},
        {QRegularExpression(QStringLiteral(R"(\Ariscv.*\z)")), QStringLiteral("riscv")},
        {QRegularExpression(QStringLiteral(R"(\As390.*\z)")), QStringLiteral("s390")},
        {QRegularExpression(QStringLiteral(R"(\Amips.*\z)")), QStringLiteral("mips")},
    };
    for (const auto& [pattern, name] : families)
        if (pattern.match(machine).hasMatch())
            return name;
    return machine;
}

QString LinuxSystemFacts::builtFor() {
#if defined(__x86_64__)
    return QStringLiteral("x86_64");
#elif defined(__i386__)
    return QStringLiteral("i686");
#elif defined(__aarch64__)
    return QStringLiteral("aarch64");
#elif defined(__arm__)
    return QStringLiteral("armv7l");
#elif defined(__powerpc64__)
    return QStringLiteral("ppc64le");
#elif defined(__riscv)
    return QStringLiteral("riscv64");
#elif defined(__s390x__)
    return QStringLiteral("s390x");
#elif defined(__mips__)
    return QStringLiteral("mips");
#else
    return QString();
#endif
}

} // namespace platform
