#pragma once

#include "tilewick/visuals/ViewServices.h"

#include <QAbstractButton>
#include <QList>
#include <QRectF>
#include <QWidget>

#include <optional>

class QLineEdit;

namespace tilewick {

class ManualViewState;

// The manual's search field: a magnifier, the text and, while there is text, a clear button, in
// a rounded box whose border turns to the accent while the field has the focus. Return jumps to
// the first result, Escape empties the field and keeps the focus.
class ManualSearchField final : public QWidget {
    Q_OBJECT

public:
    static constexpr QSize kSize{230, 30};

    ManualSearchField(ManualViewState& state, ViewServices services, QWidget* parent = nullptr);

    QLineEdit* lineEdit() const { return m_edit; }
    QAbstractButton* clearButton() const { return m_clear; }
    QSize sizeHint() const override { return kSize; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void followQuery();
    void followFocus();
    void applyScheme(Scheme scheme);

    ManualViewState& m_state;
    ViewServices m_services;
    QLineEdit* m_edit;
    QAbstractButton* m_clear;
    std::optional<Scheme> m_appliedScheme;
};

// The top of the manual window: the product mark, "TILEWICK" over "Manual", the search field,
// and below them one tab per section, the marked one underlined. A tab jumps to its section. When
// the window is too narrow for every tab, the strip scrolls sideways under the wheel.
class ManualHeader final : public QWidget {
    Q_OBJECT

public:
    ManualHeader(ManualViewState& state, ViewServices services, QWidget* parent = nullptr);

    ManualSearchField* searchField() const { return m_field; }
    // The tabs' frames as shown (the strip scrolled), in section order.
    QList<QRectF> tabFrames() const;
    // The part of the header the tab strip shows its tabs in; tabs beyond it are scrolled to.
    QRectF tabStrip() const;
    // How far the tab strip is scrolled to the left, from 0 to `maximumTabsOffset`.
    qreal tabsOffset() const { return m_tabsOffset; }
    qreal maximumTabsOffset() const;
    // The section whose tab is marked: none while searching.
    std::optional<QString> markedTab() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    struct Geometry {
        qreal left = 0;
        qreal column = 0;
        qreal rowTop = 0;
        qreal rowHeight = 0;
        qreal tabsTop = 0;
        qreal tabHeight = 0;
        qreal height = 0;
    };
    Geometry geometryFor(qreal width) const;
    int tabAt(QPointF point) const;
    // The width of all tabs side by side.
    static qreal tabsWidth();
    void setTabsOffset(qreal offset);

    ManualViewState& m_state;
    ViewServices m_services;
    ManualSearchField* m_field;
    qreal m_tabsOffset = 0;
};

} // namespace tilewick
