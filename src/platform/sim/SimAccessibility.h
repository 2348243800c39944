#pragma once

#include "SimDesktop.h"
#include "platform/Accessibility.h"

namespace platform::sim {

// Accessibility over the simulated desktop.
//
// Elements: the system-wide element ("AXFocusedApplication"); applications ("AXTitle", "AXWindows",
// "AXFocusedWindow", "AXMainWindow", "AXFrontmost", "AXHidden", "AXEnhancedUserInterface",
// "AXMenuBar"); windows ("AXTitle", "AXSubrole", "AXPosition", "AXSize", "AXMinimized",
// "AXFullScreen", "AXMain", "AXFocused"; action "AXRaise"); menu nodes ("AXTitle", "AXEnabled",
// "AXMenuItemCmdChar", "AXChildren"; action "AXPress"). Observers hear "AXWindowCreated".
//
// Without trust every call fails with APIDisabled; an element whose window or application is
// gone gives InvalidUIElement; an unresponsive application gives CannotComplete after the
// element's messaging time-out, recorded in SimDesktop::stalls.
class SimAccessibility : public Accessibility {
public:
    explicit SimAccessibility(std::shared_ptr<SimDesktop> desktop) : m_desktop(std::move(desktop)) {}

    bool isProcessTrusted() const override { return m_desktop->isTrusted(); }
    bool requestTrust() override;
    AXElement systemWide() const override { return AXElement(AXElement::kSystemWideId, 0); }
    AXElement application(qint32 pid) override { return AXElement(SimDesktop::appId(pid), pid); }

    AXResult<AXValue> copyAttributeValue(const AXElement& element, const QString& attribute) override;
    AXError setAttributeValue(const AXElement& element, const QString& attribute,
                              const AXValue& value) override;
    AXResult<bool> isAttributeSettable(const AXElement& element, const QString& attribute) override;
    AXError performAction(const AXElement& element, const QString& action) override;
    // At once, unless the desktop holds answers back (SimDesktop::holdAnswers).
    void whenSettled(const AXElement& element, std::function<void()> then) override;
    AXObserverRef addObserver(const AXElement& application, const QString& notification,
                              AXObserverCallback callback) override;

private:
    using Body = std::function<AXError(SimDesktop::After&)>;
    // One call: the hook, trust, the element's existence and its application's answer, then `body`
    // under the desktop's lock; work it leaves in `after` runs once the lock is released.
    AXError call(SimCall::Kind kind, const AXElement& element, const QString& name, const Body& body);

    AXError readLocked(quint64 id, const QString& attribute, AXValue& out) const;
    AXError writeLocked(quint64 id, const QString& attribute, const AXValue& value, SimDesktop::After& after);
    AXError settableLocked(quint64 id, const QString& attribute, bool& out) const;
    AXError actionLocked(quint64 id, const QString& action, SimDesktop::After& after);
    void raiseLocked(quint64 window);

    std::shared_ptr<SimDesktop> m_desktop;
};

} // namespace platform::sim
