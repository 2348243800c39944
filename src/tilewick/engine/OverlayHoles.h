#pragma once

#include "platform/Accessibility.h"

#include <QRectF>

namespace tilewick {

// What the window mover asks of the floating keyboard: while it shows, every window the mover
// writes gets a hole cut in the keyboard where it now lies, so the user sees it land.
class OverlayHoles {
public:
    virtual ~OverlayHoles() = default;
    // Whether the floating keyboard is showing. Called from any thread.
    virtual bool isVisible() const = 0;
    // Opens a hole over `window`, whose frame is in top-left coordinates. Called from any thread;
    // implementations hop to the main thread themselves.
    virtual void punchHole(const platform::AXElement& window, const QRectF& frame) = 0;
};

// The stand-in while there is no floating keyboard: never showing.
class NoOverlayHoles final : public OverlayHoles {
public:
    bool isVisible() const override { return false; }
    void punchHole(const platform::AXElement&, const QRectF&) override {}
};

} // namespace tilewick
