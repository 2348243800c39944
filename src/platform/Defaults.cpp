#include "Defaults.h"

#include <cstring>

namespace platform {

bool Defaults::sameValue(const DefaultsValue& a, const DefaultsValue& b) {
    if (std::holds_alternative<double>(a) && std::holds_alternative<double>(b)) {
        const double x = std::get<double>(a);
        const double y = std::get<double>(b);
        return std::memcmp(&x, &y, sizeof x) == 0 || (x != x && y != y);
    }
    return a == b;
}

} // namespace platform
