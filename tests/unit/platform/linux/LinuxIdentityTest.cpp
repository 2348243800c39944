#include "platform/linux/LinuxIdentity.h"
#include "platform/linux/LinuxSystemFacts.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sys/stat.h>

namespace {

using platform::LinuxIdentity;
using platform::LinuxSystemFacts;

// A machine's files under a folder of the test's own.
class MachineFolder {
public:
    QString root() const { return m_dir.path(); }
    void write(const QString& relative, const QByteArray& content) {
        const QString path = m_dir.filePath(relative);
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    void makeFifo(const QString& relative) {
        const QString path = m_dir.filePath(relative);
        QDir().mkpath(QFileInfo(path).absolutePath());
        ASSERT_EQ(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    }

private:
    QTemporaryDir m_dir;
};

TEST(LinuxIdentityTest, EnvironmentFileValues) {
    struct Case {
        const char* file;
        std::optional<QString> value;
    };
    const Case cases[] = {
        {"PRETTY_HOSTNAME=Desk\n", QStringLiteral("Desk")},
        {"# PRETTY_HOSTNAME=Old\nCHASSIS=laptop\nPRETTY_HOSTNAME=\"Jane's \\\"Desk\\\"\"\n",
         QStringLiteral("Jane's \"Desk\"")},
        {"PRETTY_HOSTNAME='Zoë''s \\ PC'", QStringLiteral("Zoës \\ PC")},
        {"PRETTY_HOSTNAME=a\nPRETTY_HOSTNAME=b\n", QStringLiteral("b")},
        {"  PRETTY_HOSTNAME=Indented  \n", QStringLiteral("Indented")},
        {"PRETTY_HOSTNAME_OLD=x\nPRETTY_HOSTNAME\n", std::nullopt},
        {"PRETTY_HOSTNAME=\n", QString()},
        {"", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        EXPECT_EQ(LinuxIdentity::environmentFileValue(QByteArray(c.file), "PRETTY_HOSTNAME"), c.value);
    }
}

TEST(LinuxIdentityTest, FullNameAndHostLabel) {
    EXPECT_EQ(LinuxIdentity::fullNameOfGecos("Jane Doe,Room 4,555-1234,"), QStringLiteral("Jane Doe"));
    EXPECT_EQ(LinuxIdentity::fullNameOfGecos("Zoë Ærø"), QStringLiteral("Zoë Ærø"));
    EXPECT_EQ(LinuxIdentity::fullNameOfGecos(",,,"), QString());
    EXPECT_EQ(LinuxIdentity::firstLabel(QStringLiteral("desk.example.org")), QStringLiteral("desk"));
    EXPECT_EQ(LinuxIdentity::firstLabel(QStringLiteral("desk")), QStringLiteral("desk"));
    EXPECT_EQ(LinuxIdentity::firstLabel(QStringLiteral(".example.org")), std::nullopt);
    EXPECT_EQ(LinuxIdentity::firstLabel(QString()), std::nullopt);
}

TEST(LinuxIdentityTest, MachineNameAndIdentifiersFromTheirFiles) {
    MachineFolder machine;
    machine.write("etc/machine-info", "PRETTY_HOSTNAME=\"Jane's Desk\"\nICON_NAME=computer\n");
    machine.write("etc/machine-id", "6f1c2a9e0b7d4c3a8e5f1029384756ab\n");
    machine.write("sys/class/dmi/id/product_uuid", "4c4c4544-0042-3510-8052-b4c04f4b4e31\n");
    machine.write("sys/class/dmi/id/product_serial", "\n");
    const LinuxIdentity identity(machine.root());
    EXPECT_EQ(identity.computerName(), QStringLiteral("Jane's Desk"));
    EXPECT_EQ(identity.hardwareIDs(),
              QStringList({"6f1c2a9e0b7d4c3a8e5f1029384756ab", "4c4c4544-0042-3510-8052-b4c04f4b4e31"}));
}

TEST(LinuxIdentityTest, MissingOrOddFilesGiveNoValue) {
    MachineFolder machine;
    machine.write("etc/machine-info", "PRETTY_HOSTNAME=\"  \"\n");
    // Neither a FIFO nor a folder is read: nothing blocks or fails.
    machine.makeFifo("etc/machine-id");
    QDir(machine.root()).mkpath("sys/class/dmi/id/product_uuid");
    const LinuxIdentity identity(machine.root());
    EXPECT_EQ(identity.computerName(), std::nullopt);
    EXPECT_EQ(identity.hardwareIDs(), QStringList());
    EXPECT_EQ(LinuxIdentity(machine.root() + "/nothing").computerName(), std::nullopt);
}

TEST(LinuxSystemFactsTest, ReleaseNameFromOsRelease) {
    MachineFolder machine;
    machine.write("usr/lib/os-release", "PRETTY_NAME=\"Vendor Linux\"\n");
    EXPECT_EQ(LinuxSystemFacts(machine.root()).versionText(), QStringLiteral("Vendor Linux"));
    machine.write("etc/os-release",
                  "NAME=\"Debian GNU/Linux\"\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n");
    EXPECT_EQ(LinuxSystemFacts(machine.root()).versionText(),
              QStringLiteral("Debian GNU/Linux 12 (bookworm)"));
    machine.write("etc/os-release", "NAME=Arch\n");
    EXPECT_EQ(LinuxSystemFacts(machine.root()).versionText(), QString());
}

TEST(LinuxSystemFactsTest, SystemNameAndNumberFromOsRelease) {
    MachineFolder machine;
    EXPECT_EQ(LinuxSystemFacts(machine.root()).systemName(), QString());
    machine.write("usr/lib/os-release", "NAME=Vendor\nVERSION_ID=3\n");
    EXPECT_EQ(LinuxSystemFacts(machine.root()).systemName(), QStringLiteral("Vendor"));
    machine.write("etc/os-release",
                  "NAME=\"Ubuntu\"\nVERSION_ID=\"24.04\"\nPRETTY_NAME=\"Ubuntu 24.04 LTS\"\n");
    EXPECT_EQ(LinuxSystemFacts(machine.root()).systemName(), QStringLiteral("Ubuntu"));
    EXPECT_EQ(LinuxSystemFacts(machine.root()).systemVersion(), QStringLiteral("24.04"));
    machine.write("etc/os-release", "NAME=\"Arch Linux\"\nBUILD_ID=rolling\n");
    EXPECT_EQ(LinuxSystemFacts(machine.root()).systemVersion(), QString());
}

TEST(LinuxSystemFactsTest, ModelFromTheFirmware) {
    MachineFolder machine;
    EXPECT_EQ(LinuxSystemFacts(machine.root()).hardwareModel(), std::nullopt);
    machine.write("sys/firmware/devicetree/base/model", QByteArray("Pi 4\0", 5));
    EXPECT_EQ(LinuxSystemFacts(machine.root()).hardwareModel(), QByteArray("Pi 4\0", 5));
    machine.write("sys/class/dmi/id/product_name", "20XW0026GE\n");
    EXPECT_EQ(LinuxSystemFacts(machine.root()).hardwareModel(), QByteArray("20XW0026GE"));
}

TEST(LinuxSystemFactsTest, KernelNumbersAndProcessorFamilies) {
    using Numbers = std::array<int, 3>;
    EXPECT_EQ(LinuxSystemFacts::releaseNumbers(QStringLiteral("6.1.0-18-amd64")), (Numbers{6, 1, 0}));
    EXPECT_EQ(LinuxSystemFacts::releaseNumbers(QStringLiteral("6.8.9-300.fc40.x86_64")), (Numbers{6, 8, 9}));
    EXPECT_EQ(LinuxSystemFacts::releaseNumbers(QStringLiteral("5.15")), (Numbers{5, 15, 0}));
    EXPECT_EQ(LinuxSystemFacts::releaseNumbers(QStringLiteral("weird")), (Numbers{0, 0, 0}));
    EXPECT_EQ(LinuxSystemFacts::family(QStringLiteral("x86_64")),
              LinuxSystemFacts::family(QStringLiteral("i686")));
    EXPECT_EQ(LinuxSystemFacts::family(QStringLiteral("aarch64")),
              LinuxSystemFacts::family(QStringLiteral("armv7l")));
    EXPECT_NE(LinuxSystemFacts::family(QStringLiteral("aarch64")),
              LinuxSystemFacts::family(QStringLiteral("x86_64")));
    EXPECT_EQ(LinuxSystemFacts::family(QStringLiteral("riscv64")), QStringLiteral("riscv"));
    EXPECT_FALSE(LinuxSystemFacts::builtFor().isEmpty());
}

} // namespace
