#pragma once

#include <QString>
#include <QStringList>

namespace platform {

// A modal question to the user: a message, a longer explanation and buttons, the first of which
// is the default.
struct ModalAlert {
    enum class Style : int { Warning = 0, Informational = 1, Critical = 2 };

    Style style = Style::Warning;
    QString message;
    QString informativeText;
    // Titles in order; an alert without buttons gets a single "OK".
    QStringList buttons;

    friend bool operator==(const ModalAlert&, const ModalAlert&) = default;
};

// The answer of the first button; the second answers kAlertFirstButton + 1, and so on.
inline constexpr int kAlertFirstButton = 1000;

// Shows modal alerts and waits for the user's answer.
class Alerts {
public:
    virtual ~Alerts() = default;
    // Returns kAlertFirstButton + the index of the button chosen.
    virtual int runModal(const ModalAlert& alert) = 0;
};

} // namespace platform
