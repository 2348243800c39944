#pragma once

#include <optional>

namespace platform {

// Light or dark: the appearance the program's views draw with.
//
// Views ask for it at draw time, so a change of the desktop's scheme repaints them with the
// other colours without any view observing it. Render tools and tests force one scheme.
class Appearance {
public:
    enum class Scheme { Light, Dark };

    virtual ~Appearance() = default;

    // The forced scheme when one is set, else the desktop's.
    Scheme scheme() const { return m_forced.value_or(systemScheme()); }
    bool isDark() const { return scheme() == Scheme::Dark; }

    // Draws with `scheme` whatever the desktop says; nullopt follows the desktop again.
    void force(std::optional<Scheme> scheme) { m_forced = scheme; }
    std::optional<Scheme> forced() const { return m_forced; }

protected:
    // The desktop's own scheme.
    virtual Scheme systemScheme() const = 0;

private:
    std::optional<Scheme> m_forced;
};

} // namespace platform
