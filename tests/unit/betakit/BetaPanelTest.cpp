#include "betakit/BetaPanel.h"

#include <QApplication>
#include <QCoreApplication>
#include <QLabel>
#include <QPointer>
#include <QScreen>

#include <gtest/gtest.h>

namespace {

using betakit::BetaPanel;

struct ScriptedDelegate : BetaPanel::Delegate {
    bool allowClose = true;
    bool releaseOnClose = false;
    int asked = 0;
    int closed = 0;

    bool windowShouldClose(BetaPanel&) override {
        ++asked;
        return allowClose;
    }
    void windowWillClose(BetaPanel& panel) override {
        ++closed;
        if (releaseOnClose)
            BetaPanel::release(&panel);
    }
};

void destroyReleased() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

constexpr BetaPanel::StyleMask kKitStyle = BetaPanel::Titled | BetaPanel::Closable | BetaPanel::Resizable;

TEST(BetaPanel, StyleGivesTheWindowButtonsItNamesAndNoOthers) {
    BetaPanel panel({580, 760}, kKitStyle);
    EXPECT_EQ(panel.styleMask(), 11u);
    const Qt::WindowFlags flags = panel.windowFlags();
    EXPECT_TRUE(flags.testFlag(Qt::Window));
    EXPECT_TRUE(flags.testFlag(Qt::WindowTitleHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_FALSE(panel.testAttribute(Qt::WA_DeleteOnClose));
    EXPECT_FALSE(BetaPanel::canBecomeMainWindow());

    BetaPanel borderless({100, 100}, BetaPanel::Borderless);
    EXPECT_TRUE(borderless.windowFlags().testFlag(Qt::FramelessWindowHint));
}

TEST(BetaPanel, ContentSizeKeepsTheTopLeftAndTheContentGivesTheMinimum) {
    BetaPanel panel({520, 520}, kKitStyle);
    auto* content = new QLabel("content");
    content->setMinimumSize(460, 200);
    panel.setContentView(content);
    panel.move(100, 80);
    panel.show();
    EXPECT_EQ(panel.contentSize(), QSize(520, 520));

    panel.setContentSize({520, 240});
    EXPECT_EQ(panel.contentSize(), QSize(520, 240));
    EXPECT_EQ(panel.pos(), QPoint(100, 80));
    EXPECT_EQ(panel.minimumSize(), QSize(460, 200));
    panel.resize(300, 100);
    EXPECT_EQ(panel.size(), QSize(460, 200));

    BetaPanel fixed({300, 200}, BetaPanel::Titled | BetaPanel::Closable);
    EXPECT_EQ(fixed.minimumSize(), QSize(300, 200));
    EXPECT_EQ(fixed.maximumSize(), QSize(300, 200));
}

TEST(BetaPanel, ANewContentViewReplacesAndDeletesTheOld) {
    BetaPanel panel({200, 200}, kKitStyle);
    QPointer<QWidget> first = new QLabel("first");
    panel.setContentView(first);
    EXPECT_EQ(first->parentWidget(), &panel);
    auto* second = new QLabel("second");
    panel.setContentView(second);
    EXPECT_TRUE(first.isNull());
    EXPECT_EQ(panel.contentView(), second);
}

TEST(BetaPanel, DelegateDecidesWhetherItClosesAndHearsItOnce) {
    BetaPanel panel({200, 200}, kKitStyle);
    ScriptedDelegate delegate;
    panel.setDelegate(&delegate);
    panel.show();

    delegate.allowClose = false;
    EXPECT_FALSE(panel.close());
    EXPECT_TRUE(panel.isVisible());
    EXPECT_EQ(delegate.asked, 1);
    EXPECT_EQ(delegate.closed, 0);

    delegate.allowClose = true;
    EXPECT_TRUE(panel.close());
    EXPECT_FALSE(panel.isVisible());
    EXPECT_EQ(delegate.closed, 1);

    // Closing hides; the panel stays until its owner lets go, and can be shown again.
    destroyReleased();
    panel.makeKeyAndOrderFront();
    EXPECT_TRUE(panel.isVisible());
}

TEST(BetaPanel, ReleasedWhileClosingGoesOnALaterTurnAndNeverCallsBack) {
    ScriptedDelegate delegate;
    delegate.releaseOnClose = true;
    QPointer<BetaPanel> panel = new BetaPanel({200, 200}, kKitStyle);
    panel->setDelegate(&delegate);
    panel->show();

    EXPECT_TRUE(panel->close());
    ASSERT_FALSE(panel.isNull());
    EXPECT_FALSE(panel->isVisible());
    EXPECT_EQ(panel->delegate(), nullptr);
    destroyReleased();
    EXPECT_TRUE(panel.isNull());
    EXPECT_EQ(delegate.closed, 1);
}

TEST(BetaPanel, CentresOnTheScreen) {
    BetaPanel panel({580, 760}, kKitStyle);
    panel.center();
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_EQ(panel.geometry().center().x(), area.center().x());
    EXPECT_LE(std::abs(panel.geometry().center().y() - area.center().y()), 1);
}

} // namespace
