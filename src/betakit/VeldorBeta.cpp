#include "VeldorBeta.h"

#include "BetaKit.h"
#include "BetaScrubber.h"
#include "CrashDetection.h"
#include "FeedbackWindowController.h"
#include "HttpTransfer.h"
#include "LogStore.h"
#include "ReportBuilder.h"
#include "update/UpdateChecks.h"
#include "update/UpdateLeftovers.h"
#include "update/UpdateModel.h"

#include "platform/Alerts.h"
#include "platform/Platform.h"

#include <QCoreApplication>
#include <QPointer>

#include <mutex>

namespace betakit {

namespace {

// The kit's shared state, created on first use and kept for the life of the process.
struct State {
    std::mutex mutex;
    std::optional<BetaConfiguration> configuration;
    bool lastRunCrashed = false;
    VeldorBeta::Parts parts;
};

State& state() {
    static State s;
    return s;
}

BetaFeedback freshFeedback(BetaFeedback::Kind kind, bool afterCrash) {
    BetaFeedback feedback;
    feedback.kind = kind;
    feedback.afterCrash = afterCrash;
    return feedback;
}

} // namespace

void VeldorBeta::setParts(Parts parts) {
    std::lock_guard lock(state().mutex);
    state().parts = std::move(parts);
}

std::optional<BetaConfiguration> VeldorBeta::configuration() {
    std::lock_guard lock(state().mutex);
    return state().configuration;
}

bool VeldorBeta::lastRunCrashed() {
    std::lock_guard lock(state().mutex);
    return state().lastRunCrashed;
}

QString VeldorBeta::supportFolder() {
    const auto config = configuration();
    return config ? betakit::supportFolder(config->platform()->paths(), config->appID) : QString();
}

void VeldorBeta::start(const BetaConfiguration& configuration) {
    {
        std::lock_guard lock(state().mutex);
        if (state().configuration)
            return;
        state().configuration = configuration;
    }
    const platform::Platform& platform = *configuration.platform();
    const QString folder = betakit::supportFolder(platform.paths(), configuration.appID);
    LogStore::shared().start(folder);
    const bool crashed = CrashDetection::checkCrashedLastTime(folder, platform.paths().diagnosticReports(),
                                                              configuration.processName());
    {
        std::lock_guard lock(state().mutex);
        state().lastRunCrashed = crashed;
    }
    BetaLog::event("beta.launch", {{"crashed_last_time", crashed}});
    // An update killed half way, or one that ended in a swap, left files behind.
    removeUpdateLeftovers(platform.paths().temporary(), platform.bundle().bundlePath());
    releaseAtQuit();

    auto& runtime = platform.runtime();
    if (crashed && configuration.askAfterCrash)
        runtime.after(kCrashPromptDelay, [] { askAboutCrash(); });
    if (configuration.checksForUpdates)
        runtime.after(crashed ? kFirstCheckDelayAfterCrash : kFirstCheckDelay,
                      [] { checkForUpdateQuietly(); });
}

void VeldorBeta::releaseAtQuit() {
    // Once per application: a test may start the kit again after resetting it.
    static QPointer<QCoreApplication> hooked;
    QCoreApplication* application = QCoreApplication::instance();
    if (!application || hooked == application)
        return;
    hooked = application;
    // Still inside the event loop: nothing of the kit is left for the application's teardown,
    // which deletes pending work while it holds the lock that any posted event needs.
    QObject::connect(application, &QCoreApplication::aboutToQuit, application, [] {
        releaseUpdaterForQuit();
        FeedbackWindowController::closeOpen();
        HttpTransfer::releaseAll();
    });
}

void VeldorBeta::showFeedback(BetaFeedback::Kind kind, bool afterCrash) {
    const auto config = configuration();
    if (!config)
        return;
    std::function<void(const BetaConfiguration&, const BetaFeedback&)> show;
    {
        std::lock_guard lock(state().mutex);
        show = state().parts.showFeedbackWindow;
    }
    if (show)
        show(*config, freshFeedback(kind, afterCrash));
    else
        FeedbackWindowController::show(*config, freshFeedback(kind, afterCrash),
                                       KitViewServices::of(*config->platform()));
}

void VeldorBeta::askAboutCrash() {
    const auto config = configuration();
    if (!config)
        return;
    platform::ModalAlert alert;
    alert.message = config->appName + QStringLiteral(" quit unexpectedly last time. Tell us what happened?");
    alert.informativeText = QStringLiteral("A few words help us fix it. You choose what to send.");
    alert.buttons = {QStringLiteral("Tell Us…"), QStringLiteral("Not Now")};
    auto* alerts = config->platform()->find<platform::Alerts>();
    if (!alerts || alerts->runModal(alert) != platform::kAlertFirstButton)
        return;
    showFeedback(BetaFeedback::Kind::Problem, true);
}

void VeldorBeta::checkForUpdateQuietly() {
    const auto config = configuration();
    if (!config || !config->checksForUpdates)
        return;
    std::function<void(const BetaConfiguration&)> check;
    {
        std::lock_guard lock(state().mutex);
        check = state().parts.checkForUpdateQuietly;
    }
    if (check)
        check(*config);
    else
        quietUpdateCheck(*config);
}

void VeldorBeta::checkForUpdate() {
    const auto config = configuration();
    if (!config)
        return;
    std::function<void(const BetaConfiguration&)> check;
    {
        std::lock_guard lock(state().mutex);
        check = state().parts.checkForUpdate;
    }
    if (check)
        check(*config);
    else
        updateCheckOnRequest(*config);
}

QString VeldorBeta::reportText(const BetaFeedback& feedback) {
    const auto config = configuration();
    if (!config)
        return {};
    const qint64 now = config->platform()->clock().wallMillis();
    return QString::fromUtf8(ReportBuilder::build(feedback, *config, now, BetaScrubber(*config->platform())));
}

void VeldorBeta::send(const BetaFeedback& feedback, std::function<void(BetaSendResult)> done) {
    const auto config = configuration();
    if (!config) {
        done(BetaSendError::notStarted());
        return;
    }
    const qint64 now = config->platform()->clock().wallMillis();
    uploadReport(config->platform()->runtime(),
                 ReportBuilder::build(feedback, *config, now, BetaScrubber(*config->platform())),
                 config->endpoint, config->appKey, std::move(done));
}

void VeldorBeta::resetForTesting() {
    {
        std::lock_guard lock(state().mutex);
        state().configuration.reset();
        state().lastRunCrashed = false;
        state().parts = {};
    }
    WillTerminate::resetForTesting();
    resetUpdaterStateForTesting();
    resetUpdateChecksForTesting();
    HttpTransfer::releaseAll();
}

} // namespace betakit
