// Action dispatch: perform, the anchor action, tab stepping and the flash.

#include "TilewickStore.h"

#include "platform/Keyboard.h"
#include "platform/Platform.h"
#include "tilewick/engine/WindowMover.h"
#include "tilewick/model/KeyboardMap.h"

#include <cmath>

namespace tilewick {

namespace {

// How long the flashed action stays lit after the last hotkey.
constexpr double kFlashSeconds = 1.6;
// Keys whose centres lie this close count as one column.
constexpr double kColumnTolerance = 0.3;

} // namespace

void TilewickStore::perform(SnapAction action, bool globe) {
    // A hotkey press never lets the floating keyboard appear afterwards.
    if (m_overlayPending)
        m_overlayPending->cancel();
    m_overlayPending.reset();
    m_lastSnapAt = m_platform.clock().uptime();

    if (globe) {
        action = multiWindowAction(action);
        m_hooks.multiWindow->snap(action);
    } else {
        m_hooks.mover->perform(action);
    }

    // A failed move still switches the tab and flashes: the mover beeps and logs on its own.
    // While Default App Snaps is open, hotkeys never switch away from it.
    if (m_tab != SnapTab::appSnaps)
        setTab(tilewick::tab(action));
    setFlash(action);

    if (m_flashTask)
        m_flashTask->cancel();
    QPointer<TilewickStore> self(this);
    m_flashTask = m_platform.runtime().after(kFlashSeconds, [self] {
        if (self && self->m_flash)
            self->setFlash(std::nullopt);
    });
}

SnapAction TilewickStore::multiWindowAction(SnapAction action) const {
    if (!kind(action).isCells())
        return action;
    return anchorAction(tilewick::tab(action)).value_or(action);
}

std::optional<SnapAction> TilewickStore::anchorAction(SnapTab tab) const {
    // Asked afresh each time: a keyboard plugged in later counts at once.
    const auto* keyboard = m_platform.find<platform::Keyboard>();
    const auto& centres = KeyboardMap::keyCentresFor(keyboard && keyboard->isISO());

    struct Candidate {
        SnapAction action;
        QPointF centre;
    };
    QList<Candidate> candidates;
    for (SnapAction action : actions(tab)) {
        const auto bound = m_bindings.find(action);
        if (bound == m_bindings.end())
            continue;
        const auto centre = centres.constFind(bound->second.keyCode);
        if (centre != centres.constEnd())
            candidates.append({action, *centre});
    }
    if (candidates.isEmpty())
        return std::nullopt;

    double sumX = 0.0;
    for (const auto& c : candidates)
        sumX += c.centre.x();
    // Keys leaning left anchor on the leftmost key, keys leaning right on the rightmost.
    const double sign = sumX / double(candidates.size()) < KeyboardMap::kWidth / 2.0 ? 1.0 : -1.0;

    Candidate best = candidates.first();
    for (qsizetype i = 1; i < candidates.size(); ++i) {
        const Candidate& c = candidates[i];
        const double cx = sign * c.centre.x();
        const double bx = sign * best.centre.x();
        const bool sameColumn = std::abs(cx - bx) <= kColumnTolerance;
        if ((sameColumn && c.centre.y() < best.centre.y()) || (!sameColumn && cx < bx))
            best = c;
    }
    return best.action;
}

void TilewickStore::stepTab(int step) {
    const int count = int(allSnapTabs().size());
    const int index = ((indexOf(m_tab) + step) % count + count) % count;
    setTab(allSnapTabs()[index]);
}

} // namespace tilewick
