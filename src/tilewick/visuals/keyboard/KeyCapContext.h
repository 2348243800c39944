#pragma once

#include "KeyboardEnvironment.h"

#include <QPointF>

namespace tilewick {

class HoverTipState;
class TilewickStore;
class ViewServices;

// What a key cap needs of the keyboard that holds it: the store it reports taps and hovers to,
// the services it draws and animates with, the keyboard's environment, the tips it reports its
// help text to, and the keyboard's animation clock. The cap knows nothing more of its keyboard.
class KeyCapContext {
public:
    virtual TilewickStore& store() const = 0;
    virtual const ViewServices& services() const = 0;
    virtual const KeyboardEnvironment& environment() const = 0;
    virtual HoverTipState& tipState() const = 0;
    // A point of the keyboard's scene in the tips' root space.
    virtual QPointF tipPoint(QPointF scenePos) const = 0;
    // Pulses move now; otherwise they stand still.
    virtual bool animates() const = 0;
    // The time pulses are drawn at.
    virtual double animationTime() const = 0;
    // A cap started to move (lift, blink): the keyboard draws frames while anything moves.
    virtual void tick() = 0;

protected:
    ~KeyCapContext() = default;
};

} // namespace tilewick
