#include "AppDelegate.h"

#include "MainWindow.h"

#include "platform/Platform.h"
#include "platform/Runtime.h"
#include "platform/Screens.h"
#include "platform/Workspace.h"
#include "tilewick/model/Hotkey.h"
#include "tilewick/model/KeyboardMap.h"
#include "tilewick/store/TilewickStore.h"

#include <QPointer>

namespace tilewick {

namespace {

using platform::EventVerdict;
using platform::KeyEvent;

constexpr quint16 kEscapeKey = 53;
constexpr quint16 kLeftArrowKey = KeyboardMap::kLeftArrow;
constexpr quint16 kRightArrowKey = KeyboardMap::kRightArrow;
// Utilities already running are warned about once the launch is over.
constexpr double kConflictCheckDelay = 0.6;

bool isMainWindow(const QString& identifier) {
    return identifier == QLatin1String(MainWindow::kIdentifier);
}

} // namespace

AppDelegate::AppDelegate(TilewickStore& store, const platform::Platform& platform, AppServices services,
                         ShellEvents& events, Focus focus, QObject* parent)
    : QObject(parent), m_store(store), m_platform(platform), m_services(std::move(services)),
      m_events(events), m_focus(std::move(focus)) {}

void AppDelegate::willFinishLaunching() {
    if (!m_store.showInDock())
        m_store.setShowInDock(false); // its side effect sets the accessory policy
}

void AppDelegate::didFinishLaunching() {
    // Keys in the program's own windows.
    if (auto* monitors = m_platform.find<platform::LocalKeyMonitors>()) {
        QPointer<AppDelegate> self(this);
        m_keyMonitor = monitors->addKeyMonitor([self](const KeyEvent& event) {
            return self ? self->handleLocalKeyEvent(event) : EventVerdict::Pass;
        });
    }
    // Left clicks in the program's own windows.
    connect(&m_events, &ShellEvents::leftMouseDown, this, &AppDelegate::handleLocalMouseDown);
    observe();
}

void AppDelegate::startServices() {
    // The beta kit first: it gives the activity log its folder.
    if (m_services.startBetaKit)
        m_services.startBetaKit();
    m_store.applyPendingStartAtLogin();
    if (m_services.startAppSnaps)
        m_services.startAppSnaps();
    if (m_services.startBetaActivityObservers)
        m_services.startBetaActivityObservers();
    // Conflicting utilities are looked for once the start has settled.
    QPointer<TilewickStore> store(&m_store);
    m_platform.runtime().after(kConflictCheckDelay, [store] {
        if (store)
            store->refreshConflicts(true);
    });
}

void AppDelegate::observe() {
    const auto later = [this] { refreshAnimatingLater(); };
    connect(&m_events, &ShellEvents::windowDidBecomeKey, this,
            [this] { m_keySince = m_platform.clock().uptime(); });
    // Coming to the front ends the floating keyboard and rereads what may have changed meanwhile.
    connect(&m_events, &ShellEvents::applicationDidBecomeActive, this,
            [this] { m_store.applicationBecameActive(); });
    // Whether a keyboard is on screen to animate settles after these changes.
    connect(&m_events, &ShellEvents::applicationDidResignActive, this, later);
    connect(&m_events, &ShellEvents::applicationDidHide, this, later);
    connect(&m_events, &ShellEvents::applicationDidUnhide, this, later);
    connect(&m_events, &ShellEvents::windowDidChangeOcclusionState, this, later);
    connect(&m_events, &ShellEvents::windowWillClose, this, later);
    connect(&m_events, &ShellEvents::windowDidMiniaturize, this, later);
    connect(&m_events, &ShellEvents::windowDidDeminiaturize, this, later);
    connect(&m_events, &ShellEvents::windowDidDeminiaturize, this, [this](const QString& identifier) {
        if (isMainWindow(identifier))
            m_store.restoreMainWindowSize(false);
    });
    connect(&m_events, &ShellEvents::windowWillClose, this, [this](const QString& identifier) {
        if (isMainWindow(identifier))
            m_store.setWindowOpen(false);
    });
    auto& screens = m_platform.service<platform::Screens>();
    connect(&screens, &platform::Screens::screensChanged, this,
            [this, &screens] { m_store.setDisplayCount(screens.screens().size()); });
    // Keys held while leaving the front never come back up to us.
    connect(&m_events, &ShellEvents::applicationDidResignActive, this,
            [this] { m_store.applicationResignedActive(); });
}

void AppDelegate::refreshAnimatingLater() {
    QPointer<TilewickStore> store(&m_store);
    m_platform.runtime().async([store] {
        if (store)
            store->refreshAnimating();
    });
}

void AppDelegate::reopen() {
    m_store.showMainWindow();
}

EventVerdict AppDelegate::handleLocalKeyEvent(const KeyEvent& event) {
    m_store.trackKey(event);
    if (event.type != KeyEvent::Type::KeyDown)
        return EventVerdict::Pass;
    if (event.keyCode == kEscapeKey && m_store.editingModifiers()) {
        m_store.finishEditingModifiers();
        return EventVerdict::Swallow;
    }
    if ((event.flags & kHotkeyModifierMask) != 0)
        return EventVerdict::Pass;
    if (m_services.handleAppPickerKey && m_services.handleAppPickerKey(event.keyCode))
        return EventVerdict::Swallow;
    if (event.keyCode != kLeftArrowKey && event.keyCode != kRightArrowKey)
        return EventVerdict::Pass;
    // Arrows move the caret in a text field, and belong to a modal window or a recording.
    if (m_focus.textFieldFocused && m_focus.textFieldFocused())
        return EventVerdict::Pass;
    if (m_focus.modalWindowOpen && m_focus.modalWindowOpen())
        return EventVerdict::Pass;
    if (m_store.recording())
        return EventVerdict::Pass;
    m_store.stepTab(event.keyCode == kRightArrowKey ? 1 : -1);
    return EventVerdict::Swallow;
}

void AppDelegate::handleLocalMouseDown(const MouseDown& click) {
    // Title-bar clicks never reach the program on X11: the window manager draws the title bar.
    const QPointF point = click.point;
    const ClickFrames frames = m_clickFrames ? m_clickFrames->clickFrames() : ClickFrames{};
    if (m_store.editingModifiers() && !frames.modifierPanel.contains(point))
        m_store.finishEditingModifiers();
    const QRectF content(QPointF(0, 0), click.contentSize);
    if (m_store.appPickerOpen() && content.contains(point) && !frames.appPicker.contains(point) &&
        !frames.appPickerList.contains(point))
        m_store.closeAppPicker();
    // A card that has not reported yet cannot be missed.
    if (m_store.recording() && frames.recordingCard != QRectF() && !frames.recordingCard.contains(point))
        m_store.endRecording();
}

} // namespace tilewick
