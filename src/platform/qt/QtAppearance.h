#pragma once

#include "platform/Appearance.h"

namespace platform::qt {

// The desktop's scheme as Qt sees it: the style hints' colour scheme where Qt reports one,
// else the lightness of the application palette's window colour.
class QtAppearance final : public Appearance {
protected:
    Scheme systemScheme() const override;
};

} // namespace platform::qt
