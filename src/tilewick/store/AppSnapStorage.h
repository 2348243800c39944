#pragma once

#include "StoreHooks.h"
#include "tilewick/model/AppSnap.h"

#include <QByteArray>
#include <QList>

namespace platform {
class Defaults;
}

namespace tilewick {

// The saved Default App Snaps as stored under "appSnaps": a JSON array of objects with the keys
// "bundleID", "name", "action" (the action's raw value), "multiWindow", and "displayID" and
// "displayName" only when present.
QByteArray encodeAppSnaps(const QList<AppSnap>& snaps);

struct DecodedAppSnaps {
    // The readable entries, in stored order.
    QList<AppSnap> snaps;
    // Something could not be read: the value as a whole, or one entry or more.
    bool damaged = false;
};
// Reads entry by entry: an entry with a missing required key, a value of the wrong type or an
// action name that names no action is left out, and the others are kept. Other keys are ignored;
// JSON null counts as an absent display.
DecodedAppSnaps decodeAppSnaps(const QByteArray& data);

// "appSnaps" in the program's defaults. What cannot be read is kept, as it was, under
// "appSnaps.unreadable" before the first save can replace it.
class DefaultsAppSnapStorage final : public AppSnapStorage {
public:
    explicit DefaultsAppSnapStorage(platform::Defaults& defaults) : m_defaults(defaults) {}
    QList<AppSnap> load() override;
    void save(const QList<AppSnap>& snaps) override;

private:
    platform::Defaults& m_defaults;
};

} // namespace tilewick
