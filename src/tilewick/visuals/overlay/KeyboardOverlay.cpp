#include "KeyboardOverlay.h"

#include "tilewick/store/TilewickStore.h"
#include "tilewick/visuals/RoundedRect.h"
#include "tilewick/visuals/Theme.h"
#include "tilewick/visuals/keyboard/OverlayKeyboard.h"

#include "betakit/BetaLog.h"
#include "platform/FloatingPanel.h"
#include "platform/Keyboard.h"
#include "platform/Screens.h"

#include <QGraphicsScene>
#include <QPainter>
#include <QPainterPath>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace tilewick {

namespace {

constexpr double kWidthShare = 0.9;
constexpr double kHeightShare = 1.0125;
constexpr qreal kMaximumWidth = 1350;
// The panel's middle sits this share of the screen's height above its bottom edge.
constexpr double kCentreHeight = 0.25;

QRegion regionOf(const QPainterPath& path) {
    return QRegion(path.toFillPolygon().toPolygon());
}

QPainterPath holePath(const QRectF& rect) {
    return RoundedRect{rect, KeyboardOverlay::kHoleRadius, CornerStyle::Circular}.path();
}

} // namespace

OverlayGeometry OverlayGeometry::forScreen(const QRectF& screen) {
    OverlayGeometry g;
    const qreal across = std::round(kWidthShare * screen.width());
    const qreal down = std::round(kHeightShare * screen.height());
    g.width = std::max<qreal>(std::min({across, down, kMaximumWidth}), 0);
    g.keyboardWidth = std::max<qreal>(g.width - 2 * KeyboardOverlay::kPad, 0);
    g.height = OverlayKeyboard::size(g.keyboardWidth, KeyboardOverlay::kPad).height();
    g.frame = QRectF(screen.center().x() - g.width / 2,
                     screen.y() + kCentreHeight * screen.height() - g.height / 2, g.width, g.height);
    return g;
}

// The panel's window: frameless, above the others, never focused, and drawn by the overlay.
class KeyboardOverlay::Panel final : public QWidget {
public:
    explicit Panel(KeyboardOverlay& overlay)
        : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                               Qt::WindowDoesNotAcceptFocus),
          m_overlay(overlay) {
        setObjectName(QStringLiteral("floatingKeyboard"));
        // Per-pixel alpha: the window gets a visual with an alpha channel where there is one.
        setAttribute(Qt::WA_TranslucentBackground);
        setAttribute(Qt::WA_ShowWithoutActivating);
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        m_overlay.paint(painter);
    }

private:
    KeyboardOverlay& m_overlay;
};

KeyboardOverlay::KeyboardOverlay(ViewServices services, OverlayServices desktop)
    : m_services(std::move(services)), m_desktop(std::move(desktop)) {
    Q_ASSERT(m_desktop.screens && m_desktop.keyboard);
}

KeyboardOverlay::~KeyboardOverlay() {
    if (m_hideDone)
        m_hideDone->cancel();
    if (m_frames)
        m_frames->cancel();
    delete m_content;
    // The last holder may be a worker that punched a hole: windows go on the main thread.
    if (m_services.runtime().isMainThread()) {
        m_scene.reset();
        delete m_panel;
    } else {
        if (m_scene)
            m_scene.release()->deleteLater();
        if (m_panel)
            m_panel->deleteLater();
    }
}

void KeyboardOverlay::attach(TilewickStore& store) {
    m_store = &store;
    // The keyboard draws the store: it must not outlive it.
    QObject::connect(&store, &QObject::destroyed, [weak = weak_from_this()] {
        if (auto self = weak.lock()) {
            self->m_visible = false;
            if (self->m_panel)
                self->m_panel->hide();
            self->dropContent();
        }
    });
}

QWidget* KeyboardOverlay::panel() const {
    return m_panel;
}

void KeyboardOverlay::makePanel() {
    m_panel = new Panel(*this);
    m_scene = std::make_unique<QGraphicsScene>();
    QObject::connect(m_scene.get(), &QGraphicsScene::changed, m_scene.get(), [weak = weak_from_this()] {
        if (auto self = weak.lock()) {
            self->m_faceDirty = true;
            if (self->m_panel)
                self->m_panel->update();
        }
    });
}

void KeyboardOverlay::show(const std::optional<platform::ScreenInfo>& screen) {
    if (!screen || !m_store)
        return;
    // Top-left coordinates start at the top of the primary screen.
    const auto screens = m_desktop.screens->screens();
    const QRectF& frame = screen->frame;
    const QRectF primary = screens.isEmpty() ? frame : screens.first().frame;
    // The screen's frame is in device pixels; the panel is sized and placed in points, as Qt lays
    // its windows out on a scaled screen: from the screen's own top-left corner, device pixels
    // divided by the scale.
    const QRectF pixels(frame.x(), primary.bottom() - frame.bottom(), frame.width(), frame.height());
    const qreal scale = m_desktop.floating.scaleOf(pixels.toRect());
    m_scale = scale > 0 ? scale : 1;
    m_origin = pixels.topLeft();
    const QRectF points(frame.topLeft(), frame.size() / m_scale);
    m_geometry = OverlayGeometry::forScreen(points);
    const QRectF& f = m_geometry.frame;
    m_windowFrame = QRect(QPoint(int(std::lround(m_origin.x() + f.x() - points.x())),
                                 int(std::lround(m_origin.y() + points.bottom() - f.bottom()))),
                          QSize(int(std::ceil(f.width())), int(std::ceil(f.height()))));

    if (!m_panel)
        makePanel();
    dropContent();
    m_content = new OverlayKeyboard(*m_store, m_services, m_desktop.keyboard->isISO(),
                                    m_geometry.keyboardWidth, kPad);
    m_scene->addItem(m_content);
    m_scene->setSceneRect(QRectF(QPointF(), m_content->size()));
    m_holes.clear();
    m_panel->setGeometry(m_windowFrame);

    // Already showing: moved and refreshed, without a fade.
    if (m_visible) {
        changed();
        return;
    }
    m_visible = true;
    m_store->refreshAnimating();
    if (m_hideDone) {
        m_hideDone->cancel();
        m_hideDone.reset();
    }
    m_panel->winId(); // the native window, made now when there is none yet
    m_desktop.floating.prepare(m_panel->windowHandle());
    m_translucent = m_desktop.floating.showsTranslucency(m_panel->windowHandle());
    if (!m_translucent && !m_saidOpaque) {
        m_saidOpaque = true;
        betakit::BetaLog::event("overlay.opaque", {});
    }
    if (m_translucent)
        m_panel->clearMask();
    m_opacity.set(0);
    m_opacity.retarget(1, m_services.uptime(), kFadeIn, Transition::Curve::linear);
    changed();
    m_panel->show();
    m_desktop.floating.raise(m_panel->windowHandle());
}

void KeyboardOverlay::hide() {
    if (!m_visible || !m_panel)
        return;
    m_visible = false;
    m_holes.clear();
    m_opacity.retarget(0, m_services.uptime(), kFadeOut, Transition::Curve::linear);
    changed();
    m_hideDone = m_services.runtime().after(kFadeOut, [weak = weak_from_this()] {
        auto self = weak.lock();
        // A show since keeps the panel.
        if (!self || self->m_visible)
            return;
        self->m_hideDone.reset();
        if (self->m_panel)
            self->m_panel->hide();
        self->dropContent();
    });
    if (m_store)
        m_store->refreshAnimating();
}

void KeyboardOverlay::punchHole(const platform::AXElement& window, const QRectF& frame) {
    platform::Runtime& runtime = m_services.runtime();
    if (!runtime.isMainThread()) {
        runtime.async([weak = weak_from_this(), window, frame] {
            if (auto self = weak.lock())
                self->punchHole(window, frame);
        });
        return;
    }
    if (!m_visible || !m_panel || !m_content || m_desktop.screens->screens().isEmpty())
        return;
    // The window's frame in points, as the panel's.
    const QRectF points(m_origin + (frame.topLeft() - m_origin) / m_scale, frame.size() / m_scale);
    const QRectF rect = points.translated(-QPointF(m_windowFrame.topLeft()));
    // One hole per window: the newest place.
    m_holes.removeIf([&](const std::shared_ptr<Hole>& hole) { return hole->window == window; });
    if (!rect.intersects(QRectF(0, 0, m_geometry.width, m_geometry.height))) {
        changed();
        return;
    }
    auto hole = std::make_shared<Hole>(Hole{window, rect, Transition(0)});
    m_holes.append(hole);
    changed();
    runtime.after(kHoleOpen, [weak = weak_from_this(), hole = std::weak_ptr<Hole>(hole)] {
        if (auto self = weak.lock())
            self->closeHole(hole);
    });
}

void KeyboardOverlay::closeHole(const std::weak_ptr<Hole>& weakHole) {
    const auto hole = weakHole.lock();
    if (!hole || !m_holes.contains(hole))
        return;
    hole->closed.retarget(1, m_services.uptime(), kHoleClose, Transition::Curve::easeInOut);
    changed();
    m_services.runtime().after(kHoleClose, [weak = weak_from_this(), weakHole] {
        if (auto self = weak.lock())
            self->removeHole(weakHole);
    });
}

void KeyboardOverlay::removeHole(const std::weak_ptr<Hole>& weakHole) {
    const auto hole = weakHole.lock();
    if (!hole || !m_holes.removeOne(hole))
        return;
    changed();
}

void KeyboardOverlay::dropContent() {
    delete m_content;
    m_content = nullptr;
    m_faceDirty = true;
}

double KeyboardOverlay::opacity() const {
    return m_opacity.valueAt(m_services.uptime());
}

bool KeyboardOverlay::isFading() const {
    const double now = m_services.uptime();
    return m_opacity.isRunning(now) || std::any_of(m_holes.begin(), m_holes.end(),
                                                   [now](const auto& h) { return h->closed.isRunning(now); });
}

void KeyboardOverlay::changed() {
    if (!m_panel)
        return;
    if (!m_translucent)
        m_panel->setMask(opaqueShape());
    m_panel->update();
    // Frames while something fades; the last one draws where it ended.
    const bool wanted = isFading();
    if (wanted && !m_frames) {
        m_frames = m_services.runtime().every(kFrameInterval, 0, [weak = weak_from_this()] {
            if (auto self = weak.lock())
                self->changed();
        });
    } else if (!wanted && m_frames) {
        m_frames->cancel();
        m_frames.reset();
    }
}

QRegion KeyboardOverlay::opaqueShape() const {
    const QRectF bounds(0, 0, m_geometry.width, m_geometry.height);
    QRegion shape = regionOf(RoundedRect{bounds, kCornerRadius, CornerStyle::Circular}.path());
    const double now = m_services.uptime();
    for (const auto& hole : m_holes) {
        if (hole->closed.valueAt(now) < 0.5)
            shape -= regionOf(holePath(hole->rect));
    }
    return shape;
}

const QImage& KeyboardOverlay::face() {
    const Scheme scheme = m_services.scheme();
    const qreal ratio = m_panel ? m_panel->devicePixelRatioF() : 1.0;
    const QSize pixels = (QSizeF(m_windowFrame.size()) * ratio).toSize();
    if (!m_faceDirty && m_face.size() == pixels && m_face.devicePixelRatio() == ratio &&
        m_faceScheme == scheme && m_faceTranslucent == m_translucent)
        return m_face;
    m_faceDirty = false;
    m_faceScheme = scheme;
    m_faceTranslucent = m_translucent;
    m_face = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
    m_face.setDevicePixelRatio(ratio);
    m_face.fill(Qt::transparent);
    QPainter painter(&m_face);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const QRectF bounds(0, 0, m_geometry.width, m_geometry.height);
    // No blur behind windows on this desktop: a translucent fill stands in for it.
    RoundedRect{bounds, kCornerRadius, CornerStyle::Circular}.fill(
        painter, Theme::background.resolve(scheme, m_translucent ? kBackingOpacity : 1.0));
    if (m_content && m_scene)
        m_scene->render(&painter, bounds, bounds);
    return m_face;
}

void KeyboardOverlay::paint(QPainter& p) {
    const QImage& image = face();
    p.save();
    if (m_translucent) {
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.fillRect(QRect(QPoint(), m_windowFrame.size()), Qt::transparent);
        p.setCompositionMode(QPainter::CompositionMode_SourceOver);
        p.setOpacity(opacity());
        p.drawImage(QPointF(), image);
        // A hole takes away what lies under it, as far as it is open.
        p.setRenderHint(QPainter::Antialiasing);
        p.setCompositionMode(QPainter::CompositionMode_DestinationOut);
        const double now = m_services.uptime();
        for (const auto& hole : m_holes) {
            const double open = 1 - hole->closed.valueAt(now);
            if (open <= 0)
                continue;
            p.setOpacity(open);
            p.fillPath(holePath(hole->rect), Qt::black);
        }
    } else {
        p.drawImage(QPointF(), image);
    }
    p.restore();
}

} // namespace tilewick
