#include "FitContainers.h"

#include <QEvent>
#include <QGraphicsScene>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QScrollBar>

#include <algorithm>
#include <functional>

namespace tilewick {

namespace {

// Lays `content` out at its preferred size and returns that size.
QSizeF measure(QGraphicsWidget& content) {
    const QSizeF natural = content.effectiveSizeHint(Qt::PreferredSize);
    content.resize(natural);
    return natural;
}

// Makes `host` the parent of `content` that hears of its size changes: Qt posts the parent
// layout item of a widget that calls updateGeometry() a LayoutRequest.
void adopt(QGraphicsWidget& host, QGraphicsWidget& content) {
    content.setParentItem(&host);
    content.setParentLayoutItem(&host);
    content.setTransformOriginPoint(0, 0);
}

// Deletes the adopted content while its host is still whole: a widget going with its parent
// layout item half destroyed would still report to it.
void release(QGraphicsWidget* content) {
    if (!content)
        return;
    content->setParentLayoutItem(nullptr);
    delete content;
}

bool isLayoutRequest(const QEvent* event) {
    return event->type() == QEvent::LayoutRequest;
}

} // namespace

FitBothFit FitBothFit::fit(QSizeF available, QSizeF natural, qreal minScale) {
    FitBothFit result;
    const bool measured = natural.width() > 0 && natural.height() > 0;
    const qreal fit =
        measured
            ? std::min({available.width() / natural.width(), available.height() / natural.height(), qreal(1)})
            : 1;
    result.scale = std::max(fit, std::min(minScale, qreal(1)));
    result.drawn = natural * result.scale;
    result.scrollsVertically = available.height() + 0.5 < result.drawn.height();
    result.scrollsHorizontally = available.width() + 0.5 < result.drawn.width();
    result.left = std::max<qreal>((available.width() - result.drawn.width()) / 2, 0);
    return result;
}

// The scene root of a FitBoth: the content's parent, so the content's size changes reach it.
class FitBoth::Host final : public QGraphicsWidget {
public:
    explicit Host(std::function<void()> changed) : m_changed(std::move(changed)) {}
    ~Host() override {
        m_changed = [] {};
        for (QGraphicsItem* child : childItems())
            release(child->isWidget() ? static_cast<QGraphicsWidget*>(child) : nullptr);
    }

protected:
    bool event(QEvent* event) override {
        if (isLayoutRequest(event))
            m_changed();
        return QGraphicsWidget::event(event);
    }

private:
    std::function<void()> m_changed;
};

FitBoth::FitBoth(qreal minScale, QWidget* parent) : QGraphicsView(parent), m_minScale(minScale) {
    setFrameShape(QFrame::NoFrame);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Items' cached pictures are copied straight onto the window only with one clip rectangle
    // and no smooth-scaling hint (items that scale pictures ask for it themselves); otherwise
    // Qt blends them through its thread pool, which a pulse frame of the keyboard would wake
    // dozens of times.
    setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    setViewportUpdateMode(QGraphicsView::BoundingRectViewportUpdate);
    // The page shows through: the host paints the background.
    viewport()->setAutoFillBackground(false);
    setBackgroundBrush(Qt::NoBrush);
    auto* scene = new QGraphicsScene(this);
    m_host = new Host([this] { refit(); });
    scene->addItem(m_host);
    setScene(scene);
}

FitBoth::~FitBoth() {
    // The scene goes with the view; the items before the view's own parts.
    delete scene();
}

void FitBoth::keepPicture() {
    if (showsKeptPicture() || !m_content)
        return;
    // The items' cached pictures fit the layout on screen, so this copies them. The view has no
    // background of its own: the window's shows through the picture too.
    const QWidget& port = *viewport();
    m_kept = QPixmap(port.size() * port.devicePixelRatio());
    m_kept.setDevicePixelRatio(port.devicePixelRatio());
    m_kept.fill(Qt::transparent);
    QPainter painter(&m_kept);
    painter.setRenderHints(renderHints());
    // The target in points: an empty one would take the pixmap's size in device pixels, which on
    // a scaled screen draws the page twice as large.
    render(&painter, QRectF(port.rect()), port.rect());
    painter.end();
    m_keptToContent = viewportTransform().inverted() * m_content->sceneTransform().inverted();
    m_keptNatural = m_natural;
}

void FitBoth::dropKeptPicture() {
    if (!showsKeptPicture())
        return;
    m_kept = QPixmap();
    viewport()->update();
}

void FitBoth::paintEvent(QPaintEvent* event) {
    if (!showsKeptPicture() || !m_content || m_keptNatural.isEmpty()) {
        QGraphicsView::paintEvent(event);
        return;
    }
    // Each point of the kept picture goes where the same point of the content is now, as if
    // the content had stretched to its new natural size.
    const QTransform stretch = QTransform::fromScale(m_natural.width() / m_keptNatural.width(),
                                                     m_natural.height() / m_keptNatural.height());
    QPainter painter(viewport());
    painter.setClipRegion(event->region());
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setTransform(m_keptToContent * stretch * m_content->sceneTransform() * viewportTransform());
    painter.drawPixmap(QPointF(), m_kept);
}

void FitBoth::setContent(QGraphicsWidget* content) {
    if (m_content == content)
        return;
    release(m_content);
    m_content = content;
    if (content)
        adopt(*m_host, *content);
    refit();
}

void FitBoth::refit() {
    // Fitting resizes the content, which may ask for another pass; one at a time.
    if (m_fitting)
        return;
    m_fitting = true;
    m_natural = m_content ? measure(*m_content) : QSizeF();
    m_fit = FitBothFit::fit(size(), m_natural, m_minScale);
    setHorizontalScrollBarPolicy(m_fit.scrollsHorizontally ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(m_fit.scrollsVertically ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    // The scroll bars take their room from the viewport: centre in what is left of it.
    const QSizeF port = viewport()->size();
    const qreal left = std::max<qreal>((port.width() - m_fit.drawn.width()) / 2, 0);
    if (m_content) {
        m_content->setScale(m_fit.scale);
        m_content->setPos(left, 0);
    }
    scene()->setSceneRect(0, 0, std::max(port.width(), m_fit.drawn.width()),
                          std::max(port.height(), m_fit.drawn.height()));
    m_fitting = false;
    emit refitted();
}

void FitBoth::resizeEvent(QResizeEvent* event) {
    QGraphicsView::resizeEvent(event);
    if (event->size() != event->oldSize())
        refit();
}

qreal FitWidth::scaleFor(qreal available, std::optional<qreal> reference, QSizeF natural) {
    const qreal width = std::max<qreal>(available, 1);
    if (reference)
        return width / std::max(*reference, natural.width());
    if (natural.width() <= 0)
        return 1;
    return std::min<qreal>(width / natural.width(), 1);
}

FitWidth::FitWidth(QGraphicsWidget* content, qreal available, std::optional<qreal> reference,
                   QGraphicsItem* parent)
    : QGraphicsWidget(parent), m_content(content), m_available(available), m_reference(reference) {
    adopt(*this, *content);
    remeasure();
}

FitWidth::~FitWidth() {
    release(m_content);
}

void FitWidth::setAvailable(qreal available) {
    if (available == m_available)
        return;
    m_available = available;
    remeasure();
}

void FitWidth::remeasure() {
    m_natural = measure(*m_content);
    m_content->setScale(scale());
    updateGeometry();
    resize(m_natural * scale());
}

bool FitWidth::event(QEvent* event) {
    if (isLayoutRequest(event))
        remeasure();
    return QGraphicsWidget::event(event);
}

QSizeF FitWidth::sizeHint(Qt::SizeHint which, const QSizeF& constraint) const {
    if (which == Qt::MinimumSize || which == Qt::PreferredSize || which == Qt::MaximumSize)
        return m_natural * scale();
    return QGraphicsWidget::sizeHint(which, constraint);
}

} // namespace tilewick
