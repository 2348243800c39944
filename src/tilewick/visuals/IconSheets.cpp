#include "IconSheets.h"

#include "InterFont.h"
#include "MenuBarStrip.h"
#include "QuarterIcon.h"

#include <QFontMetricsF>
#include <QPainter>

#include <cmath>

namespace tilewick {

namespace {

constexpr qreal kSheetScale = 2;

// One icon over its caption.
Block captionedIcon(qreal side, const QString& caption, const QFont& font, qreal spacing) {
    const Block icon{{side, side}, [side](QPainter& p, QPointF at) {
                         QuarterIcon{side, false}.paint(p, at);
                     }};
    const QFontMetricsF metrics(font);
    const Block text{{metrics.horizontalAdvance(caption), metrics.height()}, [=](QPainter& p, QPointF at) {
                         p.save();
                         p.setFont(font);
                         p.setPen(QColor::fromRgbF(1, 1, 1, 0.7f));
                         p.drawText(at + QPointF(0, metrics.ascent()), caption);
                         p.restore();
                     }};
    return vstack({icon, text}, spacing, StackAlignment::Centre);
}

} // namespace

Block iconCheckSheet() {
    std::vector<Block> row;
    for (int side : {512, 256, 128, 64, 32, 16})
        row.push_back(captionedIcon(side, QString::number(side), interFont(12, 340), 6));
    row.push_back(vstack({MenuBarStrip{MenuBarStrip::Kind::Small, Scheme::Light}.block(),
                          MenuBarStrip{MenuBarStrip::Kind::Small, Scheme::Dark}.block()},
                         10, StackAlignment::Centre));
    return padded(hstack(std::move(row), 30, StackAlignment::Trailing), 30, 30, 30, 30);
}

Block QuarterSheet::block() const {
    std::vector<Block> icons;
    for (int side : {360, 128, 64, 32, 16})
        icons.push_back(
            captionedIcon(side, QString::number(side) + QStringLiteral(" px"), interFont(13, 340), 8));
    Block strips = hstack({MenuBarStrip{MenuBarStrip::Kind::Large, Scheme::Light}.block(),
                           MenuBarStrip{MenuBarStrip::Kind::Large, Scheme::Dark}.block()},
                          30, StackAlignment::Centre);
    Block sheet = vstack({hstack(std::move(icons), 26, StackAlignment::Trailing), std::move(strips)}, 24,
                         StackAlignment::Leading);
    return padded(std::move(sheet), 40, 40, 40, 40);
}

QImage renderSheet(const Block& sheet) {
    const QSize pixels(int(std::ceil(sheet.size.width() * kSheetScale)),
                       int(std::ceil(sheet.size.height() * kSheetScale)));
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return image;
    image.setDevicePixelRatio(kSheetScale);
    image.fill(kSheetBackground.color());
    QPainter painter(&image);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing |
                           QPainter::SmoothPixmapTransform);
    sheet.paint(painter, {0, 0});
    return image;
}

namespace {

bool writePng(const Block& sheet, const QString& path) {
    const QImage image = renderSheet(sheet);
    return !image.isNull() && image.save(path, "PNG");
}

} // namespace

bool renderIconCheck(const QString& path) {
    return writePng(iconCheckSheet(), path);
}

bool renderQuarterConcept(const QString& path) {
    return writePng(QuarterSheet{}.block(), path);
}

} // namespace tilewick
