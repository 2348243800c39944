// The two ways to look for a new beta: quietly while the program is in use, and on request.
#include "UpdateChecks.h"

#include "FeedFetch.h"
#include "UpdateWindow.h"

#include "betakit/FeedbackWindowController.h"
#include "betakit/VeldorBeta.h"

#include "platform/Platform.h"

#include <limits>

namespace betakit {

namespace {

// What the quiet checks share for this run; main thread only, never stored.
struct QuietState {
    bool inFlight = false;
    // Uptime of the last quiet check that passed its gates; the distant past at first.
    double lastCheck = -std::numeric_limits<double>::infinity();
    std::shared_ptr<UpdateTask> task;
};

QuietState& quietState() {
    static QuietState state;
    return state;
}

bool kitWindowOpen() {
    return UpdateWindowController::openUpdateWindow() || FeedbackWindowController::open();
}

} // namespace

void quietUpdateCheck(const BetaConfiguration& config) {
    const std::optional<qint64> installed = installedVersion(config).build;
    if (!installed)
        return;
    QuietState& state = quietState();
    if (state.inFlight || kitWindowOpen())
        return;
    const double now = config.platform()->clock().uptime();
    if (now - state.lastCheck < kQuietCheckSpacing)
        return;
    state.inFlight = true;
    state.lastCheck = now;
    state.task = fetchFeed(config, [config, installed = *installed](UpdateResult<UpdateFeed> result) {
        QuietState& state = quietState();
        state.inFlight = false;
        state.task.reset();
        // Failures stay silent; a window opened meanwhile has the user's attention.
        if (!result.ok() || kitWindowOpen())
            return;
        const UpdateFeed& feed = result.value();
        const qint64 base = std::max(declinedBuild(), installed);
        if (!feed.isNewer(base) || !feed.runsOnThisMac())
            return;
        BetaLog::event("beta.update_offered", {{"build", feedBuildNumber(feed.latest.build)}});
        showUpdateWindow(config, UpdateModel::Stage::available(feed));
    });
}

bool quietUpdateCheckInFlight() {
    return quietState().inFlight;
}

void releaseUpdaterForQuit() {
    if (quietState().task)
        quietState().task->cancel();
    quietState().task.reset();
    UpdateWindowController::releaseAll();
}

void resetUpdateChecksForTesting() {
    if (quietState().task)
        quietState().task->cancel();
    quietState() = {};
    UpdateWindowController::resetForTesting();
}

void updateCheckOnRequest(const BetaConfiguration& config) {
    UpdateModel& model = showUpdateWindow(config, UpdateModel::Stage::checking());
    // A download or an installation in the window runs on: a new check would let go of it, and
    // it could then install and quit with no window showing it.
    const auto kind = model.stage().kind();
    if (kind == UpdateModel::Stage::Case::Downloading || kind == UpdateModel::Stage::Case::Installing)
        return;
    model.runCheck();
}

} // namespace betakit
