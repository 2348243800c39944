#pragma once

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

} // namespace tilewick
