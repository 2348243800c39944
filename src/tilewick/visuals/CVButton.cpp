#include "CVButton.h"

namespace tilewick {

CVButton::CVButton(Style style, ButtonLabel label, ViewServices services, QWidget* parent)
    : StyledButton(
          style, std::move(label), [services] { return services.scheme(); }, parent) {}

} // namespace tilewick
