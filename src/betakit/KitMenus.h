#pragma once

#include <QObject>

class QAction;
class QMenu;
class QMenuBar;

namespace betakit {

// The one object every kit menu item sends its action to, made on first use and kept for the
// life of the process. Main thread.
class MenuTarget final : public QObject {
    Q_OBJECT

public:
    // The names of the two actions, as the items carry them.
    static constexpr const char* kOpen = "open:";
    static constexpr const char* kCheckForUpdate = "checkForUpdate:";

    static MenuTarget& shared();

    // The item's target and action, when it is a kit item; null and empty otherwise.
    static const MenuTarget* targetOf(const QAction& item);
    static QString actionOf(const QAction& item);

public slots:
    // Opens the feedback form on a fresh problem report once the kit is started.
    void open();
    // The update check on request.
    void checkForUpdate();

private:
    MenuTarget() = default;
};

// The kit's ready menu items for a host with a menu bar, and their placing, which never adds an
// item twice. The Help menu is the menu-bar menu titled exactly "Help"; the application menu is
// the first one.
class KitMenus {
public:
    KitMenus() = delete;

    // "Send Beta Feedback…", no shortcut, sending open: to the shared target.
    static QAction* makeMenuItem(QObject* parent = nullptr);
    // "Check for Beta Update…", no shortcut, sending checkForUpdate: to the shared target.
    static QAction* makeUpdateMenuItem(QObject* parent = nullptr);
    // Appends a feedback item to the Help menu (after a separator when the menu has items),
    // unless an item of that menu already goes to the shared target.
    static void addToHelpMenu(QMenuBar& mainMenu);
    // Puts an update item after the application menu's first "About…" item (at its top without
    // one), unless an item of that menu already has the action checkForUpdate:.
    static void addUpdateItemToAppMenu(QMenuBar& mainMenu);
};

// The command set a host places in its Help menu, after the program's own help items: one item
// "Send Beta Feedback…" without a shortcut that opens the feedback form.
class BetaFeedbackCommands {
public:
    void addTo(QMenu& helpMenu) const;
};

} // namespace betakit
