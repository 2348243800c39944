#pragma once

#include "platform/SystemFacts.h"

namespace platform {

// Facts about a Linux machine: the release's PRETTY_NAME, NAME and VERSION_ID from os-release, the kernel's
// version and machine from uname, and the model the firmware gives (DMI product name, else the device tree's
// model). Files are read under `root` (tests point it at a folder of their own).
class LinuxSystemFacts final : public SystemFacts {
public:
    explicit LinuxSystemFacts(QString root = QStringLiteral("/"));

    QString versionText() const override;
    QString systemName() const override;
    QString systemVersion() const override;
    std::array<int, 3> versionNumbers() const override;
    QString machine() const override;
    bool processTranslated() const override;
    std::optional<QByteArray> hardwareModel() const override;

    // The leading "major.minor.patch" of a kernel release ("6.1.0-18-amd64"); zeros where missing.
    static std::array<int, 3> releaseNumbers(const QString& release);
    // The processor family of a machine name, so "i686" and "x86_64" or "armv7l" and "aarch64" tell
    // apart only as far as translation goes: "x86", "arm", "ppc", "riscv", "s390", "mips", or the
    // name itself.
    static QString family(const QString& machine);
    // The processor this program was built for, as a machine name.
    static QString builtFor();

private:
    // A value of os-release; empty when the file or the value is missing.
    QString osReleaseValue(const char* key) const;

    QString m_root;
};

} // namespace platform
