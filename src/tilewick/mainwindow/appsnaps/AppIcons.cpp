#include "AppIcons.h"

#include "tilewick/visuals/RoundedRect.h"

#include <QFileInfo>
#include <QPainter>
#include <QPixmap>

#include <algorithm>
#include <cmath>

namespace tilewick {

namespace {

// Sharp enough for a 22-point icon on a doubled screen, scaled up with the page.
constexpr int kPixels = 96;

// Where an application's icon is kept: its location, else (an application only its running
// instance tells of) its identifier.
QString locationKey(const InstalledApp& app) {
    return app.url.isEmpty() ? QStringLiteral("id:") + app.id : app.url.toString();
}

QIcon drawnGenericIcon() {
    QPixmap pixmap(kPixels, kPixels);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF tile(kPixels * 0.1, kPixels * 0.1, kPixels * 0.8, kPixels * 0.8);
    QLinearGradient fill(tile.topLeft(), tile.bottomLeft());
    fill.setColorAt(0, QColor(176, 176, 196));
    fill.setColorAt(1, QColor(128, 128, 150));
    RoundedRect{tile, kPixels * 0.18}.fill(painter, fill);
    RoundedRect{tile.adjusted(kPixels * 0.2, kPixels * 0.2, -kPixels * 0.2, -kPixels * 0.2), kPixels * 0.06}
        .fill(painter, QColor(255, 255, 255, 200));
    return QIcon(pixmap);
}

} // namespace

AppIcons::AppIcons(LookUp lookUp, Load load) : m_lookUp(std::move(lookUp)), m_load(std::move(load)) {}

QIcon AppIcons::icon(const InstalledApp& app) {
    const QString key = locationKey(app);
    if (const auto found = m_byLocation.constFind(key); found != m_byLocation.constEnd())
        return *found;
    QIcon loaded = app.iconName.isEmpty() ? QIcon() : m_load(app.iconName);
    if (loaded.isNull())
        loaded = genericIcon();
    m_byLocation.insert(key, loaded);
    return loaded;
}

std::optional<QIcon> AppIcons::icon(const QString& bundleID) {
    if (const auto found = m_byIdentifier.constFind(bundleID); found != m_byIdentifier.constEnd())
        return icon(*found);
    const auto known = m_lookUp ? m_lookUp(bundleID) : std::nullopt;
    if (!known)
        return std::nullopt;
    m_byIdentifier.insert(bundleID, *known);
    return icon(*known);
}

QIcon AppIcons::themeIcon(const QString& iconName) {
    if (QFileInfo(iconName).isAbsolute())
        return QFileInfo::exists(iconName) ? QIcon(iconName) : QIcon();
    return QIcon::fromTheme(iconName);
}

QIcon AppIcons::genericIcon() {
    if (m_generic.isNull()) {
        m_generic = m_load(QStringLiteral("application-x-executable"));
        if (m_generic.isNull())
            m_generic = drawnGenericIcon();
    }
    return m_generic;
}

void AppIcons::paint(QPainter& painter, const QRectF& rect, const QIcon& icon) {
    const qreal scale = std::sqrt(std::abs(painter.worldTransform().determinant()));
    const int pixels =
        std::clamp(int(std::ceil(std::max(rect.width(), rect.height()) * scale * 2)), kPixels, 4 * kPixels);
    const QPixmap pixmap = icon.pixmap(QSize(pixels, pixels));
    if (pixmap.isNull())
        return;
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    // Keep the picture's proportions, centred in the square.
    QSizeF drawn = pixmap.deviceIndependentSize();
    drawn.scale(rect.size(), Qt::KeepAspectRatio);
    const QRectF target(rect.center() - QPointF(drawn.width() / 2, drawn.height() / 2), drawn);
    painter.drawPixmap(target, pixmap, QRectF(pixmap.rect()));
    painter.restore();
}

} // namespace tilewick
