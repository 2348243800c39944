// What the user does in the views: taps and hovers on the drawn keys, a click that closes the
// application picker.

#include "TilewickStore.h"

#include "platform/KeyCodes.h"

namespace tilewick {

bool TilewickStore::isHotkeyModifierKey(quint16 code) const {
    return (m_modifiers & platform::modifierKeyFlag(code)) != 0;
}

void TilewickStore::tapKey(std::optional<quint16> code, std::optional<SnapAction> action) {
    if (action) {
        setTab(tilewick::tab(*action));
        beginRecording(*action);
    } else if (code && isHotkeyModifierKey(*code)) {
        setTab(SnapTab::global);
        beginEditingModifiers();
    }
}

void TilewickStore::hoverKey(std::optional<quint16> code, std::optional<SnapAction> action, bool hovering) {
    // Taken before anything changes: hovering never starts or ends a recording.
    const bool wasBusy = busy();
    if (action) {
        if (hovering) {
            setHoveredKeyAction(*action);
            if (!wasBusy && tilewick::tab(*action) != m_tab)
                setTab(tilewick::tab(*action));
        } else if (m_hoveredKeyAction == action) {
            setHoveredKeyAction(std::nullopt);
        }
        return;
    }
    if (!code)
        return;
    if (isHotkeyModifierKey(*code))
        setHoveredModifierKey(hovering);
    else if (*code == platform::kFnKeyCode)
        setHoveredGlobeKey(hovering);
    else
        return;
    if (hovering && !wasBusy && m_tab != SnapTab::global)
        setTab(SnapTab::global);
}

void TilewickStore::closeAppPicker() {
    setAppPickerOpen(false);
    setAppPickerQuery(QString());
}

void TilewickStore::followTabChange() {
    if (m_recording && tilewick::tab(*m_recording) != m_tab)
        endRecording();
    if (m_tab != SnapTab::appSnaps && m_appPickerOpen)
        closeAppPicker();
}

} // namespace tilewick
