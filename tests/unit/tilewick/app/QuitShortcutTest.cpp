// Ctrl+Q quits from every window and menu of the program, a waiting alert included, unless a
// hotkey is being recorded.

#include "tilewick/app/QuitShortcut.h"

#include "platform/qt/QtAlerts.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

namespace {

using tilewick::QuitShortcut;

class QuitShortcutTest : public ::testing::Test {
protected:
    void pressCtrlQ(QWidget* widget, Qt::KeyboardModifiers modifiers = Qt::ControlModifier) {
        QTest::keyClick(widget, Qt::Key_Q, modifiers);
    }

    bool recording = false;
    int quits = 0;
    QuitShortcut shortcut{[this] { return recording; }, [this] { ++quits; }};
};

TEST_F(QuitShortcutTest, QuitsOnceFromAWindowWithAQuitMenuAndFromOneWithout) {
    // The main window's menu names Ctrl+Q for Quit; the key quits once, not once more through it.
    QMainWindow main;
    QAction* quit = main.menuBar()->addMenu(QStringLiteral("Tilewick"))->addAction(QStringLiteral("Quit"));
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    QObject::connect(quit, &QAction::triggered, [this] { ++quits; });
    main.show();
    main.activateWindow();
    pressCtrlQ(&main);
    EXPECT_EQ(quits, 1);

    // The manual, About or a kit window: no menu, a text field with the focus.
    QWidget manual;
    auto* field = new QLineEdit(&manual);
    manual.show();
    field->setFocus();
    pressCtrlQ(field);
    EXPECT_EQ(quits, 2);
    EXPECT_TRUE(field->text().isEmpty());
}

TEST_F(QuitShortcutTest, QuitsFromAnOpenMenuButNotOnOtherChordsOrWhileAHotkeyIsRecorded) {
    QMenu menu;
    menu.addAction(QStringLiteral("Quit Tilewick"))->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    menu.popup(QPoint(10, 10));
    pressCtrlQ(&menu);
    EXPECT_EQ(quits, 1);

    QWidget window;
    window.show();
    pressCtrlQ(&window, Qt::ControlModifier | Qt::ShiftModifier);
    pressCtrlQ(&window, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(quits, 1);
    // The recording takes the chord as the new hotkey.
    recording = true;
    pressCtrlQ(&window);
    EXPECT_EQ(quits, 1);
}

TEST_F(QuitShortcutTest, QuitsFromAWaitingAlertWhichAnswersAsItsCancelButton) {
    platform::QtAlerts alerts;
    QTimer::singleShot(0, [this] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        pressCtrlQ(box);
        // The program's quit closes every window; the alert closes as its Escape button would.
        if (quits == 1)
            QApplication::closeAllWindows();
        else
            box->done(-1);
    });
    const platform::ModalAlert overwrite{platform::ModalAlert::Style::Warning,
                                         "⌥⌘Z is already used by Undo. Overwrite?",
                                         "",
                                         {"Yes, Overwrite", "Cancel"}};
    EXPECT_EQ(alerts.runModal(overwrite), platform::kAlertFirstButton + 1);
    EXPECT_EQ(quits, 1);
}

} // namespace
