#pragma once

#include <QObject>
#include <QPointF>
#include <QSizeF>
#include <QString>

namespace tilewick {

// A left-button press in one of the program's windows.
struct MouseDown {
    // The identifier of the window it landed in ("main"); empty for other windows.
    QString window;
    // In the window content's coordinates, top left, y downwards.
    QPointF point;
    // The content's size; empty without a window or content.
    QSizeF contentSize;
};

// The notifications the application delegate observes, from whichever source the desktop has
// (QtShellEvents on the desktop; tests emit them). Window identifiers are the windows' own
// ("main"); notifications about other windows carry an empty identifier.
class ShellEvents : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

signals:
    void windowDidBecomeKey();
    void windowDidResignKey();
    void applicationDidBecomeActive();
    void applicationDidResignActive();
    void applicationDidHide();
    void applicationDidUnhide();
    void windowDidChangeOcclusionState();
    void windowWillClose(const QString& identifier);
    void windowDidMiniaturize();
    void windowDidDeminiaturize(const QString& identifier);
    // A left-button press in one of the program's windows, before the window sees it.
    void leftMouseDown(const tilewick::MouseDown& click);
};

} // namespace tilewick
