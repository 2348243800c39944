#pragma once

#include "platform/TrayColors.h"

namespace platform::sim {

// A tray whose colour the test sets; none until told otherwise.
class SimTrayColors final : public TrayColors {
public:
    void setIconColor(std::optional<QColor> color) {
        if (color == m_color)
            return;
        m_color = color;
        emit changed();
    }
    std::optional<QColor> iconColor() const override { return m_color; }

private:
    std::optional<QColor> m_color;
};

} // namespace platform::sim
