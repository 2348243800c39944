#include "DeveloperOptions.h"

#include "RenderTools.h"
#include "SelfTests.h"

#include "tilewick/manual/ManualLinkCheck.h"
#include "tilewick/visuals/IconSheets.h"

#include <array>

namespace tilewick {

std::span<const DeveloperOption> developerOptions() {
    static const std::array<DeveloperOption, 10> table = {{
        {"--render-icon", [](ToolSession&, const QString& path) { renderIcon(path); }},
        {"--render-icon-check", [](ToolSession&, const QString& path) { renderIconCheck(path); }},
        {"--render-quarter-concept", [](ToolSession&, const QString& path) { renderQuarterConcept(path); }},
        {"--render-window", renderWindow},
        {"--render-overlay", renderOverlay},
        {"--render-tabs", renderTabs},
        {"--render-about", renderAbout},
        {"--test-picker", testPicker},
        {"--test-update-timer", testUpdateTimer},
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
    call.option->tool(session, call.argument);
}

} // namespace tilewick
