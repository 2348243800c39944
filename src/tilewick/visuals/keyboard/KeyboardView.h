#pragma once

#include "KeyCap.h"
#include "KeyCapContext.h"
#include "KeyboardEnvironment.h"
#include "KeyboardGeometry.h"

#include "tilewick/visuals/Motion.h"
#include "tilewick/visuals/ViewServices.h"

#include "platform/Runtime.h"

#include <QGraphicsObject>
#include <QList>

#include <functional>
#include <limits>
#include <map>
#include <optional>

namespace tilewick {

class HoverTipState;
class KeyCapItem;
class TilewickStore;

// The whole keyboard with every hotkey on its key, as a Graphics View item: five rows of key
// caps and the arrow cluster, the product mark or the unsupported-app line on the space bar of
// the floating keyboard, the line under the space bar while the modifiers are held, and the
// multi-mode banner over the space bar. It fills the width it is given and is
// metrics().naturalHeight() high; glows and the banner line reach up to 16 points outside it
// (44 below).
//
// It only reads the store; everything it changes goes through its key caps. Animations run on
// the timers and clock of the view services it is given, only while the store says a keyboard is
// on screen and the desktop does not ask for less motion. Its caps report hovering to `tips`.
class KeyboardView final : public QGraphicsObject, public KeyCapContext {
    Q_OBJECT

public:
    // Whether the keyboard is an ISO one (else ANSI): asked afresh at each refresh, so a layout
    // switched while the program runs redraws the keys at the next one.
    using IsoTest = std::function<bool()>;

    KeyboardView(TilewickStore& store, ViewServices services, HoverTipState& tips, IsoTest iso, qreal gap,
                 KeyboardEnvironment environment = {}, QGraphicsItem* parent = nullptr);
    ~KeyboardView() override;

    // The pulse is capped at 10 frames a second, the banner at 30. Pulses alone take a frame
    // every 0.3 s: on X11 each frame costs the program three or four wake-ups, and a swell of
    // 2.8 s still reads as one in nine steps. While a faster animation wakes the keyboard
    // anyway, the pulses follow it up to their cap.
    static constexpr double kPulseFrame = 0.1;
    static constexpr double kPulseAloneFrame = 0.3;
    static constexpr double kBannerFrame = 1.0 / 30;
    static constexpr double kFade = 0.15;
    // How long the keys held wait to be drawn: a hotkey typed as one chord moves its window
    // before the keyboard is drawn again for its modifiers, which would hold up the move.
    static constexpr double kHeldKeysDelay = 1.0 / 30;

    void setWidth(qreal width);
    const KeyboardMetrics& metrics() const { return m_metrics; }
    void setEnvironment(KeyboardEnvironment environment);
    const KeyboardEnvironment& environment() const override { return m_environment; }
    void setTipState(HoverTipState& state) { m_tips = &state; }
    HoverTipState& tipState() const override { return *m_tips; }
    // Where the tip root lies for a host whose scene is not the root (the main window's page
    // area, scaled inside the window): maps scene points into the root. Identity by default.
    void setTipRoot(std::function<QPointF(QPointF)> toRoot) { m_tipRoot = std::move(toRoot); }
    QPointF tipPoint(QPointF scenePos) const override { return m_tipRoot ? m_tipRoot(scenePos) : scenePos; }
    TilewickStore& store() const override { return m_store; }
    const ViewServices& services() const override { return m_services; }

    // Key code → the action drawn on it, with the store's modifiers. Where several actions share
    // a key, one of the current tab beats the others; otherwise the first in declaration order.
    static std::map<quint16, KeyBinding> bindingsByKey(const TilewickStore& store);
    // The line under the space bar; none when there is nothing to say.
    static std::optional<QString> bannerText(const TilewickStore& store, bool branded, bool picking);
    // The multi-mode banner lies over the space bar.
    static bool showsMultiMode(const TilewickStore& store, const KeyboardEnvironment& environment);
    // The space bar's line on the floating keyboard when the front app cannot fill a layout.
    static QString unsupportedText(const QString& appName);

    std::optional<QString> bannerText() const;
    QList<KeyCapItem*> keyCaps() const { return m_caps; }
    // The first cap of a key code; null when none.
    KeyCapItem* keyCap(quint16 code) const;

    // Animations may run now: the store's animating flag is set and motion is not reduced.
    bool animates() const override;
    // The time animations draw at: the render time when fixed, else the clock's.
    double animationTime() const override;
    // Redraws what the clock moves: pulses, the banner, lifts, blinks and fades.
    void tick() override;

    QRectF boundingRect() const override;
    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;

private:
    class Decoration;

    void relayout();
    void refresh();
    // Held keys change with every modifier pressed or let go; their redraw waits kHeldKeysDelay,
    // and the changes meanwhile make one redraw.
    void refreshLater();
    void refreshDecorations();
    // The interval the keyboard's animations need frames at; 0 when nothing moves.
    double frameInterval() const;
    void scheduleFrames();
    void paintLabels(QPainter& painter) const;
    void paintMultiMode(QPainter& painter) const;

    // What the layers over the keys show, apart from a running fade (drawn by tick()). They cover
    // the whole keyboard, so they are drawn again only when this changes: a refresh that leaves
    // them as they are repaints only the caps it changed.
    struct DecorationState {
        std::optional<QString> banner;
        double bannerTarget = 0;
        double multiModeTarget = 0;
        bool animates = false;
        bool multiWindow = false;
        std::optional<QString> unsupported;
        Scheme scheme = Scheme::Light;
        bool branded = false;
        std::optional<double> renderTime;
        friend bool operator==(const DecorationState&, const DecorationState&) = default;
    };

    TilewickStore& m_store;
    ViewServices m_services;
    IsoTest m_isoTest;
    bool m_iso;
    qreal m_gap;
    KeyboardEnvironment m_environment;
    HoverTipState* m_tips;
    std::function<QPointF(QPointF)> m_tipRoot;
    KeyboardMetrics m_metrics;
    QList<KeyPlacement> m_placements;
    QList<KeyCapItem*> m_caps;
    Decoration* m_labels = nullptr;
    Decoration* m_multiMode = nullptr;
    std::optional<QString> m_banner;
    Transition m_bannerFade;
    Transition m_multiModeFade;
    platform::RepeatingTimerRef m_frames;
    double m_frameInterval = 0;
    double m_lastPulseFrame = -std::numeric_limits<double>::infinity();
    bool m_refreshPending = false;
    // None: drawn afresh at the next refresh (new rows of keys).
    std::optional<DecorationState> m_decorationState;
};

} // namespace tilewick
