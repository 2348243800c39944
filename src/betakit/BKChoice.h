#pragma once

#include "KitDesign.h"

#include <QAbstractButton>

namespace betakit {

// A selectable chip of the kit's forms: an optional symbol and a title; selected, it takes the
// accent (text, a 1.5-point border) on the soft accent fill, else the text colour on the surface
// with a 1-point line. A click runs the button's clicked signal; selected, it reports itself
// selected to accessibility (as a checked button).
class BKChoice final : public QAbstractButton {
    Q_OBJECT

public:
    static constexpr qreal kCornerRadius = 8;
    static constexpr qreal kHorizontalPadding = 12;
    static constexpr qreal kMinimumHeight = 30;
    static constexpr qreal kSpacing = 6;
    static constexpr qreal kSymbolSize = 12;

    BKChoice(QString title, QString systemImage, SchemeSource scheme, QWidget* parent = nullptr);

    bool selected() const { return isChecked(); }
    void setSelected(bool selected) { setChecked(selected); }

    static QSizeF sizeFor(const QString& title, const QString& systemImage);
    static void paint(QPainter& painter, const QRectF& bounds, const QString& title,
                      const QString& systemImage, bool selected, Scheme scheme);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    // A click runs the action; whether it is selected is the caller's to say.
    void nextCheckState() override {}

private:
    QString m_systemImage;
    SchemeSource m_scheme;
};

} // namespace betakit
