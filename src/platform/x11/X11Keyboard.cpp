#include "X11Keyboard.h"

#include "platform/EnvironmentKeyboard.h"

namespace platform::x11 {

bool X11Keyboard::isIsoModel(QStringView model) {
    return model.startsWith(u"pc102") || model.startsWith(u"pc105");
}

QString X11Keyboard::model() const {
    const auto names = m_x->property(m_x->root(), m_x->atoms().xkbRulesNames);
    return names ? names->texts().value(1) : QString();
}

bool X11Keyboard::isISO() const {
    if (!qEnvironmentVariableIsEmpty(EnvironmentKeyboard::kVariable))
        return EnvironmentKeyboard().isISO();
    return isIsoModel(model());
}

} // namespace platform::x11
