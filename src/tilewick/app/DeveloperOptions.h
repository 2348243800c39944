#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <span>

namespace tilewick {

class ToolSession;

// One developer command-line option: its text and the tool it runs with the next argument.
struct DeveloperOption {
    const char* option;
    std::function<void(ToolSession& session, const QString& argument)> tool;
};

// The ten developer options, in their fixed order.
std::span<const DeveloperOption> developerOptions();

// The option to run and its argument.
struct DeveloperToolCall {
    const DeveloperOption* option = nullptr;
    QString argument;
};

// Scans `arguments` (the program path at index 0) from the first on: the first argument that is
// exactly one of the options decides. None when no argument is an option, or when that first
// option is the last argument (start-up then goes on).
std::optional<DeveloperToolCall> findDeveloperOption(const QStringList& arguments);

// Runs the tool of `call` in `session`; the caller then exits 0.
void runDeveloperTool(const DeveloperToolCall& call, ToolSession& session);

} // namespace tilewick
