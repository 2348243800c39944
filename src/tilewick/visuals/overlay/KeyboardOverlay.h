#pragma once

#include "tilewick/store/StoreHooks.h"
#include "tilewick/visuals/Motion.h"
#include "tilewick/visuals/ViewServices.h"

#include "platform/Accessibility.h"
#include "platform/Runtime.h"

#include <QImage>
#include <QList>
#include <QPointer>
#include <QRect>
#include <QRectF>

#include <atomic>
#include <memory>
#include <optional>

class QGraphicsScene;
class QPainter;
class QWidget;

namespace platform {
class FloatingPanel;
class Keyboard;
class Screens;
} // namespace platform

namespace tilewick {

class OverlayKeyboard;
class TilewickStore;

// Where the floating keyboard goes on a screen. The frame is in screen coordinates (origin at the
// bottom-left corner of the primary screen, y up), like the screen's.
struct OverlayGeometry {
    // The panel's width and height; height is not rounded.
    qreal width = 0;
    qreal height = 0;
    // The drawn keyboard's width inside the panel.
    qreal keyboardWidth = 0;
    QRectF frame;

    // 90 % of the screen's width or 101.25 % of its height, whichever is less, each rounded, and at
    // most 1350; centred, its middle a quarter of the screen's height above the bottom edge. A
    // screen too small for a keyboard gives zero sizes, never negative ones. All in points: on a
    // scaled screen, its size in device pixels divided by the scale.
    static OverlayGeometry forScreen(const QRectF& screenFrame);
};

// What the floating keyboard needs of the desktop besides its view services.
struct OverlayServices {
    // The primary screen (the origin of top-left coordinates) and whether there are screens.
    std::shared_ptr<const platform::Screens> screens;
    // Whether to draw the ISO keyboard, asked at each show.
    std::shared_ptr<const platform::Keyboard> keyboard;
    // Makes the panel's window float and let clicks through, and says whether it can be
    // translucent. It outlives the overlay.
    platform::FloatingPanel& floating;
};

// The floating keyboard: one panel over everything near the bottom of a screen, showing every
// hotkey while the user holds the modifiers in another application. It never takes the focus and
// lets every click through. When a window moves while it shows, a rounded hole opens where the
// window now lies, stays open for 0.5 s and fades shut over another 0.5 s.
//
// The store shows and hides it and tells it which store to draw; the window mover asks whether it
// is visible and punches holes, from worker queues too: isVisible() is atomic and punchHole() hops
// to the main thread. Everything else runs on the main thread, and making the object touches no
// window: the panel is made by the first show and kept afterwards. Fades run on the uptime clock,
// which wall-clock changes cannot stall. It must be owned by a std::shared_ptr (its later steps
// hold it weakly). Without a compositor the panel
// is drawn opaque and its corners and holes are cut out of the window's shape (said once in the
// activity log as "overlay.opaque").
class KeyboardOverlay final : public KeyboardOverlayHook,
                              public std::enable_shared_from_this<KeyboardOverlay> {
public:
    static constexpr qreal kPad = 18;
    static constexpr qreal kCornerRadius = 18;
    static constexpr qreal kHoleRadius = 16;
    // The backing stands in for the desktop's blur: a translucent fill.
    static constexpr double kBackingOpacity = 0.8;
    static constexpr double kFadeIn = 0.1;
    static constexpr double kFadeOut = 0.14;
    // A hole stays fully open this long, then fades shut over kHoleClose.
    static constexpr double kHoleOpen = 0.5;
    static constexpr double kHoleClose = 0.5;
    static constexpr double kFrameInterval = 1.0 / 60;

    // One open hole; holes are found again by identity.
    struct Hole {
        platform::AXElement window;
        // In the panel's own coordinates (top-left origin, y down).
        QRectF rect;
        // How far the hole has closed: 0 fully open, 1 shut.
        Transition closed;
    };

    KeyboardOverlay(ViewServices services, OverlayServices desktop);
    ~KeyboardOverlay() override;
    KeyboardOverlay(const KeyboardOverlay&) = delete;
    KeyboardOverlay& operator=(const KeyboardOverlay&) = delete;

    void attach(TilewickStore& store) override;
    // Builds or reuses the panel with a fresh keyboard for the screen and fades it in unless it
    // shows already (then it only moves there). No screen, or no store to draw: nothing.
    void show(const std::optional<platform::ScreenInfo>& screen) override;
    // Fades the panel out; once the fade has ended without a show since, the panel leaves the screen
    // and drops its keyboard.
    void hide() override;
    bool isVisible() const override { return m_visible.load(); }
    // Opens a hole over `window`, whose frame is in top-left coordinates, replacing an earlier hole
    // of the same window; a frame off the panel only closes that earlier hole.
    void punchHole(const platform::AXElement& window, const QRectF& frame) override;

    // --- What shows (main thread) ---

    // The panel window; null before the first show.
    QWidget* panel() const;
    // The keyboard in the panel; null while hidden.
    OverlayKeyboard* content() const { return m_content; }
    const OverlayGeometry& geometry() const { return m_geometry; }
    // The panel window's frame in top-left coordinates and Qt's points (device pixels divided by
    // the screen's scale, from the screen's top-left corner): the geometry's frame, its corner on
    // whole points.
    QRect windowFrame() const { return m_windowFrame; }
    const QList<std::shared_ptr<Hole>>& holes() const { return m_holes; }
    // The panel's opacity now, as it fades.
    double opacity() const;
    // Drawn translucent, as a compositor shows it; false: opaque.
    bool translucent() const { return m_translucent; }
    // Something fades now (the panel or a hole), so frames are drawn.
    bool isFading() const;
    // The window's shape while drawn opaque: the rounded panel without the holes more open than shut.
    QRegion opaqueShape() const;
    // Draws the panel as it looks now, its top-left corner at the painter's origin.
    void paint(QPainter& painter);

private:
    class Panel;

    void makePanel();
    void clearHoles();
    void closeHole(const std::weak_ptr<Hole>& hole);
    void removeHole(const std::weak_ptr<Hole>& hole);
    void changed();
    void tick();
    void dropContent();
    const QImage& face();

    ViewServices m_services;
    OverlayServices m_desktop;
    QPointer<TilewickStore> m_store;
    std::atomic<bool> m_visible{false};

    QPointer<Panel> m_panel;
    std::unique_ptr<QGraphicsScene> m_scene;
    OverlayKeyboard* m_content = nullptr;
    OverlayGeometry m_geometry;
    QRect m_windowFrame;
    // The scale of the panel's screen and that screen's top-left corner, where points and device
    // pixels meet.
    qreal m_scale = 1;
    QPointF m_origin;
    bool m_translucent = true;
    bool m_saidOpaque = false;
    Transition m_opacity;
    QList<std::shared_ptr<Hole>> m_holes;
    platform::WorkItemRef m_hideDone;
    platform::RepeatingTimerRef m_frames;

    // The backing and the keyboard, drawn again only when the keyboard changes.
    QImage m_face;
    bool m_faceDirty = true;
    Scheme m_faceScheme = Scheme::Light;
    bool m_faceTranslucent = true;
};

} // namespace tilewick
