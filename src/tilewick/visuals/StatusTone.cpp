#include "StatusTone.h"

namespace tilewick {

ThemeColor statusToneForeground(StatusTone tone) {
    switch (tone) {
    case StatusTone::good:
        return Theme::good;
    case StatusTone::warn:
        return Theme::warn;
    case StatusTone::danger:
        return Theme::danger;
    case StatusTone::accent:
        return Theme::accent;
    case StatusTone::neutral:
        break;
    }
    return Theme::textSecondary;
}

ThemeColor statusToneFill(StatusTone tone) {
    switch (tone) {
    case StatusTone::good:
        return Theme::goodSoft;
    case StatusTone::warn:
        return Theme::warnSoft;
    case StatusTone::danger:
        return Theme::dangerSoft;
    case StatusTone::accent:
        return Theme::accentSoft;
    case StatusTone::neutral:
        break;
    }
    return Theme::raised;
}

QColor statusToneTint(StatusTone tone, Scheme scheme) {
    if (tone == StatusTone::neutral)
        return Theme::border.resolve(scheme);
    return statusToneForeground(tone).resolve(scheme, 0.55);
}

} // namespace tilewick
