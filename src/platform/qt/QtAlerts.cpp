#include "QtAlerts.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>

namespace platform {

int QtAlerts::runModal(const ModalAlert& alert) {
    // Modal to the window it is asked from, not to the whole program: the tray icon and its menu,
    // a way to quit, stay in reach while it waits. That window may go while the alert waits, and
    // takes the alert with it.
    QWidget* from = QApplication::activeWindow();
    if (from && from->windowType() == Qt::Popup)
        from = nullptr;
    const QPointer<QMessageBox> alive = new QMessageBox(from);
    QMessageBox& box = *alive;
    box.setWindowModality(Qt::WindowModal);
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
    box.show();
    box.raise();
    box.activateWindow();
    box.exec();
    // Closing the dialog without a button counts as the Escape button.
    qsizetype index = -1;
    if (alive) {
        index = buttons.indexOf(qobject_cast<QPushButton*>(alive->clickedButton()));
        delete alive;
    }
    return kAlertFirstButton + int(index >= 0 ? index : escapeIndex);
}

} // namespace platform
