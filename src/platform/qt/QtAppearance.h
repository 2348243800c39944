#pragma once

#include "platform/Appearance.h"

namespace platform::qt {

// The desktop's scheme as Qt sees it: the style hints' colour scheme where Qt reports one,
// else the lightness of the application palette's window colour. A change of the application
// palette (the platform theme switching) or of the colour scheme is announced. Made after the
// application object.
class QtAppearance final : public Appearance {
    Q_OBJECT
public:
    QtAppearance();

protected:
    Scheme systemScheme() const override;
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace platform::qt
