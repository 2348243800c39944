#include "SelfTests.h"

#include "BetaActivity.h"
#include "QtShellEvents.h"
#include "ToolSession.h"

#include "platform/Platform.h"
#include "platform/Workspace.h"
#include "tilewick/mainwindow/appsnaps/AppSnapsPage.h"
#include "tilewick/mainwindow/appsnaps/PickerBoxView.h"
#include "tilewick/store/SettingsKeys.h"
#include "tilewick/store/TilewickStore.h"

#include <QApplication>
#include <QEventLoop>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>

namespace tilewick {

namespace {

using namespace Qt::StringLiterals;

// The picker test's window content, in points.
constexpr QSize kPickerWindow(960, 420);
// One wait of the picker test.
constexpr double kWait = 0.3;
// What the picker test types after each click, one key at a time.
constexpr QStringView kTyped = u"dic";

// Lets the main loop deliver timers, queued work and posted events for `seconds` on the runtime's
// clock.
void runMainLoop(platform::Runtime& runtime, double seconds) {
    QEventLoop loop;
    const platform::WorkItemRef stop = runtime.after(seconds, [&loop] { loop.quit(); });
    loop.exec();
}

QString trueOrFalse(bool value) {
    return value ? u"true"_s : u"false"_s;
}

// The class name without its namespace.
QString bareClassName(const QObject& object) {
    const QString name = QString::fromLatin1(object.metaObject()->className());
    return name.mid(name.lastIndexOf(u':') + 1);
}

// The first widget of type T in `root` and below, a widget before its children, the children in
// their order.
template <typename T> T* findFirst(QWidget& root) {
    if (auto* found = qobject_cast<T*>(&root))
        return found;
    for (QObject* child : root.children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        if (!widget)
            continue;
        if (T* found = findFirst<T>(*widget))
            return found;
    }
    return nullptr;
}

// A point of the picker box where the test clicks.
struct Probe {
    QString name;
    QPoint point;
};

QList<Probe> probesOf(const QRect& bounds) {
    const int middleY = bounds.height() / 2;
    return {{u"magnifying glass"_s, {16, middleY}},
            {u"chevron"_s, {bounds.x() + bounds.width() - 14, middleY}},
            {u"field"_s, {bounds.width() / 2, middleY}}};
}

// The Default App Snaps page in a window of its own that is never put on screen: its widgets
// count as shown (the picker steers the keyboard only into a field that is), and the window never
// becomes the active one.
class PickerWindow {
public:
    PickerWindow(ToolSession& session)
        : m_runtime(session.platform().runtime()), m_icons(AppSnapsPageItem::iconsFor(session.store())),
          m_window(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
          m_host(new QWidget(&m_window)) {
        m_window.setAttribute(Qt::WA_DontShowOnScreen);
        m_window.resize(kPickerWindow);
        m_host->setGeometry(m_window.rect());
        auto* page = new AppSnapsPage(AppSnapsContext{session.store(), session.view(), *m_icons}, m_host);
        page->move((m_host->width() - page->width()) / 2, (m_host->height() - page->height()) / 2);
        m_window.show();
    }

    QWidget& window() { return m_window; }
    QWidget& host() { return *m_host; }

    // The main loop runs for a while, then the page lays itself out at once.
    void wait() {
        runMainLoop(m_runtime, kWait);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    }

    // The widget a click at `windowPoint` reaches: the deepest one there that takes clicks, else
    // the page's host itself; none outside the host.
    QWidget* hitAt(QPoint windowPoint) const {
        const QPoint inHost = m_host->mapFrom(&m_window, windowPoint);
        if (!m_host->rect().contains(inHost))
            return nullptr;
        QWidget* child = m_host->childAt(inHost);
        return child ? child : m_host;
    }

    // A left click: the press is handed to the widget there, the release waits in the event
    // queue, where it ends whatever the press began.
    void click(QPoint windowPoint) {
        QWidget* hit = hitAt(windowPoint);
        if (!hit)
            return;
        const QPointF local = hit->mapFrom(&m_window, QPointF(windowPoint));
        const QPointF global = m_window.mapToGlobal(QPointF(windowPoint));
        const quint64 timestamp = quint64(m_runtime.clock().uptime() * 1000);
        auto* up = new QMouseEvent(QEvent::MouseButtonRelease, local, QPointF(windowPoint), global,
                                   Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        up->setTimestamp(timestamp);
        QCoreApplication::postEvent(hit, up);
        QMouseEvent down(QEvent::MouseButtonPress, local, QPointF(windowPoint), global, Qt::LeftButton,
                         Qt::LeftButton, Qt::NoModifier);
        down.setTimestamp(timestamp);
        // A click from the desktop first gives the keyboard focus to the widget under it, or
        // the nearest one above it, that takes focus by clicking; Qt does so only for events from
        // the window system, so the test does it itself.
        giveFocusOnClick(*hit, local.toPoint());
        QCoreApplication::sendEvent(hit, &down);
        wait();
    }

    // Each character as a key press, handed to the widget with the window's keyboard focus.
    void type(QStringView text) {
        for (const QChar character : text) {
            QKeyEvent key(QEvent::KeyPress, 0, Qt::NoModifier, QString(character));
            key.setTimestamp(quint64(m_runtime.clock().uptime() * 1000));
            if (QWidget* responder = m_window.focusWidget())
                QCoreApplication::sendEvent(responder, &key);
        }
    }

private:
    static void giveFocusOnClick(QWidget& hit, QPoint local) {
        for (QWidget* widget = &hit; widget; widget = widget->parentWidget()) {
            if (widget->isEnabled() && widget->rect().contains(local) &&
                (widget->focusPolicy() & Qt::ClickFocus) == Qt::ClickFocus) {
                widget->setFocus(Qt::MouseFocusReason);
                return;
            }
            if (widget->isWindow())
                return;
            local += widget->pos();
        }
    }

    platform::Runtime& m_runtime;
    std::shared_ptr<AppIcons> m_icons;
    QWidget m_window;
    QWidget* m_host;
};

} // namespace

namespace {

// The six lines of the probes, or "no picker box".
QString probePicker(ToolSession& session) {
    TilewickStore& store = session.store();
    PickerWindow picker(session);
    picker.wait();
    PickerBoxView* box = findFirst<PickerBoxView>(picker.host());
    if (!box)
        return u"no picker box"_s;
    QWidget& window = picker.window();
    QStringList lines;
    for (const Probe& probe : probesOf(box->rect())) {
        if (store.appPickerOpen()) {
            store.setAppPickerOpen(false);
            store.setAppPickerQuery(QString());
        }
        store.setAppPickerQuery(QString());
        // No field holds the keyboard.
        window.setFocus(Qt::OtherFocusReason);
        picker.wait();

        const QPoint windowPoint = box->mapTo(&window, probe.point);
        const QWidget* hit = picker.hitAt(windowPoint);
        lines << u"  %1 hits %2, key window %3"_s.arg(probe.name, hit ? bareClassName(*hit) : u"nothing"_s,
                                                      trueOrFalse(window.isActiveWindow()));
        picker.click(windowPoint);
        const bool cursorInField = window.focusWidget() == box->field();
        picker.type(kTyped);
        picker.wait();
        lines << u"%1: list open %2, cursor in field %3, typed \"%4\", query \"%5\""_s.arg(
            probe.name, trueOrFalse(store.appPickerOpen()), trueOrFalse(cursorInField), box->field()->text(),
            store.appPickerQuery());
    }
    return lines.join(u'\n');
}

} // namespace

void testPicker(ToolSession& session, const QString& path) {
    session.store().setTab(SnapTab::appSnaps);
    writeReport(probePicker(session), path);
    // The tab is the one setting the test leaves behind.
    session.keepSetting(QString::fromLatin1(keys::lastTab));
}

QString recordQuietChecks(BetaActivity& activity, platform::Runtime& runtime,
                          const std::function<void(double seconds)>& run) {
    const double start = runtime.clock().uptime();
    // Shared with the recorder, which may outlive this call.
    const auto times = std::make_shared<QStringList>();
    activity.betaCheckHook = [times, &runtime, start] {
        *times << QString::asprintf("%.1f s", runtime.clock().uptime() - start);
    };
    activity.inFrontOverride = true;
    activity.startBetaActivityObservers();
    run(kUpdateTimerRun);
    return u"checks at: "_s + times->join(u", "_s);
}

void testUpdateTimer(ToolSession& session, const QString& path) {
    platform::Runtime& runtime = session.platform().runtime();
    QtShellEvents events(session.platform().service<platform::Workspace>());
    // No main window exists while a tool runs; the override answers for it.
    const BetaActivity::Queries noMainWindow{[] { return false; }, [] { return false; }};
    BetaActivity activity(events, runtime, noMainWindow, nullptr);
    const QString report =
        recordQuietChecks(activity, runtime, [&runtime](double seconds) { runMainLoop(runtime, seconds); });
    writeReport(report, path);
}

} // namespace tilewick
