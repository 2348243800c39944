#pragma once

#include "BetaConfiguration.h"
#include "BetaFeedback.h"
#include "ReportSending.h"
#include "WillTerminate.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>

namespace betakit {

// The beta kit's public face: started once at launch, then reached through these statics.
// Main thread only. Before start() every operation does nothing, answers empty text, or answers
// BetaSendError::notStarted().
class VeldorBeta {
public:
    VeldorBeta() = delete;

    // Replacements of the kit's own parts, for tests: a `showFeedbackWindow` given here takes the
    // place of the kit's feedback window, and so on; an empty one leaves the kit's own.
    struct Parts {
        std::function<void(const BetaConfiguration&, const BetaFeedback&)> showFeedbackWindow;
        // Take the place of the kit's own quiet update check (a recorder of the checks' times)
        // and of its check on request.
        std::function<void(const BetaConfiguration&)> checkForUpdateQuietly;
        std::function<void(const BetaConfiguration&)> checkForUpdate;
    };
    static void setParts(Parts parts);

    // Once, at launch: gives the activity log its folder, detects a crash of the last run, logs
    // "beta.launch", and schedules the crash prompt and the first quiet update check. A second
    // call changes nothing. When the application's event loop is about to end, the kit lets go
    // of its windows, their models and every transfer (releaseAtQuit()).
    static void start(const BetaConfiguration& configuration);
    static void releaseAtQuit();
    static bool lastRunCrashed();
    // A copy of the started configuration; none before start().
    static std::optional<BetaConfiguration> configuration();
    // The kit's folder of the started configuration; empty before start().
    static QString supportFolder();

    // Opens the feedback window (or brings the open one forward) on fresh feedback of `kind`.
    static void showFeedback(BetaFeedback::Kind kind, bool afterCrash);
    // "<app> quit unexpectedly last time. Tell us what happened?"
    static void askAboutCrash();
    // The quiet update check: silent unless it finds a newer build that runs here, which it
    // offers in the update window.
    static void checkForUpdateQuietly();
    // The check on request: the update window in its checking stage, then the check's answer.
    // A window that is downloading or installing only comes forward. Nothing before start().
    static void checkForUpdate();
    // The report as it would be sent now (invalid UTF-8 shown as replacement characters).
    static QString reportText(const BetaFeedback& feedback);
    // Builds the report now and uploads it to the configured endpoint; `done` gets the report's
    // identifier or the error, on the main thread.
    static void send(const BetaFeedback& feedback, std::function<void(BetaSendResult)> done);

    // Testing hook: forgets the configuration, the crash flag, the parts, the quit observers and
    // the declined build.
    static void resetForTesting();

    static constexpr double kCrashPromptDelay = 1.5;
    static constexpr double kFirstCheckDelay = 4.0;
    static constexpr double kFirstCheckDelayAfterCrash = 8.0;
};

} // namespace betakit
