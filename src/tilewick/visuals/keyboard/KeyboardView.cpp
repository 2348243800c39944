#include "KeyboardView.h"

#include "KeyAccessibility.h"
#include "KeyCapItem.h"
#include "MultiModeBanner.h"

#include "tilewick/store/TilewickStore.h"
#include "tilewick/visuals/HoverTips.h"
#include "tilewick/visuals/InterFont.h"

#include "platform/KeyCodes.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPointer>

#include <algorithm>

namespace tilewick {

namespace {

constexpr quint16 kGlobeKey = platform::kFnKeyCode;
// Glows and the banner line stay within this margin around the keys.
constexpr qreal kMargin = 16;
constexpr qreal kBottomMargin = 44;

QFont tracked(const QFont& base, qreal tracking) {
    QFont font = base;
    font.setLetterSpacing(QFont::AbsoluteSpacing, tracking);
    return font;
}

} // namespace

// A layer over the keys that takes no pointer events: the space bar's text and the banner
// line, or the multi-mode banner.
class KeyboardView::Decoration final : public QGraphicsItem {
public:
    using Painter = void (KeyboardView::*)(QPainter&) const;

    Decoration(KeyboardView& view, Painter painter, qreal z)
        : QGraphicsItem(&view), m_view(view), m_painter(painter) {
        setZValue(z);
        setAcceptedMouseButtons(Qt::NoButton);
        setAcceptHoverEvents(false);
    }

    void changeGeometry() { prepareGeometryChange(); }
    QRectF boundingRect() const override { return m_view.boundingRect(); }
    void paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*) override {
        (m_view.*m_painter)(*painter);
    }

private:
    KeyboardView& m_view;
    Painter m_painter;
};

KeyboardView::KeyboardView(TilewickStore& store, ViewServices services, HoverTipState& tips, IsoTest iso,
                           qreal gap, KeyboardEnvironment environment, QGraphicsItem* parent)
    : QGraphicsObject(parent), m_store(store), m_services(std::move(services)), m_isoTest(std::move(iso)),
      m_iso(m_isoTest && m_isoTest()), m_gap(gap), m_environment(std::move(environment)), m_tips(&tips) {
    installKeyAccessibility();
    setFlag(ItemHasNoContents);
    m_labels = new Decoration(*this, &KeyboardView::paintLabels, 2);
    m_multiMode = new Decoration(*this, &KeyboardView::paintMultiMode, 3);
    m_metrics = KeyboardMetrics::forWidth(0, gap);

    for (auto signal :
         {&TilewickStore::bindingsChanged, &TilewickStore::modifiersChanged, &TilewickStore::tabChanged,
          &TilewickStore::flashChanged, &TilewickStore::multiWindowChanged,
          &TilewickStore::multiWindowUnsupportedChanged, &TilewickStore::recordingChanged,
          &TilewickStore::editingModifiersChanged, &TilewickStore::hoveredActionChanged,
          &TilewickStore::hoveredKeyActionChanged, &TilewickStore::appSnapMultiChanged,
          &TilewickStore::appSnapAppChanged, &TilewickStore::appSnapsChanged, &TilewickStore::canRedoChanged,
          &TilewickStore::animatingChanged})
        connect(&m_store, signal, this, &KeyboardView::refresh);
    connect(&m_store, &TilewickStore::pressedKeysChanged, this, &KeyboardView::refreshLater);
    // The key faces are cached with the scheme of their look: a switch draws them again.
    m_services.whenSchemeChanges(this, [this] { refresh(); });
}

KeyboardView::~KeyboardView() {
    if (m_frames)
        m_frames->cancel();
}

void KeyboardView::setWidth(qreal width) {
    const KeyboardMetrics metrics = KeyboardMetrics::forWidth(width, m_gap);
    if (metrics.width == m_metrics.width && !m_placements.isEmpty())
        return;
    prepareGeometryChange();
    m_labels->changeGeometry();
    m_multiMode->changeGeometry();
    m_metrics = metrics;
    relayout();
}

void KeyboardView::setEnvironment(KeyboardEnvironment environment) {
    m_environment = std::move(environment);
    refresh();
}

std::map<quint16, KeyBinding> KeyboardView::bindingsByKey(const TilewickStore& store) {
    std::map<quint16, KeyBinding> map;
    const Bindings& bindings = store.bindings();
    for (SnapAction action : allSnapActions()) {
        const auto bound = bindings.find(action);
        if (bound == bindings.end())
            continue;
        const quint16 code = bound->second.keyCode;
        const KeyBinding pair{action, Hotkey{code, store.modifiers(), bound->second.label}};
        const auto holder = map.find(code);
        if (holder == map.end())
            map.emplace(code, pair);
        else if (tab(action) == store.tab() && tab(holder->second.action) != store.tab())
            holder->second = pair;
    }
    return map;
}

std::optional<QString> KeyboardView::bannerText(const TilewickStore& store, bool branded, bool picking) {
    static const QString primedMulti = QStringLiteral("Multi-window primed \u2013 press a layout key");
    if (store.modifiersHeld()) {
        if (store.multiWindow() || (!branded && store.globeChordHeld()))
            return primedMulti;
        return QStringLiteral("Modifiers primed \u2013 press a key");
    }
    if (branded || picking)
        return std::nullopt;
    if (store.pressedKeys().contains(kGlobeKey))
        return QStringLiteral("Also press ") + Hotkey::modifierGlyphs(store.modifiers()) +
               QStringLiteral(" for multi-mode");
    return std::nullopt;
}

bool KeyboardView::showsMultiMode(const TilewickStore& store, const KeyboardEnvironment& env) {
    if (env.brandedSpaceBar)
        return store.multiWindow();
    return store.globeChordHeld() && !env.pickingAppSnap;
}

QString KeyboardView::unsupportedText(const QString& appName) {
    return appName + QStringLiteral(" doesn\u2019t support multiple windows");
}

std::optional<QString> KeyboardView::bannerText() const {
    return bannerText(m_store, m_environment.brandedSpaceBar, m_environment.pickingAppSnap);
}

KeyCapItem* KeyboardView::keyCap(quint16 code) const {
    for (KeyCapItem* cap : m_caps) {
        if (cap->cap().key.code == code)
            return cap;
    }
    return nullptr;
}

bool KeyboardView::animates() const {
    return m_store.animating() && !m_services.reduceMotion();
}

double KeyboardView::animationTime() const {
    return m_environment.renderTime.value_or(m_services.now());
}

void KeyboardView::relayout() {
    m_placements = layoutKeys(KeyboardMap::rowsFor(m_iso), m_metrics);
    while (m_caps.size() > m_placements.size())
        delete m_caps.takeLast();
    while (m_caps.size() < m_placements.size())
        m_caps.append(new KeyCapItem(*this, this));
    m_decorationState.reset();
    refresh();
}

void KeyboardView::refreshLater() {
    if (m_refreshPending)
        return;
    m_refreshPending = true;
    QPointer<KeyboardView> self(this);
    m_services.runtime().after(kHeldKeysDelay, [self] {
        // A refresh meanwhile has drawn the keys as they are.
        if (self && self->m_refreshPending)
            self->refresh();
    });
}

void KeyboardView::refresh() {
    m_refreshPending = false;
    if (const bool iso = m_isoTest && m_isoTest(); iso != m_iso) {
        m_iso = iso;
        relayout(); // refreshes with the other rows
        return;
    }
    const auto bindings = bindingsByKey(m_store);
    const Scheme scheme = m_services.scheme();
    for (qsizetype i = 0; i < m_placements.size(); ++i) {
        const KeyPlacement& placement = m_placements[i];
        KeyCap cap;
        cap.key = placement.key;
        if (placement.key.code) {
            if (const auto bound = bindings.find(*placement.key.code); bound != bindings.end())
                cap.binding = bound->second;
        }
        cap.current = m_store.tab();
        cap.flashing = cap.binding && m_store.flash() == cap.binding->action;
        cap.u = m_metrics.keyH;
        cap.isShort = placement.isShort;
        cap.returnShape = placement.returnShape;
        KeyCapItem* item = m_caps[i];
        item->setPos(placement.frame.topLeft());
        item->setCap(cap, placement.frame.size(), cap.look(m_store, m_environment, scheme));
    }
    refreshDecorations();
}

void KeyboardView::refreshDecorations() {
    const double now = m_services.now();
    const auto banner = bannerText();
    if (banner != m_banner) {
        if (banner) {
            m_banner = banner;
            m_bannerFade.set(0);
            m_bannerFade.retarget(1, now, kFade, Transition::Curve::easeOut);
        } else {
            // The old line fades out.
            m_bannerFade.retarget(0, now, kFade, Transition::Curve::easeOut);
        }
    }
    m_multiModeFade.retarget(showsMultiMode(m_store, m_environment) ? 1 : 0, now, kFade,
                             Transition::Curve::easeOut);
    const DecorationState state{m_banner,
                                m_bannerFade.target(),
                                m_multiModeFade.target(),
                                animates(),
                                m_store.multiWindow(),
                                m_store.multiWindowUnsupported(),
                                m_services.scheme(),
                                m_environment.brandedSpaceBar,
                                m_environment.renderTime};
    if (state != m_decorationState) {
        m_decorationState = state;
        m_labels->update();
        m_multiMode->update();
    }
    scheduleFrames();
}

double KeyboardView::frameInterval() const {
    const double now = m_services.now();
    const bool moving = animates() && !m_environment.renderTime;
    // The banner, fades, lifts and blinks move at the banner's rate.
    bool fast = m_bannerFade.isRunning(now) || m_multiModeFade.isRunning(now) ||
                (moving && m_multiModeFade.target() > 0);
    bool pulses = false;
    for (const KeyCapItem* cap : m_caps) {
        fast = fast || cap->look().editing || cap->lift().isAnimating(now, m_services.reduceMotion());
        pulses = pulses || (moving && cap->look().pulseIndex.has_value());
    }
    if (fast)
        return kBannerFrame;
    return pulses ? kPulseAloneFrame : 0;
}

void KeyboardView::scheduleFrames() {
    // One timer drives every animation of the keyboard, at the rate of the fastest one running;
    // pulses alone wake it every 0.3 s.
    const double interval = frameInterval();
    if (interval == m_frameInterval && (interval == 0) == !m_frames)
        return;
    if (m_frames)
        m_frames->cancel();
    m_frames.reset();
    m_frameInterval = interval;
    if (interval > 0) {
        QPointer<KeyboardView> self(this);
        m_frames = m_services.runtime().every(interval, 0, [self] {
            if (self)
                self->tick();
        });
    }
}

void KeyboardView::tick() {
    const double now = m_services.now();
    const bool moving = animates() && !m_environment.renderTime;
    // A tick of the pulses' own timer is always a pulse frame; a faster one, every 0.1 s at most.
    if (moving && now - m_lastPulseFrame >= kPulseFrame) {
        m_lastPulseFrame = now;
        for (KeyCapItem* cap : m_caps) {
            if (cap->look().pulseIndex)
                cap->updatePulse();
        }
    }
    for (KeyCapItem* cap : m_caps)
        cap->advance(now);
    if ((moving && m_multiModeFade.target() > 0) || m_multiModeFade.isRunning(now))
        m_multiMode->update();
    if (m_bannerFade.isRunning(now))
        m_labels->update();
    scheduleFrames();
}

QRectF KeyboardView::boundingRect() const {
    return QRectF(-kMargin, -kMargin, m_metrics.width + 2 * kMargin,
                  m_metrics.naturalHeight() + kMargin + kBottomMargin);
}

void KeyboardView::paint(QPainter*, const QStyleOptionGraphicsItem*, QWidget*) {}

void KeyboardView::paintLabels(QPainter& p) const {
    const Scheme scheme = m_services.scheme();
    const KeyboardMetrics& m = m_metrics;
    const qreal u = m.u;
    const QRectF bar = m.spaceBar();
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    if (m_environment.brandedSpaceBar && bar.width() > 0) {
        if (const auto& app = m_store.multiWindowUnsupported()) {
            const QString text = unsupportedText(*app).toUpper();
            const qreal size = std::max<qreal>(0.16 * u, 7);
            QFont font = tracked(interFont(size, 650), std::max<qreal>(0.015 * u, 0.5));
            const qreal frameWidth = 0.9 * bar.width();
            const qreal natural = QFontMetricsF(font).horizontalAdvance(text);
            if (natural > frameWidth && natural > 0) {
                const qreal scale = std::max(frameWidth / natural, 0.5);
                font = tracked(interFont(size * scale, 650), std::max<qreal>(0.015 * u, 0.5) * scale);
            }
            p.setFont(font);
            p.setPen(Theme::text.resolve(scheme, 0.8));
            p.drawText(bar, Qt::AlignCenter | Qt::TextSingleLine, text);
        } else if (!m_store.multiWindow()) {
            // TILE in the text colour, WICK in the accent gradient, in the lower 36 % of the bar.
            const qreal size = std::max<qreal>(0.15 * u, 7);
            const qreal tracking = std::max<qreal>(0.025 * u, 1);
            const QFont first = tracked(interFont(size, 750), tracking);
            const QFont second = tracked(interFont(size, 600), tracking);
            const QString head = QStringLiteral("TILE "), tail = QStringLiteral("WICK");
            const QFontMetricsF firstMetrics(first), secondMetrics(second);
            const qreal headWidth = firstMetrics.horizontalAdvance(head);
            const qreal tailWidth = secondMetrics.horizontalAdvance(tail);
            const QRectF band(bar.left(), bar.top() + 0.64 * m.keyH, bar.width(), 0.36 * m.keyH);
            const qreal left = band.center().x() - (headWidth + tailWidth) / 2;
            const qreal baseline = band.center().y() + (firstMetrics.ascent() - firstMetrics.descent()) / 2;
            p.setFont(first);
            p.setPen(Theme::text.resolve(scheme, 0.75));
            p.drawText(QPointF(left, baseline), head);
            QPainterPath wick;
            wick.addText(QPointF(left + headWidth, baseline), second, tail);
            p.fillPath(wick, Theme::accentDiagonal(wick.boundingRect(), scheme));
        }
    }

    const double opacity = m_bannerFade.valueAt(m_services.now());
    if (m_banner && opacity > 0 && bar.width() > 0) {
        const QFont font = tracked(interFont(11.5, 500), 1.1);
        const QRectF frame = m.bannerFrame(QFontMetricsF(font).height());
        p.save();
        p.setOpacity(p.opacity() * opacity);
        p.setFont(font);
        p.setPen(Theme::magenta.resolve(scheme));
        p.drawText(frame.adjusted(-frame.width(), 0, frame.width(), 0), Qt::AlignCenter | Qt::TextSingleLine,
                   m_banner->toUpper());
        p.restore();
    }
}

void KeyboardView::paintMultiMode(QPainter& p) const {
    const double opacity = m_multiModeFade.valueAt(m_services.now());
    if (opacity <= 0)
        return;
    double t = MultiModeBanner::kStillTime;
    if (m_environment.renderTime)
        t = *m_environment.renderTime;
    else if (animates())
        t = m_services.now();
    const QRectF bar = m_metrics.spaceBar();
    p.save();
    p.setOpacity(p.opacity() * opacity);
    MultiModeBanner{m_metrics.u, bar.size()}.paint(p, bar.topLeft(), t, m_services.scheme());
    p.restore();
}

} // namespace tilewick
