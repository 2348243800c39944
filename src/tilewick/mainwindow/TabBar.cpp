#include "TabBar.h"

#include "Header.h"
#include "TipTracker.h"

#include "betakit/BetaFeedbackButton.h"
#include "tilewick/store/TilewickStore.h"
#include "tilewick/visuals/RoundedRect.h"
#include "tilewick/visuals/Theme.h"

#include <QPainter>
#include <QPointer>

#include <algorithm>
#include <cmath>

namespace tilewick {

namespace {

constexpr double kFrame = 1.0 / 60;
constexpr qreal kLiftScale = 1.08;
constexpr qreal kWarningSize = 16;

} // namespace

TabButton::TabButton(SnapTab tab, QWidget* parent) : QAbstractButton(parent), m_tab(tab) {
    setAccessibleName(title(tab));
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
}

void TabButton::enterEvent(QEnterEvent* event) {
    QAbstractButton::enterEvent(event);
    emit hoveredChanged(true);
}

void TabButton::leaveEvent(QEvent* event) {
    QAbstractButton::leaveEvent(event);
    emit hoveredChanged(false);
}

TabBar::TabBar(TilewickStore& store, ViewServices services, HoverTipState& tips, QWidget& tipRoot,
               std::function<void()> showManual, QWidget* parent)
    : RestoresWindowSize(store, parent), m_services(services) {
    setObjectName(QStringLiteral("TabBar"));
    const double now = services.now();
    for (SnapTab tab : allSnapTabs()) {
        auto* button = new TabButton(tab, this);
        m_buttons.append(button);
        m_lifts.append(HoverLift({TabIconStyle::kCornerRadius, kLiftScale, true, false, false}, now));
        connect(button, &QAbstractButton::clicked, this, [this, tab] { this->store().setTab(tab); });
        connect(button, &QAbstractButton::pressed, this, [this] { update(); });
        connect(button, &QAbstractButton::released, this, [this] { update(); });
        connect(button, &TabButton::hoveredChanged, this, [this, tab](bool hovered) {
            // Hovering switches tabs without a click.
            if (hovered && this->store().tab() != tab)
                this->store().setTab(tab);
            m_lifts[indexOf(tab)].setHovering(hovered, m_services.now());
            refreshLifts();
        });
    }
    m_warning = new SymbolView(
        QStringLiteral("exclamationmark.triangle"), kWarningSize,
        [services] { return Theme::warn.resolve(services.scheme()); }, this);
    m_warning->setAccessibleName(QStringLiteral("Needs Accessibility"));
    m_manual = new ManualButton(std::move(showManual), services, this);
    m_feedback = new betakit::BetaFeedbackButton(
        true, [services] { return services.scheme(); }, this);
    m_feedback->setToolTip(QString());
    TipTracker::attach(*m_warning, QString::fromUtf8(HeaderTips::warning), tips, tipRoot);
    TipTracker::attach(*m_manual, QString::fromUtf8(HeaderTips::manual), tips, tipRoot);
    TipTracker::attach(*m_feedback, QString::fromUtf8(HeaderTips::feedback), tips, tipRoot);
    connect(&store, &TilewickStore::tabChanged, this, qOverload<>(&QWidget::update));
}

TabBar::~TabBar() {
    if (m_frames)
        m_frames->cancel();
}

qreal TabBar::buttonWidth(qreal room) {
    const qreal share = (room - MainLayout::kTabSpacing * (kSnapTabCount - 1)) / kSnapTabCount;
    return std::clamp<qreal>(share, MainLayout::kTabButtonMinWidth, MainLayout::kTabButtonMaxWidth);
}

void TabBar::apply(const MainLayout& layout) {
    m_layout = layout;
    m_warning->setVisible(layout.tabBarWarning);
    m_manual->setVisible(layout.tabBarExtras);
    m_feedback->setVisible(layout.tabBarExtras);
    relayout();
}

void TabBar::resizeEvent(QResizeEvent* event) {
    RestoresWindowSize::resizeEvent(event);
    relayout();
}

void TabBar::relayout() {
    const qreal pad = m_layout.pad;
    const qreal top = MainLayout::kTabBarPadding;
    const qreal h = MainLayout::kTabButtonHeight;
    // The extras stand at the trailing end; the buttons take the rest from the leading edge.
    // Where the buttons cannot shrink further, the extras follow them past the edge.
    QList<QWidget*> extras;
    qreal extrasWidth = 0;
    for (QWidget* extra : {static_cast<QWidget*>(m_warning), static_cast<QWidget*>(m_manual),
                           static_cast<QWidget*>(m_feedback)}) {
        if (extra->isHidden())
            continue;
        extras.append(extra);
        extrasWidth += extra->sizeHint().width() + MainLayout::kTabBarSpacing;
    }
    const qreal w = buttonWidth(width() - pad - extrasWidth - pad);
    qreal x = pad;
    for (TabButton* button : m_buttons) {
        button->setGeometry(QRectF(x, top, w, h).toRect());
        x += w + MainLayout::kTabSpacing;
    }
    x = std::max(x - MainLayout::kTabSpacing + MainLayout::kTabBarSpacing,
                 width() - pad - extrasWidth + MainLayout::kTabBarSpacing);
    for (QWidget* extra : extras) {
        const QSize size = extra->sizeHint();
        extra->setGeometry(QRectF(x, top + (h - size.height()) / 2, size.width(), size.height()).toRect());
        x += size.width() + MainLayout::kTabBarSpacing;
    }
    update();
}

void TabBar::keepPictures() {
    if (showsKeptPictures())
        return;
    const Scheme scheme = m_services.scheme();
    const qreal ratio = devicePixelRatioF();
    for (const TabButton* button : std::as_const(m_buttons)) {
        const QRectF frame(button->geometry());
        KeptButton kept{QPixmap((frame.size() * ratio).toSize()), store().tab() == button->tab(),
                        button->isDown(), scheme};
        kept.picture.setDevicePixelRatio(ratio);
        kept.picture.fill(Qt::transparent);
        QPainter painter(&kept.picture);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.translate(-frame.topLeft());
        TabIconStyle{kept.selected}.paint(painter, frame, TabGlyph{button->tab(), kept.selected}, kGlyphSize,
                                          kept.pressed, scheme);
        m_kept.append(std::move(kept));
    }
}

void TabBar::dropKeptPictures() {
    if (!showsKeptPictures())
        return;
    m_kept.clear();
    update();
}

bool TabBar::paintKept(QPainter& painter, int index, const QRectF& frame, bool selected,
                       Scheme scheme) const {
    if (index >= m_kept.size())
        return false;
    const KeptButton& kept = m_kept[index];
    if (kept.selected != selected || kept.pressed != m_buttons[index]->isDown() || kept.scheme != scheme)
        return false;
    // Three slices across, on whole device pixels so that no seam shows: the glyph's in the
    // middle at its own size, the sides (corners and plain fill) stretched to the new width.
    const qreal ratio = kept.picture.devicePixelRatio();
    const int was = kept.picture.width(), height = kept.picture.height();
    const int now = int(std::lround(frame.width() * ratio));
    const int glyph = std::min({int(std::lround(kGlyphSize.width() * ratio)), was, now});
    const int wasLeft = (was - glyph) / 2, nowLeft = (now - glyph) / 2;
    const auto slice = [&](int to, int toWidth, int from, int fromWidth) {
        painter.drawPixmap(QRectF(frame.left() + to / ratio, frame.top(), toWidth / ratio, height / ratio),
                           kept.picture, QRectF(from, 0, fromWidth, height));
    };
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    slice(0, nowLeft, 0, wasLeft);
    slice(nowLeft, glyph, wasLeft, glyph);
    slice(nowLeft + glyph, now - nowLeft - glyph, wasLeft + glyph, was - wasLeft - glyph);
    painter.restore();
    return true;
}

void TabBar::refreshLifts() {
    update();
    const double now = m_services.now();
    const bool reduce = m_services.reduceMotion();
    const bool moving = std::any_of(m_lifts.begin(), m_lifts.end(),
                                    [&](const HoverLift& lift) { return lift.isAnimating(now, reduce); });
    if (moving && !m_frames) {
        QPointer<TabBar> self(this);
        m_frames = m_services.runtime().every(kFrame, 0, [self] {
            if (self)
                self->tick();
        });
    } else if (!moving && m_frames) {
        m_frames->cancel();
        m_frames.reset();
    }
}

void TabBar::tick() {
    refreshLifts();
}

void TabBar::paintEvent(QPaintEvent*) {
    const Scheme scheme = m_services.scheme();
    const double now = m_services.now();
    const bool reduce = m_services.reduceMotion();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // Lifted buttons last, so they reach over their neighbours.
    QList<int> order;
    for (int i = 0; i < m_buttons.size(); ++i)
        order.append(i);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        return m_lifts[a].scaleAt(now, reduce) < m_lifts[b].scaleAt(now, reduce);
    });
    for (int i : order) {
        const TabButton* button = m_buttons[i];
        const HoverLift& lift = m_lifts[i];
        const bool selected = store().tab() == button->tab();
        const QRectF frame(button->geometry());
        const qreal scale = lift.scaleAt(now, reduce);
        painter.save();
        painter.translate(frame.center());
        painter.scale(scale, scale);
        painter.translate(-frame.center());
        lift.shadow(scheme).paint(painter, RoundedRect{frame, TabIconStyle::kCornerRadius}.path());
        if (!paintKept(painter, i, frame, selected, scheme))
            TabIconStyle{selected}.paint(painter, frame, TabGlyph{button->tab(), selected}, kGlyphSize,
                                         button->isDown(), scheme);
        lift.paintOutline(painter, frame, now, reduce, scheme);
        painter.restore();
    }
}

} // namespace tilewick
