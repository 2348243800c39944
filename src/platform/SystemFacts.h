#pragma once

#include <QByteArray>
#include <QString>

#include <array>
#include <optional>

namespace platform {

// Facts about the operating system and the machine that a beta report may carry.
class SystemFacts {
public:
    virtual ~SystemFacts() = default;
    // The system's own name for its release ("Fedora Linux 40 (Workstation Edition)"); may be empty.
    virtual QString versionText() const = 0;
    // The system's short name ("Debian GNU/Linux") and its release number ("12", "24.04"); either
    // may be empty (a rolling release has no number).
    virtual QString systemName() const = 0;
    virtual QString systemVersion() const = 0;
    // The kernel's major, minor and patch numbers; zeros where unreadable.
    virtual std::array<int, 3> versionNumbers() const = 0;
    // The machine's processor architecture as the kernel names it ("x86_64", "aarch64").
    virtual QString machine() const = 0;
    // Whether this process runs translated: built for another processor than the machine's.
    virtual bool processTranslated() const = 0;
    // The hardware model as the firmware stores it (raw bytes, possibly NUL-terminated); none when
    // unreadable.
    virtual std::optional<QByteArray> hardwareModel() const = 0;
};

} // namespace platform
