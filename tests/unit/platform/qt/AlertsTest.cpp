#include "platform/qt/QtAlerts.h"
#include "platform/sim/SimAlerts.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

using platform::kAlertFirstButton;
using platform::ModalAlert;

ModalAlert resetAlert() {
    return {ModalAlert::Style::Warning, "Reset?", "This can't be undone.", {"Reset Hotkeys", "Cancel"}};
}

TEST(SimAlerts, AnswersAsScriptedAndRecordsEveryAlert) {
    platform::sim::SimAlerts alerts;
    alerts.answerNext(kAlertFirstButton);
    alerts.clickNext("Cancel");
    alerts.clickNext("No such button");
    EXPECT_EQ(alerts.runModal(resetAlert()), 1000);
    EXPECT_EQ(alerts.runModal(resetAlert()), 1001);
    EXPECT_EQ(alerts.runModal(resetAlert()), 1001);
    // Unscripted: the last button; a responder takes over when set.
    EXPECT_EQ(alerts.runModal(resetAlert()), 1001);
    EXPECT_EQ(alerts.runModal(ModalAlert{}), 1000);
    alerts.setResponder([](const ModalAlert& a) { return kAlertFirstButton + int(a.buttons.size()) + 5; });
    EXPECT_EQ(alerts.runModal(resetAlert()), 1007);
    ASSERT_EQ(alerts.shown().size(), 6);
    EXPECT_EQ(alerts.shown().first(), resetAlert());
}

// Presses a button of the next message box once it is up.
void pressWhenShown(std::function<void(QMessageBox*)> press) {
    QTimer::singleShot(0, [press] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        press(box);
    });
}

QAbstractButton* buttonTitled(QMessageBox* box, const QString& title) {
    for (auto* button : box->buttons()) {
        if (button->text() == title)
            return button;
    }
    return nullptr;
}

TEST(QtAlerts, AnswersWithThePositionOfTheButtonInTheGivenOrder) {
    platform::QtAlerts alerts;
    ModalAlert alert{ModalAlert::Style::Warning, "Overwrite?", "", {"Yes, Overwrite", "Cancel", "Later"}};

    pressWhenShown([](QMessageBox* box) {
        EXPECT_EQ(box->text(), "Overwrite?");
        EXPECT_EQ(static_cast<QAbstractButton*>(box->defaultButton()), buttonTitled(box, "Yes, Overwrite"));
        buttonTitled(box, "Later")->click();
    });
    EXPECT_EQ(alerts.runModal(alert), 1002);

    pressWhenShown([](QMessageBox* box) { buttonTitled(box, "Yes, Overwrite")->click(); });
    EXPECT_EQ(alerts.runModal(alert), 1000);

    // Escape and closing the window answer as "Cancel".
    pressWhenShown([](QMessageBox* box) { box->reject(); });
    EXPECT_EQ(alerts.runModal(alert), 1001);
}

// The crash prompt comes at start, often while another program is in front: the alert becomes
// the active window while it waits for the answer.
TEST(QtAlerts, TheAlertIsActiveWhileItWaits) {
    platform::QtAlerts alerts;
    bool activeWhileWaiting = false;
    // Turns of the alert's own event loop, until it is active or enough have passed.
    int turns = 0;
    QTimer poll;
    poll.setInterval(0);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        activeWhileWaiting = QApplication::activeWindow() == box;
        if (activeWhileWaiting || ++turns > 200) {
            poll.stop();
            buttonTitled(box, "Not Now")->click();
        }
    });
    poll.start();
    EXPECT_EQ(alerts.runModal({ModalAlert::Style::Informational,
                               "Tilewick quit unexpectedly last time.",
                               "",
                               {"Tell Us…", "Not Now"}}),
              1001);
    EXPECT_TRUE(activeWhileWaiting);
}

} // namespace
