#include "BKChoice.h"

#include "platform/drawing/ButtonLabel.h"
#include "platform/drawing/RoundedRect.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace betakit {

namespace {

platform::ButtonLabel labelOf(const QString& title, const QString& systemImage) {
    platform::ButtonLabel label{title, systemImage, BKChoice::kSymbolSize, platform::SymbolWeight::Medium};
    label.spacing = BKChoice::kSpacing;
    return label;
}

} // namespace

BKChoice::BKChoice(QString title, QString systemImage, SchemeSource scheme, QWidget* parent)
    : QAbstractButton(parent), m_systemImage(std::move(systemImage)), m_scheme(std::move(scheme)) {
    setText(title);
    setCheckable(true);
    setCursor(Qt::PointingHandCursor);
}

QSizeF BKChoice::sizeFor(const QString& title, const QString& systemImage) {
    const QSizeF own = labelOf(title, systemImage).size(bkFont(13, 432));
    return {own.width() + 2 * kHorizontalPadding, std::max(own.height(), kMinimumHeight)};
}

void BKChoice::paint(QPainter& painter, const QRectF& bounds, const QString& title,
                     const QString& systemImage, bool selected, Scheme scheme) {
    const platform::RoundedRect shape{bounds, kCornerRadius};
    const QColor ink = (selected ? bkAccent : bkText).resolve(scheme);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    shape.fill(painter, (selected ? bkAccentSoft : bkSurface).resolve(scheme));
    if (selected)
        shape.strokeInside(painter, bkAccent.resolve(scheme), 1.5);
    else
        shape.strokeInside(painter, bkLine.resolve(scheme), 1.0);
    labelOf(title, systemImage)
        .paint(painter, bounds.adjusted(kHorizontalPadding, 0, -kHorizontalPadding, 0), bkFont(13, 432), ink);
    painter.restore();
}

QSize BKChoice::sizeHint() const {
    const QSizeF size = sizeFor(text(), m_systemImage);
    return {int(std::ceil(size.width())), int(std::ceil(size.height()))};
}

void BKChoice::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paint(painter, QRectF(rect()), text(), m_systemImage, isChecked(), schemeOf(m_scheme));
}

} // namespace betakit
