#pragma once

#include "tilewick/visuals/ViewServices.h"

#include <QUrl>

#include <functional>

namespace tilewick {

// Hands a link that leaves the program to the desktop (its default browser or mail program);
// false when it could not be handed over. The program passes the platform's launcher, which
// runs xdg-open without a shell; tests record the links.
using UrlOpener = std::function<bool(const QUrl&)>;

// What the manual, changelog and About panels draw with and hand links to.
struct PanelServices {
    ViewServices view;
    UrlOpener openUrl;
};

} // namespace tilewick
