#pragma once

#include "X11Connection.h"
#include "platform/Keyboard.h"

#include <QString>
#include <QStringList>
#include <QStringView>

#include <memory>
#include <mutex>
#include <optional>
#include <utility>

namespace platform::x11 {

// The keyboard type from the XKB model the X server was given (the model of _XKB_RULES_NAMES on
// the root window: rules, model, layout, variant, options). The PC models of the ISO keyboards,
// pc102 and pc105 and their variants (names beginning with either), are ISO when the first layout
// is not "us": distributions set pc105 by default, and a US layout almost always means an ANSI
// keyboard. Every other model, and a server that does not say, is ANSI. The environment variable
// TILEWICK_KEYBOARD_TYPE, when set, overrides the model ("ISO" in any case is ISO, anything else ANSI), for
// keyboards whose model is configured wrongly (many systems configure pc105 whatever the keyboard). The
// rules names are read again only after the root window said they changed (setxkbmap writes them), so
// the drawn keyboards may ask at every refresh without a round trip; callable from any thread.
class X11Keyboard final : public Keyboard {
public:
    explicit X11Keyboard(std::shared_ptr<X11Connection> connection) : m_x(std::move(connection)) {}

    bool isISO() const override;
    // The XKB model name; empty when the server does not say.
    QString model() const;

    static bool isIsoModel(QStringView model);
    // The rule above, from the model and the comma-separated layouts of the XKB rules names.
    static bool isIsoKeyboard(QStringView model, QStringView layouts);

private:
    QStringList rulesNames() const;

    std::shared_ptr<X11Connection> m_x;
    // The last answer from the server and the count of changes it was read at.
    mutable std::mutex m_mutex;
    mutable std::optional<std::pair<quint64, bool>> m_known;
};

} // namespace platform::x11
