#include "MenuBarStrip.h"

#include "InterFont.h"
#include "QuarterMenuBar.h"
#include "RoundedRect.h"
#include "Symbols.h"

#include <QFontMetricsF>
#include <QPainter>

namespace tilewick {

namespace {

Block faded(Block block, qreal opacity) {
    return {block.size, [block, opacity](QPainter& p, QPointF at) {
                p.save();
                p.setOpacity(p.opacity() * opacity);
                block.paint(p, at);
                p.restore();
            }};
}

Block symbol(const QString& name, qreal size, const QColor& ink) {
    return {{size, size}, [=](QPainter& p, QPointF at) {
                Symbols::paint(p, name, at + QPointF(size, size) / 2, size, ink, SymbolWeight::Regular);
            }};
}

Block clock(const QFont& font, const QColor& ink) {
    const QString text = QString::fromLatin1(MenuBarStrip::kClock);
    const QFontMetricsF metrics(font);
    return {{metrics.horizontalAdvance(text), metrics.height()}, [=](QPainter& p, QPointF at) {
                p.save();
                p.setFont(font);
                p.setPen(ink);
                p.drawText(at + QPointF(0, metrics.ascent()), text);
                p.restore();
            }};
}

Block onStrip(Block content, qreal radius, const QColor& fill) {
    return {content.size, [content, radius, fill](QPainter& p, QPointF at) {
                p.save();
                p.setRenderHint(QPainter::Antialiasing);
                RoundedRect{QRectF(at, content.size), radius, CornerStyle::Continuous}.fill(p, fill);
                p.restore();
                content.paint(p, at);
            }};
}

} // namespace

Block MenuBarStrip::block() const {
    const bool dark = scheme == Scheme::Dark;
    const QColor ink = dark ? Qt::white : Qt::black;
    const QColor mock = (dark ? kMockDark : kMockLight).color();

    if (kind == Kind::Small) {
        const QImage icon = tintedTemplate(menuBarImage(), ink);
        const Block image{icon.deviceIndependentSize(),
                          [icon](QPainter& p, QPointF at) { p.drawImage(at, icon); }};
        Block row = hstack({image, symbol(QStringLiteral("wifi"), 14, ink), clock(interFont(13, 500), ink)},
                           14, StackAlignment::Centre);
        row = padded(std::move(row), 12, 0, 12, 0);
        return onStrip(framed(std::move(row), {0, 26}), 5, mock);
    }

    // The icon holds a menu item's width; the neighbours stay quieter so it stands out.
    const QuarterMenuBar drawing{17};
    const Block icon{drawing.frameSize(), [drawing, ink](QPainter& p, QPointF at) {
                         const QSizeF size = drawing.frameSize();
                         drawing.paint(p, at + QPointF(size.width(), size.height()) / 2, ink);
                     }};
    Block row = hstack({framed(icon, {46, 0}), faded(symbol(QStringLiteral("wifi"), 15, ink), 0.7),
                        faded(clock(interFont(14, 500), ink), 0.7)},
                       22, StackAlignment::Centre);
    row = padded(std::move(row), 20 + 16, 10, 16, 10);
    return onStrip(std::move(row), 8, mock);
}

} // namespace tilewick
