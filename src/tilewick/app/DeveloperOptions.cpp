#include "DeveloperOptions.h"

#include "RenderTools.h"

#include "tilewick/manual/ManualLinkCheck.h"
#include "tilewick/visuals/IconSheets.h"

#include <array>
#include <cstdio>

namespace tilewick {

std::span<const DeveloperOption> developerOptions() {
    // Tools without a function arrive with the tab pages and the self-tests.
    static const std::array<DeveloperOption, 10> table = {{
        {"--render-icon", [](ToolSession&, const QString& path) { renderIcon(path); }},
        {"--render-icon-check", [](ToolSession&, const QString& path) { renderIconCheck(path); }},
        {"--render-quarter-concept", [](ToolSession&, const QString& path) { renderQuarterConcept(path); }},
        {"--render-window", renderWindow},
        {"--render-overlay", renderOverlay},
        {"--render-tabs", {}},
        {"--render-about", renderAbout},
        {"--test-picker", {}},
        {"--test-update-timer", {}},
        {"--check-manual", [](ToolSession&, const QString& path) { Manual::writeManualCheckReport(path); }},
    }};
    return table;
}

std::optional<DeveloperToolCall> findDeveloperOption(const QStringList& arguments) {
    const auto options = developerOptions();
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        for (const DeveloperOption& option : options) {
            if (arguments[i] != QLatin1String(option.option))
                continue;
            // The first option decides; as the last argument it is ignored.
            if (i + 1 == arguments.size())
                return std::nullopt;
            return DeveloperToolCall{&option, arguments[i + 1]};
        }
    }
    return std::nullopt;
}

void runDeveloperTool(const DeveloperToolCall& call, ToolSession& session) {
    if (call.option->tool)
        call.option->tool(session, call.argument);
    else
        std::fprintf(stderr, "Tilewick: %s is not built yet\n", call.option->option);
}

} // namespace tilewick
