// The update window drawn to a PNG file without a window on screen.
#include "betakit/VeldorBeta.h"

#include "RunningSystem.h"
#include "UpdateView.h"

#include <QBuffer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>

namespace betakit {

namespace {

// The picture of an offer is taller than the window, so its list of changes has more room.
constexpr int kAvailablePictureHeight = 560;

} // namespace

bool VeldorBeta::renderUpdate(const QByteArray& feedJson, const QString& installedBuild, bool dark,
                              const QString& path) {
    auto config = configuration();
    if (!config)
        return false;
    const auto decoded = UpdateFeed::decode(feedJson);
    if (!decoded.ok())
        return false;
    const UpdateFeed& feed = decoded.value();
    // The texts show the configured version; the list of changes counts from this build.
    config->appBuild = installedBuild;
    const qint64 installed = buildNumber(installedBuild).value_or(0);
    const bool offered = feed.isNewer(installed);
    const UpdateModel::Stage stage =
        offered ? UpdateModel::Stage::available(feed)
                : UpdateModel::Stage::upToDate(feed.latest.version,
                                               feedBuildNumber(feed.latest.build) < installed);
    const int height = offered ? kAvailablePictureHeight : UpdateView::heightOf(stage);

    UpdateModel model(*config, stage);
    UpdateViewServices services;
    services.kit.scheme = [dark] { return dark ? Scheme::Dark : Scheme::Light; };
    services.icon = QGuiApplication::windowIcon();
    services.systemName = runningSystemName();
    const QImage picture = UpdateView::picture(model, services, QSize(UpdateView::kWidth, height));
    if (picture.isNull())
        return false;

    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!picture.save(&buffer, "PNG") || png.isEmpty())
        return false;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const bool written = file.write(png) == png.size();
    file.close();
    return written && file.error() == QFileDevice::NoError;
}

} // namespace betakit
