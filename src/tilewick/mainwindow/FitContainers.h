#pragma once

#include <QGraphicsView>
#include <QGraphicsWidget>
#include <QPixmap>
#include <QPointer>
#include <QSizeF>
#include <QTransform>

#include <optional>

namespace tilewick {

// The main window keeps one fixed design and scales it to the window instead of reflowing it.
// Both containers measure their content (a QGraphicsWidget) at its preferred size, keep that as
// its natural size, draw it scaled about its top-left corner and take exactly the scaled size.
// A content whose preferred size changes (updateGeometry()) is measured and scaled again.

// How FitBoth shows content of a natural size in the space it has.
struct FitBothFit {
    qreal scale = 1;
    // The content's footprint: its natural size times the scale.
    QSizeF drawn;
    // Where the content starts across the space: centred while narrower than the space.
    qreal left = 0;
    bool scrollsHorizontally = false;
    bool scrollsVertically = false;

    // Shrinks uniformly to fit both axes (never enlarges), never below min(minScale, 1); an
    // axis that still overflows by more than half a point scrolls. Unmeasured content (zero
    // width or height) keeps scale 1.
    static FitBothFit fit(QSizeF available, QSizeF natural, qreal minScale);

    friend bool operator==(const FitBothFit&, const FitBothFit&) = default;
};

// Fits its content into its own size as FitBothFit says: a graphics view that scrolls only
// along the axes that overflow, showing their scroll bars, and shows content narrower than the
// space centred at the top. It draws no background of its own.
//
// While its window's edge is dragged, drawing the content afresh at every step's layout costs
// more than a frame (every cached picture of its items changes size): it can keep the picture it
// shows and draw that instead, stretched from where the content was onto where it is now.
class FitBoth final : public QGraphicsView {
    Q_OBJECT

public:
    explicit FitBoth(qreal minScale, QWidget* parent = nullptr);
    ~FitBoth() override;

    // Keeps the picture the view shows now (call it before the content's layout changes) and
    // shows that instead of the content until dropKeptPicture(). Kept already, nothing changes.
    void keepPicture();
    // Draws the content itself again.
    void dropKeptPicture();
    bool showsKeptPicture() const { return !m_kept.isNull(); }

    // Puts `content` (owned by the view's scene from now on) in place of the previous one.
    void setContent(QGraphicsWidget* content);
    QGraphicsWidget* content() const { return m_content; }
    qreal minScale() const { return m_minScale; }
    // The content's measured size and the fit in force.
    QSizeF natural() const { return m_natural; }
    const FitBothFit& currentFit() const { return m_fit; }

    // Measures the content and fits it again.
    void refit();

signals:
    // The content was measured and fitted again: it may have moved in the view.
    void refitted();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    class Host;

    qreal m_minScale;
    Host* m_host = nullptr;
    QPointer<QGraphicsWidget> m_content;
    QSizeF m_natural;
    FitBothFit m_fit;
    bool m_fitting = false;
    // The kept picture of the viewport, the map from its points to the content's own then, and
    // the content's natural size then.
    QPixmap m_kept;
    QTransform m_keptToContent;
    QSizeF m_keptNatural;
};

// Scales its content to a width: with a reference width, content up to the reference is
// scaled to fill the width (enlarged too), wider content against its own width; without one,
// the content is only ever shrunk. Its own preferred size is the scaled size.
class FitWidth final : public QGraphicsWidget {
    Q_OBJECT

public:
    // The scale for an available width (below 1 counts as 1), a reference and the content's
    // natural size.
    static qreal scaleFor(qreal available, std::optional<qreal> reference, QSizeF natural);

    FitWidth(QGraphicsWidget* content, qreal available, std::optional<qreal> reference,
             QGraphicsItem* parent = nullptr);
    ~FitWidth() override;

    void setAvailable(qreal available);
    qreal available() const { return m_available; }
    QGraphicsWidget* content() const { return m_content; }
    QSizeF natural() const { return m_natural; }
    qreal scale() const { return scaleFor(m_available, m_reference, m_natural); }

protected:
    bool event(QEvent* event) override;
    QSizeF sizeHint(Qt::SizeHint which, const QSizeF& constraint = QSizeF()) const override;

private:
    void remeasure();

    QGraphicsWidget* m_content;
    qreal m_available;
    std::optional<qreal> m_reference;
    QSizeF m_natural;
};

} // namespace tilewick
