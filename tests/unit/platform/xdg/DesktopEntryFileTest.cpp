#include "platform/xdg/DesktopEntryFile.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using platform::execArguments;
using platform::readDesktopEntryGroups;

TEST(DesktopEntryGroups, OnlyUtf8TextWithClosedHeadersIsRead) {
    QTemporaryDir dir;
    const auto read = [&](const QByteArray& data) {
        QFile file(dir.filePath("entry.desktop"));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(data);
        file.close();
        return readDesktopEntryGroups(file.fileName());
    };
    const auto group = [](const char* name, const QString& value) {
        return QHash<QString, QHash<QString, QString>>{{name, {{"Name", value}}}};
    };
    using Groups = QHash<QString, QHash<QString, QString>>;
    EXPECT_EQ(read("[Desktop Entry]\nName=Caf\xc3\xa9\n"), group("Desktop Entry", QString::fromUtf8("Café")));
    EXPECT_EQ(read("[Desktop Entry]\nName=A\n[Desktop Entry]\nName=B\n"), group("Desktop Entry", "A"));
    testing::internal::CaptureStderr();
    EXPECT_EQ(read("[Desktop Entry]\nName=Caf\xe9\n"), Groups{}); // Latin-1
    EXPECT_EQ(read(QByteArray("[Desktop Entry]\nName=A\0B\n", 25)), Groups{});
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("not UTF-8 text"), std::string::npos) << said;
    // An unclosed header ends the group before it and starts none.
    EXPECT_EQ(read("[Desktop Entry]\nName=A\n[Desktop Action x\nName=B\n"), group("Desktop Entry", "A"));
    EXPECT_EQ(read("[Desktop Entry\nName=A\n"), Groups{});
}

TEST(DesktopEntryExec, SplitsQuotesAndDropsFieldCodes) {
    using Args = std::optional<QStringList>;
    const struct {
        const char* value; // as it stands in the file
        Args arguments;
    } cases[] = {
        {"xterm", Args{{"xterm"}}},
        {"  firefox   --new-window  %u ", Args{{"firefox", "--new-window"}}},
        {"code --new-window %F", Args{{"code", "--new-window"}}},
        {"app %i %c %k --x", Args{{"app", "--x"}}},
        {"app --file=%f", Args{{"app", "--file="}}},
        {"app 100%%", Args{{"app", "100%"}}},
        {R"("/opt/My App/run" --title "Two Words")", Args{{"/opt/My App/run", "--title", "Two Words"}}},
        // The string escapes come first: \\ in the file is one backslash for the quoting rules.
        {R"(sh -c "echo \\"hi\\" \\$HOME \\\\")", Args{{"sh", "-c", R"(echo "hi" $HOME \)"}}},
        {R"(app "" end)", Args{{"app", "", "end"}}},
        {R"(app ab"cd ef"gh)", Args{{"app", "abcd efgh"}}},
        {"app\\sone", Args{{"app", "one"}}},
        {R"(app "open)", std::nullopt},
        {"%U", std::nullopt},
        {"", std::nullopt},
        {R"("" --x)", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(execArguments(QString::fromUtf8(c.value)), c.arguments) << c.value;
}
