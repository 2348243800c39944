#include "PagePalette.h"

#include <QPalette>
#include <QWidget>

namespace tilewick {

void applyPagePalette(QWidget& widget, Scheme scheme) {
    QPalette palette = widget.palette();
    palette.setColor(QPalette::Window, Theme::background.resolve(scheme));
    palette.setColor(QPalette::Base, Theme::background.resolve(scheme));
    palette.setColor(QPalette::Button, Theme::border.resolve(scheme));
    palette.setColor(QPalette::ButtonText, Theme::textSecondary.resolve(scheme));
    palette.setColor(QPalette::WindowText, Theme::text.resolve(scheme));
    widget.setPalette(palette);
}

} // namespace tilewick
