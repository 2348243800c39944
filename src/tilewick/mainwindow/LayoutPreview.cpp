#include "LayoutPreview.h"

#include "tilewick/store/TilewickStore.h"
#include "tilewick/visuals/Layer.h"
#include "tilewick/visuals/RoundedRect.h"
#include "tilewick/visuals/SolidArrow.h"
#include "tilewick/visuals/Symbols.h"

#include <QPainter>

#include <algorithm>

namespace tilewick {

namespace {

constexpr qreal kCellInset = 1.5;
constexpr qreal kDisplaySpacing = 6;
constexpr QSizeF kArrowSize{15, 11};
constexpr qreal kHistorySpacing = 4;

QRectF centred(QRectF area, qreal width, qreal height) {
    return QRectF(area.center().x() - width / 2, area.center().y() - height / 2, width, height);
}

// A drawing in grey: every pixel's colour goes to its luminance, its alpha stays.
void paintGrey(QPainter& painter, const QRectF& bounds, qreal opacity,
               const std::function<void(QPainter&)>& draw) {
    const qreal scale = deviceScale(painter);
    const QRect pixels = QRectF(bounds.topLeft() * scale, bounds.size() * scale).toAlignedRect();
    if (pixels.isEmpty())
        return;
    QImage image(pixels.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(scale, scale);
        p.translate(-QPointF(pixels.topLeft()) / scale);
        draw(p);
    }
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = line[x];
            const int grey = (qRed(c) * 2126 + qGreen(c) * 7152 + qBlue(c) * 722) / 10000;
            line[x] = qRgba(grey, grey, grey, qAlpha(c));
        }
    }
    image.setDevicePixelRatio(scale);
    painter.save();
    painter.setOpacity(painter.opacity() * opacity);
    painter.drawImage(QRectF(QPointF(pixels.topLeft()) / scale, QSizeF(pixels.size()) / scale), image);
    painter.restore();
}

} // namespace

LayoutPreview LayoutPreview::of(const TilewickStore& store, SnapAction action, bool showsKey) {
    return {action, store.hotkey(action), store.modifiers(), showsKey, store.canRedo()};
}

WindowBlock::ModsPlacement LayoutPreview::placement(const SnapKind& kind) {
    using P = WindowBlock::ModsPlacement;
    switch (kind.type()) {
    case SnapKind::Type::cells: {
        const SnapKind::Cells& cells = kind.cellSpan();
        if (cells.cols >= 4 && cells.rows >= 2)
            return P::none;
        return cells.rows == 1 ? P::above : P::beside;
    }
    case SnapKind::Type::display:
        return P::none;
    case SnapKind::Type::history:
    case SnapKind::Type::centre:
    case SnapKind::Type::maximize:
    case SnapKind::Type::focus:
        return P::beside;
    }
    return P::none;
}

QStringList LayoutPreview::modifierNames(quint64 modifiers) {
    QStringList names;
    for (const auto& [flag, name] : {std::pair{kControlFlag, "control"}, std::pair{kOptionFlag, "option"},
                                     std::pair{kShiftFlag, "shift"}, std::pair{kCommandFlag, "command"}})
        if (modifiers & flag)
            names << QString::fromLatin1(name);
    return names;
}

LayoutPreview::Drawing LayoutPreview::layout(QSizeF size) const {
    Drawing d;
    const SnapKind k = kind(action);
    std::optional<Hotkey::Part> key;
    if (showsKey && hotkey && !hotkey->parts().isEmpty())
        key = hotkey->parts().last();
    const WindowBlock solid{false, key, modifierNames(modifiers), placement(k)};
    const WindowBlock ghost{true, std::nullopt, {}, WindowBlock::ModsPlacement::none};
    const QRectF frame(QPointF(), size);

    if (k.type() == SnapKind::Type::display) {
        const qreal width = std::max((size.width() - 2 * kDisplaySpacing - kArrowSize.width()) / 2, 0.0);
        const QRectF a(0, 0, width, size.height());
        const QRectF b(width + 2 * kDisplaySpacing + kArrowSize.width(), 0, width, size.height());
        d.displays = {a, b};
        d.arrow = QRectF(width + kDisplaySpacing, (size.height() - kArrowSize.height()) / 2,
                         kArrowSize.width(), kArrowSize.height());
        const bool next = k.step() >= 1;
        d.arrowLeft = !next;
        WindowBlock moved{false, key, {}, WindowBlock::ModsPlacement::none};
        const auto blockIn = [](const QRectF& display) {
            const QRectF area = MiniDisplay::contentRect(display);
            return centred(area, 0.7 * area.width(), 0.62 * area.height());
        };
        d.blocks = {{blockIn(a), next ? ghost : moved}, {blockIn(b), next ? moved : ghost}};
        return d;
    }

    d.displays = {frame};
    const QRectF area = MiniDisplay::contentRect(frame);
    const qreal w = area.width(), h = area.height();
    switch (k.type()) {
    case SnapKind::Type::cells: {
        const SnapKind::Cells& grid = k.cellSpan();
        const qreal cw = w / qreal(grid.cols), ch = h / qreal(grid.rows);
        for (const SnapKind::Block& b : k.blocks()) {
            const QRectF rect(area.left() + cw * qreal(b.x) + kCellInset,
                              area.top() + ch * qreal(b.y) + kCellInset, cw * qreal(b.w) - 2 * kCellInset,
                              ch * qreal(b.h) - 2 * kCellInset);
            if (b.isWindow)
                d.blocks.append({rect, solid});
            else
                d.cells.append(rect);
        }
        break;
    }
    case SnapKind::Type::history: {
        const bool undo = k.step() < 0;
        const qreal symbol = std::min(h / 2, 18.0);
        const qreal blockWidth = std::max((w - 2 * kHistorySpacing - symbol) / 2, 0.0);
        const QRectF first(area.left(), area.top(), blockWidth, h);
        const QRectF second(area.right() - blockWidth, area.top(), blockWidth, h);
        d.blocks = {{first, undo ? solid : ghost}, {second, undo ? ghost : solid}};
        d.symbol = Drawing::Symbol{
            centred(area, symbol, symbol),
            undo ? QStringLiteral("arrow.counterclockwise") : QStringLiteral("arrow.clockwise"), symbol};
        d.greyed = !undo && !canRedo;
        break;
    }
    case SnapKind::Type::centre:
        d.blocks = {{centred(area, 0.56 * w, 0.62 * h), solid}};
        break;
    case SnapKind::Type::maximize:
        d.blocks = {{area, solid}};
        break;
    case SnapKind::Type::focus: {
        d.blocks = {{centred(area, 0.56 * w, 0.62 * h), solid}};
        // Three small windows left behind, along the bottom edge.
        const QSizeF small(0.1 * w, 0.1 * h);
        const qreal rowWidth = 3 * small.width() + 2 * 3;
        qreal x = area.center().x() - rowWidth / 2;
        const qreal y = area.bottom() - 2 - small.height();
        for (int i = 0; i < 3; ++i, x += small.width() + 3)
            d.blocks.append({QRectF(QPointF(x, y), small), ghost});
        break;
    }
    case SnapKind::Type::display:
        break;
    }
    return d;
}

void LayoutPreview::paint(QPainter& painter, QPointF origin, QSizeF size, Scheme scheme) const {
    const Drawing d = layout(size);
    const auto draw = [&](QPainter& p) {
        p.save();
        p.setRenderHint(QPainter::Antialiasing);
        p.translate(origin);
        for (const QRectF& display : d.displays)
            MiniDisplay::paintBehind(p, display, scheme);
        // Cells the window leaves free: black in the dark scheme, not a dark grey.
        const QColor free = scheme == Scheme::Dark ? QColor(Qt::black) : Theme::border.resolve(scheme);
        for (const QRectF& cell : d.cells)
            RoundedRect{cell, 3}.fill(p, free);
        for (const Drawing::Block& block : d.blocks)
            block.block.paint(p, block.rect, scheme);
        if (d.arrow)
            p.fillPath(solidArrowPath(*d.arrow, d.arrowLeft),
                       Theme::accentGradientVertical.resolve(*d.arrow, scheme));
        if (d.symbol)
            Symbols::paint(p, d.symbol->name, d.symbol->rect.center(), d.symbol->size,
                           Theme::accentGradientVertical.resolve(d.symbol->rect, scheme), SymbolWeight::Bold);
        for (const QRectF& display : d.displays)
            MiniDisplay::paintOver(p, display, scheme);
        p.restore();
    };
    if (d.greyed)
        paintGrey(painter, QRectF(origin, size), 0.45, draw);
    else
        draw(painter);
}

} // namespace tilewick
