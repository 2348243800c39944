#include "UpdateModel.h"

#include "BetaDownload.h"
#include "BundleSwap.h"
#include "FeedFetch.h"
#include "RunningSystem.h"
#include "StageUpdate.h"
#include "UpdateLeftovers.h"

#include "platform/Platform.h"

#include <QCoreApplication>
#include <QPointer>

#include <unistd.h>

namespace betakit {

namespace {

// The updater's state for this run; main thread only, never stored.
struct UpdaterState {
    qint64 declinedBuild = 0;
    UpdateModel::Process process;
};

UpdaterState& updaterState() {
    static UpdaterState state;
    return state;
}

UpdateModel::Process currentProcess() {
    UpdateModel::Process process = updaterState().process;
    if (!process.pid)
        process.pid = [] { return qint64(getpid()); };
    // Not quit(): Qt first asks every window to close, and the update window refuses while it
    // installs, which would cancel the quit. exit() ends the event loop and the program's orderly
    // quit (its quit hook) follows.
    if (!process.terminate)
        process.terminate = [] { QCoreApplication::exit(0); };
    return process;
}

} // namespace

// The work behind "Download": the transfer while it runs, then nothing to cancel once the
// verification has begun.
class UpdateModel::DownloadChain final : public UpdateTask {
public:
    void cancel() override {
        if (installing)
            return;
        cancelled = true;
        if (download)
            download->cancel();
    }

    // Held until the chain fails or the program quits to be swapped.
    std::unique_ptr<UpdateLock> lock;
    std::shared_ptr<UpdateTask> download;
    bool cancelled = false;
    bool installing = false;
};

void UpdateModel::setProcessForTesting(Process process) {
    updaterState().process = std::move(process);
}

void resetUpdaterStateForTesting() {
    updaterState() = {};
}

qint64 declinedBuild() {
    return updaterState().declinedBuild;
}

void recordDecline(const UpdateFeed& feed) {
    const qint64 build = feedBuildNumber(feed.latest.build);
    if (updaterState().declinedBuild >= build)
        return;
    updaterState().declinedBuild = build;
    BetaLog::event("beta.update_declined", {{"build", build}});
}

QString updateErrorText(const UpdateError& error) {
    if (error.couldNotReach())
        return QStringLiteral("Couldn’t reach %1. Check your internet connection and try again.")
            .arg(QLatin1String(kMakerDomain));
    return error.description();
}

QString progressText(qint64 received, qint64 total) {
    // 128 bits: a total near the 64-bit limit times 100, or plus the rounding, must not overflow.
    using Wide = __int128;
    const Wide t = std::max<Wide>(total, 1);
    const Wide r = std::clamp<Wide>(received, 0, t);
    const auto percent = qint64(r * 100 / t);
    const bool gigabytes = total > 1'000'000'000;
    const auto amount = [gigabytes](Wide n) {
        if (gigabytes)
            return QString::asprintf("%.1fGB", double(qint64((n + 99'999'999) / 100'000'000)) / 10.0);
        return QString::number(qint64((n + 999'999) / 1'000'000)) + QStringLiteral("MB");
    };
    return QString::number(percent) + QStringLiteral("% ") + amount(r) + u'/' + amount(t);
}

UpdateModel::Stage UpdateModel::Stage::available(UpdateFeed feed) {
    Stage stage(Case::Available);
    stage.m_feed = std::move(feed);
    return stage;
}
UpdateModel::Stage UpdateModel::Stage::upToDate(QString latest, bool ahead) {
    Stage stage(Case::UpToDate);
    stage.m_text = std::move(latest);
    stage.m_ahead = ahead;
    return stage;
}
UpdateModel::Stage UpdateModel::Stage::tooOld(QString minimum) {
    Stage stage(Case::TooOld);
    stage.m_text = std::move(minimum);
    return stage;
}
UpdateModel::Stage UpdateModel::Stage::couldNotCheck(QString message) {
    Stage stage(Case::CouldNotCheck);
    stage.m_text = std::move(message);
    return stage;
}
UpdateModel::Stage UpdateModel::Stage::downloading(qint64 received, qint64 total) {
    Stage stage(Case::Downloading);
    stage.m_received = received;
    stage.m_total = total;
    return stage;
}
UpdateModel::Stage UpdateModel::Stage::failed(QString message, std::optional<UpdateFeed> feed) {
    Stage stage(Case::Failed);
    stage.m_text = std::move(message);
    stage.m_feed = std::move(feed);
    return stage;
}
UpdateModel::Stage UpdateModel::Stage::checking() {
    return Stage(Case::Checking);
}
UpdateModel::Stage UpdateModel::Stage::installing() {
    return Stage(Case::Installing);
}

UpdateModel::UpdateModel(BetaConfiguration config, Stage stage, QObject* parent)
    : QObject(parent), m_config(std::move(config)), m_stage(std::move(stage)) {
    if (m_stage.kind() == Stage::Case::Available)
        m_offered = m_stage.feed();
}

UpdateModel::~UpdateModel() = default;

void UpdateModel::setStage(Stage stage) {
    const bool wasShort = m_stage.isShort();
    m_stage = std::move(stage);
    // The rule runs before anyone hears of the change, so a listener that sets another stage at
    // once (a window that starts the download of an offer) finds it done.
    if (m_stage.kind() == Stage::Case::Available)
        m_offered = m_stage.feed();
    if (wasShort != m_stage.isShort() && m_onResize)
        m_onResize(m_stage.isShort());
    emit stageChanged();
}

QString UpdateModel::title() const {
    switch (m_stage.kind()) {
    case Stage::Case::Available:
    case Stage::Case::Downloading:
    case Stage::Case::Installing:
        return QStringLiteral("New beta version available!");
    case Stage::Case::UpToDate:
        return QStringLiteral("You’re up to date");
    case Stage::Case::TooOld:
        return QStringLiteral("A new beta needs a newer ") + runningSystemName(*m_config.platform());
    case Stage::Case::CouldNotCheck:
        return QStringLiteral("Couldn’t check for a new beta");
    case Stage::Case::Failed:
        return QStringLiteral("The update didn’t install");
    case Stage::Case::Checking:
        return QStringLiteral("Checking for a new beta…");
    }
    return QString();
}

void UpdateModel::runCheck() {
    setStage(Stage::checking());
    QPointer<UpdateModel> model(this);
    m_task = fetchFeed(m_config, [model](UpdateResult<UpdateFeed> result) {
        if (!model)
            return;
        if (!result.ok()) {
            model->setStage(Stage::couldNotCheck(updateErrorText(result.error())));
            return;
        }
        const UpdateFeed& feed = result.value();
        const auto found = CheckResult::of(feed, installedVersion(model->m_config).build);
        if (const auto* available = std::get_if<CheckResult::Available>(&found))
            model->setStage(Stage::available(available->feed));
        else if (const auto* tooOld = std::get_if<CheckResult::TooOld>(&found))
            model->setStage(Stage::tooOld(tooOld->minimum));
        else if (const auto* upToDate = std::get_if<CheckResult::UpToDate>(&found))
            model->setStage(Stage::upToDate(upToDate->latest, upToDate->ahead));
    });
}

void UpdateModel::startDownload(UpdateFeed feed) {
    setStage(Stage::downloading(0, feed.latest.bytes));
    BetaLog::event("beta.update_download", {{"build", feedBuildNumber(feed.latest.build)}});
    auto chain = std::make_shared<DownloadChain>();
    chain->lock = UpdateLock::hold(m_config.platform()->paths().temporary());
    m_task = chain;
    QPointer<UpdateModel> model(this);
    const qint64 bytes = feed.latest.bytes;
    const auto progress = [model, bytes](qint64 received, qint64 total) {
        // Progress that arrives after the stage moved on (a cancel, the verification) is dropped.
        if (model && model->stage().kind() == Stage::Case::Downloading)
            model->setStage(Stage::downloading(received, total >= 1 ? total : bytes));
    };
    // The chain holds the transfer and the transfer this callback, until the transfer ends.
    const auto done = [model, chain, feed, platform = m_config.platform()](UpdateResult<QString> archive) {
        // The verification begins on a later turn: a cancel that comes in between still wins.
        platform->runtime().async([model, chain, feed, archive] {
            if (chain->cancelled || !model || !archive.ok())
                chain->lock.reset();
            if (chain->cancelled || !model) {
                if (archive.ok())
                    removeQuietly(archive.value());
                if (model)
                    model->fail(feed, UpdateError::cancelled());
                return;
            }
            if (!archive.ok())
                model->fail(feed, archive.error());
            else
                model->verifyAndInstall(archive.value(), feed, chain);
        });
    };
    chain->download = BetaDownload::fetch(*m_config.platform(), feed.latest.url, progress, done, bytes);
}

void UpdateModel::verifyAndInstall(const QString& zip, const UpdateFeed& feed,
                                   const std::shared_ptr<DownloadChain>& chain) {
    setStage(Stage::installing());
    chain->installing = true;
    const auto platform = m_config.platform();
    const QString target = platform->bundle().bundlePath();
    QPointer<UpdateModel> model(this);
    // Files and child processes block: off the main thread, and not stopped by a cancel.
    platform->runtime().global([platform, model, zip, feed, target, chain] {
        const auto staged =
            stageUpdate(zip, feed.latest.bytes, feed.latest.sha256, feed.latest.build, target);
        platform->runtime().async([model, feed, target, staged, chain] {
            if (!model || !staged.ok())
                chain->lock.reset();
            if (!model) {
                // Nobody is left to install it.
                if (staged.ok())
                    if (const auto root = stagingRoot(staged.value(), target))
                        removeQuietly(*root);
                return;
            }
            if (!staged.ok())
                model->fail(feed, staged.error());
            else
                model->install(staged.value(), feed);
        });
    });
}

void UpdateModel::install(const QString& staged, const UpdateFeed& feed) {
    const Process process = currentProcess();
    const QString target = m_config.platform()->bundle().bundlePath();
    if (const auto error = launchSwapScript(*m_config.platform(), staged, target, process.pid(), true)) {
        fail(feed, *error);
        return;
    }
    BetaLog::event("beta.update_installing", {{"build", feedBuildNumber(feed.latest.build)}});
    process.terminate();
}

void UpdateModel::fail(const UpdateFeed& feed, const UpdateError& error) {
    if (error.isCancellation()) {
        setStage(Stage::available(feed));
        return;
    }
    BetaLog::event("beta.update_failed");
    setStage(Stage::failed(updateErrorText(error), feed));
}

void UpdateModel::cancelTask() {
    if (m_task)
        m_task->cancel();
}

void UpdateModel::windowWillClose() {
    cancelTask();
    if (m_offered)
        recordDecline(*m_offered);
}

} // namespace betakit
