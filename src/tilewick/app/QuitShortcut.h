#pragma once

#include <QObject>

#include <functional>

namespace tilewick {

// Ctrl+Q quits from every window of the program: the main window, the manual, About and
// changelog, the kit's windows and sheets, an open alert and the tray menu. A menu's shortcut
// reaches only the window that holds the menu and nothing while a modal alert waits or a pop-up
// menu has the keyboard, so the key is taken where every key event of the program passes first.
// While `passes` says so (a hotkey being recorded takes every key) the key goes on as any other.
class QuitShortcut final : public QObject {
public:
    QuitShortcut(std::function<bool()> passes, std::function<void()> quit, QObject* parent = nullptr);
    ~QuitShortcut() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<bool()> m_passes;
    std::function<void()> m_quit;
};

} // namespace tilewick
