#include "UpdateModel.h"

#include "platform/Platform.h"

#include <QPointer>

namespace betakit {

namespace {

// The updater's state for this run; main thread only, never stored.
struct UpdaterState {
    qint64 declinedBuild = 0;
};

UpdaterState& updaterState() {
    static UpdaterState state;
    return state;
}

bool couldNotReach(QNetworkReply::NetworkError code) {
    switch (code) {
    case QNetworkReply::ConnectionRefusedError:
    case QNetworkReply::RemoteHostClosedError:
    case QNetworkReply::HostNotFoundError:
    case QNetworkReply::TimeoutError:
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::NetworkSessionFailedError:
        return true;
    default:
        return false;
    }
}

} // namespace

void resetUpdaterStateForTesting() {
    updaterState() = {};
}

qint64 VeldorBeta::declinedBuild() {
    return updaterState().declinedBuild;
}

void VeldorBeta::recordDecline(const UpdateFeed& feed) {
    const qint64 build = feedBuildNumber(feed.latest.build);
    if (updaterState().declinedBuild >= build)
        return;
    updaterState().declinedBuild = build;
    BetaLog::event("beta.update_declined", {{"build", build}});
}

QString VeldorBeta::updateErrorText(const UpdateError& error) {
    if (error.kind() == UpdateError::Kind::Network && couldNotReach(error.networkCode()))
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
    emit stageChanged();
    if (m_stage.kind() == Stage::Case::Available)
        m_offered = m_stage.feed();
    if (wasShort != m_stage.isShort() && m_onResize)
        m_onResize(m_stage.isShort());
}

void UpdateModel::runCheck() {
    setStage(Stage::checking());
    QPointer<UpdateModel> model(this);
    m_task = VeldorBeta::fetchFeed(m_config, [model](UpdateResult<UpdateFeed> result) {
        if (!model)
            return;
        if (!result.ok()) {
            model->setStage(Stage::couldNotCheck(VeldorBeta::updateErrorText(result.error())));
            return;
        }
        const UpdateFeed& feed = result.value();
        const auto found = CheckResult::of(feed, VeldorBeta::installedVersion(model->m_config).build);
        if (const auto* available = std::get_if<CheckResult::Available>(&found))
            model->setStage(Stage::available(available->feed));
        else if (const auto* tooOld = std::get_if<CheckResult::TooOld>(&found))
            model->setStage(Stage::tooOld(tooOld->minimum));
        else if (const auto* upToDate = std::get_if<CheckResult::UpToDate>(&found))
            model->setStage(Stage::upToDate(upToDate->latest, upToDate->ahead));
    });
}

void UpdateModel::cancelTask() {
    if (m_task)
        m_task->cancel();
}

void UpdateModel::windowWillClose() {
    cancelTask();
    if (m_offered)
        VeldorBeta::recordDecline(*m_offered);
}

} // namespace betakit
