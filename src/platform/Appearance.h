#pragma once

#include <QObject>

#include <optional>

namespace platform {

// Light or dark: the appearance the program's views draw with.
//
// Views ask for it at draw time. What keeps a drawing made for one scheme (a cached face, a tray
// icon) listens to schemeChanged, which comes on the main thread each time the scheme views draw
// with changes: the desktop switched, or a scheme was forced or let go. Render tools and tests
// force one scheme.
class Appearance : public QObject {
    Q_OBJECT
public:
    enum class Scheme { Light, Dark };

    // The forced scheme when one is set, else the desktop's.
    Scheme scheme() const { return m_forced.value_or(systemScheme()); }
    bool isDark() const { return scheme() == Scheme::Dark; }

    // Draws with `scheme` whatever the desktop says; nullopt follows the desktop again.
    void force(std::optional<Scheme> scheme) {
        m_forced = scheme;
        announce();
    }
    std::optional<Scheme> forced() const { return m_forced; }

signals:
    void schemeChanged();

protected:
    // The desktop's own scheme.
    virtual Scheme systemScheme() const = 0;
    // A back-end calls this when the desktop's scheme may have changed; the signal comes only
    // when the scheme views draw with did.
    void announce() {
        const Scheme now = scheme();
        if (m_announced == now)
            return;
        // Nothing announced yet: a listener may have drawn with either scheme, so it hears it.
        m_announced = now;
        emit schemeChanged();
    }

private:
    std::optional<Scheme> m_forced;
    std::optional<Scheme> m_announced;
};

} // namespace platform
