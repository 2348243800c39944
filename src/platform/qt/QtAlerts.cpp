#include "QtAlerts.h"

#include <QMessageBox>
#include <QPushButton>

namespace platform {

int QtAlerts::runModal(const ModalAlert& alert) {
    QMessageBox box;
    switch (alert.style) {
    case ModalAlert::Style::Warning:
        box.setIcon(QMessageBox::Warning);
        break;
    case ModalAlert::Style::Informational:
        box.setIcon(QMessageBox::Information);
        break;
    case ModalAlert::Style::Critical:
        box.setIcon(QMessageBox::Critical);
        break;
    }
    box.setText(alert.message);
    box.setInformativeText(alert.informativeText);

    const QStringList titles = alert.buttons.isEmpty() ? QStringList{QStringLiteral("OK")} : alert.buttons;
    QList<QPushButton*> buttons;
    for (qsizetype i = 0; i < titles.size(); ++i) {
        const auto& title = titles[i];
        const auto role = i == 0                             ? QMessageBox::AcceptRole
                          : title == QLatin1String("Cancel") ? QMessageBox::RejectRole
                                                             : QMessageBox::ActionRole;
        buttons.append(box.addButton(title, role));
    }
    box.setDefaultButton(buttons.first());
    auto escapeIndex = titles.indexOf(QStringLiteral("Cancel"));
    if (escapeIndex < 0)
        escapeIndex = titles.size() - 1;
    box.setEscapeButton(buttons[escapeIndex]);

    // The question may come while another program is in front (the crash prompt at start): the
    // alert comes forward and takes the keyboard before it waits.
    box.setWindowModality(Qt::ApplicationModal);
    box.show();
    box.raise();
    box.activateWindow();
    box.exec();
    const auto index = buttons.indexOf(qobject_cast<QPushButton*>(box.clickedButton()));
    // Closing the dialog without a button counts as the Escape button.
    return kAlertFirstButton + int(index >= 0 ? index : escapeIndex);
}

} // namespace platform
