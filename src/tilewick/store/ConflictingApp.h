#pragma once

#include <QHash>
#include <QString>

namespace tilewick {

// A running window-management utility known to clash with this program.
struct ConflictingApp {
    // The running application's bundle identifier; the record's identity.
    QString id;
    // The product's name.
    QString name;
    qint32 pid = 0;

    friend bool operator==(const ConflictingApp&, const ConflictingApp&) = default;
};

// The window-snapping utilities that clash with this program: each product's own bundle
// identifier → its name (13 entries; Divvy runs under two identifiers).
const QHash<QString, QString>& knownConflictingApps();

} // namespace tilewick
