#include "QtAppearance.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPalette>
#include <QStyleHints>

namespace platform::qt {

QtAppearance::QtAppearance() {
    if (!qApp)
        return;
    qApp->installEventFilter(this);
#if QT_VERSION >= QT_VERSION_CHECK(6, 5, 0)
    connect(QGuiApplication::styleHints(), &QStyleHints::colorSchemeChanged, this, [this] { announce(); });
#endif
}

bool QtAppearance::eventFilter(QObject* watched, QEvent* event) {
    if (watched == qApp && event->type() == QEvent::ApplicationPaletteChange)
        announce();
    return false;
}

Appearance::Scheme QtAppearance::systemScheme() const {
#if QT_VERSION >= QT_VERSION_CHECK(6, 5, 0)
    switch (QGuiApplication::styleHints()->colorScheme()) {
    case Qt::ColorScheme::Dark:
        return Scheme::Dark;
    case Qt::ColorScheme::Light:
        return Scheme::Light;
    default:
        break;
    }
#endif
    const QColor window = QGuiApplication::palette().color(QPalette::Window);
    return window.lightnessF() < 0.5 ? Scheme::Dark : Scheme::Light;
}

} // namespace platform::qt
