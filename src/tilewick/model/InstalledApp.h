#pragma once

#include <QString>
#include <QUrl>

namespace tilewick {

// An application found on disk, offered by the Default App Snaps picker.
struct InstalledApp {
    // The bundle identifier; the record's identity.
    QString id;
    // The name shown in the picker.
    QString name;
    // Where the application lives (its desktop entry); empty when only its running instance tells.
    QUrl url;
    // Its icon: a name in the icon theme, or an absolute file; empty without one.
    QString iconName;

    friend bool operator==(const InstalledApp&, const InstalledApp&) = default;
};

} // namespace tilewick
