#include "platform/xdg/DesktopEntryFile.h"

#include <gtest/gtest.h>

using platform::execArguments;

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
