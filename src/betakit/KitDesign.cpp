#include "KitDesign.h"

#include <QFontDatabase>
#include <QSet>

namespace betakit {

namespace {

// Sizes are in 96-dpi pixels, as the views lay out; Qt's point sizes are 72 to the inch.
constexpr double kPixelsToPoints = 0.75;

QFont::Weight bucket(int weight) {
    if (weight >= 600)
        return QFont::DemiBold;
    if (weight >= 500)
        return QFont::Medium;
    if (weight >= 400)
        return QFont::Normal;
    return QFont::Light;
}

// Asking whether a family exists goes through fontconfig, and buttons measure their label on
// every layout; an application font once found stays for the process, so a found one is kept.
bool hasInstance(const QString& family) {
    static thread_local QSet<QString> found;
    if (found.contains(family))
        return true;
    if (!QFontDatabase::hasFamily(family))
        return false;
    found.insert(family);
    return true;
}

} // namespace

QLinearGradient bkAccentGradient(const QRectF& bounds) {
    QLinearGradient gradient(bounds.left(), bounds.top() + 0.32 * bounds.height(), bounds.right(),
                             bounds.top() + 0.68 * bounds.height());
    gradient.setColorAt(0, QColor(0x6D, 0x3B, 0xEE));
    gradient.setColorAt(1, QColor(0xC0, 0x26, 0xD5));
    return gradient;
}

QFont bkFont(double size, int weight) {
    const QString family = QStringLiteral("Inter W%1").arg(weight);
    QFont font;
    if (hasInstance(family)) {
        font.setFamilies({family});
        font.setWeight(QFont::Weight(weight));
        font.setHintingPreference(QFont::PreferNoHinting);
    } else {
        font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
        font.setWeight(bucket(weight));
    }
    font.setPointSizeF(size * kPixelsToPoints);
    return font;
}

} // namespace betakit
