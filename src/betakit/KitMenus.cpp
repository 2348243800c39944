#include "KitMenus.h"

#include "VeldorBeta.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace betakit {

namespace {

constexpr const char* kTargetProperty = "betakit.menuTarget";
constexpr const char* kActionProperty = "betakit.menuAction";

QAction* makeItem(const QString& title, const char* action, void (MenuTarget::*slot)(), QObject* parent) {
    auto* item = new QAction(title, parent);
    item->setShortcut({});
    item->setProperty(kTargetProperty, QVariant::fromValue<QObject*>(&MenuTarget::shared()));
    item->setProperty(kActionProperty, QString::fromLatin1(action));
    QObject::connect(item, &QAction::triggered, &MenuTarget::shared(), slot);
    return item;
}

// The submenu of a menu-bar item, or none.
QMenu* submenuOf(QAction* item) {
    return item ? item->menu() : nullptr;
}

} // namespace

MenuTarget& MenuTarget::shared() {
    // Made once, on first use (thread-safe), and never destroyed: items may outlive any owner.
    static MenuTarget* target = new MenuTarget;
    return *target;
}

const MenuTarget* MenuTarget::targetOf(const QAction& item) {
    return qobject_cast<const MenuTarget*>(item.property(kTargetProperty).value<QObject*>());
}

QString MenuTarget::actionOf(const QAction& item) {
    return item.property(kActionProperty).toString();
}

void MenuTarget::open() {
    VeldorBeta::showFeedback(BetaFeedback::Kind::Problem, false);
}

void MenuTarget::checkForUpdate() {
    VeldorBeta::checkForUpdate();
}

QAction* KitMenus::makeMenuItem(QObject* parent) {
    return makeItem(QStringLiteral("Send Beta Feedback\u2026"), MenuTarget::kOpen, &MenuTarget::open, parent);
}

QAction* KitMenus::makeUpdateMenuItem(QObject* parent) {
    return makeItem(QStringLiteral("Check for Beta Update\u2026"), MenuTarget::kCheckForUpdate,
                    &MenuTarget::checkForUpdate, parent);
}

void KitMenus::addToHelpMenu(QMenuBar& mainMenu) {
    QMenu* help = nullptr;
    for (QAction* item : mainMenu.actions()) {
        if (item->text() == QLatin1String("Help")) {
            help = submenuOf(item);
            break;
        }
    }
    if (!help)
        return;
    for (QAction* item : help->actions())
        if (MenuTarget::targetOf(*item) == &MenuTarget::shared())
            return;
    if (!help->actions().isEmpty())
        help->addSeparator();
    help->addAction(makeMenuItem(help));
}

void KitMenus::addUpdateItemToAppMenu(QMenuBar& mainMenu) {
    const QList<QAction*> menus = mainMenu.actions();
    QMenu* app = menus.isEmpty() ? nullptr : submenuOf(menus.first());
    if (!app)
        return;
    const QList<QAction*> items = app->actions();
    for (QAction* item : items)
        if (MenuTarget::actionOf(*item) == QLatin1String(MenuTarget::kCheckForUpdate))
            return;
    QAction* before = items.isEmpty() ? nullptr : items.first();
    for (qsizetype i = 0; i < items.size(); ++i) {
        if (items[i]->text().startsWith(QLatin1String("About"))) {
            before = i + 1 < items.size() ? items[i + 1] : nullptr;
            break;
        }
    }
    app->insertAction(before, makeUpdateMenuItem(app));
}

void BetaFeedbackCommands::addTo(QMenu& helpMenu) const {
    QAction* item = helpMenu.addAction(QStringLiteral("Send Beta Feedback\u2026"));
    QObject::connect(item, &QAction::triggered,
                     [] { VeldorBeta::showFeedback(BetaFeedback::Kind::Problem, false); });
}

} // namespace betakit
