#include "WindowFit.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace platform {

QRect fitFrame(const QRect& frame, const QRect& area) {
    if (area.isEmpty())
        return frame;
    const QSize size = frame.size().boundedTo(area.size());
    const int x = std::clamp(frame.x(), area.left(), area.left() + area.width() - size.width());
    const int y = std::clamp(frame.y(), area.top(), area.top() + area.height() - size.height());
    return QRect(QPoint(x, y), size);
}

QRect fitClient(const QRect& client, const QMargins& decorations, const QRect& area) {
    const QRect frame = fitFrame(client.marginsAdded(decorations), area);
    QRect fitted = frame.marginsRemoved(decorations);
    fitted.setSize(fitted.size().expandedTo(QSize(1, 1)));
    return fitted;
}

QRect workAreaHolding(const QRect& frame, const QList<ScreenArea>& screens, const QRect& otherwise) {
    const QPoint middle = frame.center();
    for (const ScreenArea& screen : screens)
        if (screen.geometry.contains(middle))
            return screen.workArea;
    return otherwise;
}

QRect workAreaOf(const QWidget& window) {
    const QScreen* own = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
    QList<ScreenArea> screens;
    for (const QScreen* screen : QGuiApplication::screens())
        screens.append({screen->geometry(), screen->availableGeometry()});
    return workAreaHolding(window.frameGeometry(), screens, own ? own->availableGeometry() : QRect());
}

namespace {

QMargins decorationsOf(const QWidget& window) {
    const QRect frame = window.frameGeometry(), client = window.geometry();
    return QMargins(client.left() - frame.left(), client.top() - frame.top(), frame.right() - client.right(),
                    frame.bottom() - client.bottom());
}

// Qt places a top-level window by its frame and sizes its client. A window that nobody placed
// yet is only sized: the window manager places it inside the work area.
void fit(QWidget& window, bool placed) {
    if (window.isMaximized() || window.isFullScreen())
        return;
    const QMargins decorations = decorationsOf(window);
    const QRect fitted = fitClient(window.geometry(), decorations, workAreaOf(window));
    if (fitted.size() != window.size())
        window.resize(fitted.size());
    const QPoint frameAt = fitted.topLeft() - QPoint(decorations.left(), decorations.top());
    if (placed && frameAt != window.frameGeometry().topLeft())
        window.move(frameAt);
}

class FitWhenShown final : public QObject {
public:
    explicit FitWhenShown(QWidget& window) : QObject(&window), m_window(window) {
        window.installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != &m_window)
            return false;
        switch (event->type()) {
        case QEvent::Show:
            fit(m_window, m_window.testAttribute(Qt::WA_Moved));
            m_framed = !decorationsOf(m_window).isNull();
            break;
        case QEvent::Move:
        case QEvent::Resize:
            // The window manager's frame came after the window mapped: fit once more with it.
            if (!m_framed && m_window.isVisible() && !decorationsOf(m_window).isNull()) {
                m_framed = true;
                fit(m_window, true);
            }
            break;
        case QEvent::Hide:
            m_framed = true;
            break;
        default:
            break;
        }
        return false;
    }

private:
    QWidget& m_window;
    bool m_framed = true;
};

} // namespace

void fitWhenShown(QWidget& window) {
    new FitWhenShown(window);
}

} // namespace platform
