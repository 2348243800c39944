#include "NewWindowMenu.h"

#include "AppWindows.h"

#include "platform/Runtime.h"

namespace tilewick {

namespace {

QString titleOf(platform::Accessibility& ax, const platform::AXElement& item) {
    return ax.stringAttribute(item, platform::AXAttribute::Title).value_or(QString());
}

bool isEnabled(platform::Accessibility& ax, const platform::AXElement& item) {
    return ax.boolAttribute(item, platform::AXAttribute::Enabled) == true;
}

} // namespace

bool isNewWindowTitle(const QString& title) {
    return title.startsWith(QLatin1String("New ")) &&
           title.contains(QLatin1String("window"), Qt::CaseInsensitive) &&
           !title.contains(QLatin1String("private"), Qt::CaseInsensitive) &&
           !title.contains(QLatin1String("incognito"), Qt::CaseInsensitive);
}

platform::AXElementList axChildren(platform::Accessibility& ax, const platform::AXElement& element) {
    return ax.elementsAttribute(element, platform::AXAttribute::Children).value_or(platform::AXElementList{});
}

std::optional<platform::AXElement> findNewWindowItem(platform::Accessibility& ax,
                                                     const platform::AXElement& app) {
    ax.setMessagingTimeout(app, kMenuSearchTimeout);
    const auto bar = ax.elementAttribute(app, platform::AXAttribute::MenuBar);
    if (!bar)
        return std::nullopt;

    std::optional<platform::AXElement> fallback;
    const auto menus = axChildren(ax, *bar);
    // The first menu is the application's own, which never opens documents or windows.
    for (qsizetype m = 1; m < menus.size(); ++m) {
        const auto menu = axChildren(ax, menus[m]);
        if (menu.isEmpty())
            continue;
        for (const auto& item : axChildren(ax, menu.first())) {
            const QString title = titleOf(ax, item);
            const auto children = axChildren(ax, item);
            if (children.isEmpty()) {
                if (isNewWindowTitle(title) && isEnabled(ax, item))
                    return item;
                if (!fallback && title == QLatin1String("New") &&
                    ax.stringAttribute(item, platform::AXAttribute::MenuItemCmdChar) == QLatin1String("N") &&
                    isEnabled(ax, item))
                    fallback = item;
                continue;
            }
            if (!title.startsWith(QLatin1String("New")))
                continue;
            for (const auto& sub : axChildren(ax, children.first())) {
                const QString subTitle = titleOf(ax, sub);
                if ((isNewWindowTitle(subTitle) || subTitle == QLatin1String("Window")) && isEnabled(ax, sub))
                    return sub;
            }
        }
    }
    return fallback;
}

std::optional<platform::AXElement> openNewWindow(platform::Accessibility& ax, platform::Runtime& runtime,
                                                 const platform::AXElement& app,
                                                 const platform::AXElement& item) {
    const auto before = appWindows(ax, app);
    if (ax.performAction(item, platform::AXAction::Press) != platform::AXError::Success)
        return std::nullopt;
    const auto& clock = runtime.clock();
    const double deadline = clock.uptime() + kNewWindowWait;
    while (clock.uptime() < deadline) {
        runtime.sleep(kNewWindowPoll);
        for (const auto& window : appWindows(ax, app))
            if (!before.contains(window))
                return window;
    }
    return std::nullopt;
}

} // namespace tilewick
