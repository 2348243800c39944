#pragma once

#include "CVPrimaryButtonStyle.h"
#include "CVSecondaryButtonStyle.h"
#include "ViewServices.h"

#include "platform/drawing/StyledButton.h"

namespace tilewick {

// A push button drawn in one of the program's two button styles, in the scheme of the view
// services.
class CVButton : public platform::StyledButton<CVPrimaryButtonStyle, CVSecondaryButtonStyle> {
    Q_OBJECT
public:
    CVButton(Style style, ButtonLabel label, ViewServices services, QWidget* parent = nullptr);
};

} // namespace tilewick
