#include "X11Keyboard.h"

#include "platform/EnvironmentKeyboard.h"

namespace platform::x11 {

bool X11Keyboard::isIsoModel(QStringView model) {
    return model.startsWith(u"pc102") || model.startsWith(u"pc105");
}

bool X11Keyboard::isIsoKeyboard(QStringView model, QStringView layouts) {
    // Distributions configure pc105 by default whatever the keyboard; with the US layout first the
    // keyboard is nearly always an ANSI one, so only another first layout confirms the model.
    const QStringView first =
        layouts.left(layouts.indexOf(u',') < 0 ? layouts.size() : layouts.indexOf(u','));
    return isIsoModel(model) && !first.trimmed().isEmpty() && first.trimmed() != u"us";
}

QStringList X11Keyboard::rulesNames() const {
    const auto names = m_x->property(m_x->root(), m_x->atoms().xkbRulesNames);
    return names ? names->texts() : QStringList();
}

QString X11Keyboard::model() const {
    return rulesNames().value(1);
}

bool X11Keyboard::isISO() const {
    if (!qEnvironmentVariableIsEmpty(EnvironmentKeyboard::kVariable))
        return EnvironmentKeyboard().isISO();
    // The count goes first: a change while the names are read makes the next call read again.
    const quint64 changes = m_x->rootPropertyChanges(m_x->atoms().xkbRulesNames);
    {
        std::lock_guard lock(m_mutex);
        if (m_known && m_known->first == changes)
            return m_known->second;
    }
    const QStringList names = rulesNames();
    const bool iso = isIsoKeyboard(names.value(1), names.value(2));
    std::lock_guard lock(m_mutex);
    m_known = {changes, iso};
    return iso;
}

} // namespace platform::x11
