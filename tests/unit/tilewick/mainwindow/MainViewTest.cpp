#include "support/StoreTest.h"

#include "tilewick/mainwindow/MainView.h"
#include "tilewick/visuals/Shadow.h"

#include <QImage>

using namespace tilewick;
using A = SnapAction;

namespace {

class MainViewTest : public StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        makeStore();
        view = std::make_unique<MainView>(store(), ViewServices::of(platform()));
    }
    void TearDown() override {
        view.reset();
        StoreTest::TearDown();
    }
    QRectF card() const { return view->clickFrames().recordingCard; }

    std::unique_ptr<MainView> view;
};

// A closed window keeps none of the pictures it drew: its shadows go once the view is gone.
TEST_F(MainViewTest, ClosingLetsGoOfTheDrawnPictures) {
    view->resize(956, 891);
    QImage image(view->size(), QImage::Format_ARGB32_Premultiplied);
    view->render(&image);
    runtime().runUntilIdle();
    EXPECT_GT(Shadow::cachedBytes(), 0);
    view.reset();
    runtime().runUntilIdle();
    EXPECT_EQ(Shadow::cachedBytes(), 0);
}

TEST_F(MainViewTest, KeepsTheFramesItsPartsReport) {
    view->setModifierPanelFrame(QRectF(10, 20, 300, 120));
    view->setAppPickerFrame(QRectF(40, 300, 200, 30));
    view->setAppPickerListFrame(QRectF(40, 330, 200, 160));
    const ClickFrames frames = view->clickFrames();
    EXPECT_EQ(frames.modifierPanel, QRectF(10, 20, 300, 120));
    EXPECT_EQ(frames.appPicker, QRectF(40, 300, 200, 30));
    EXPECT_EQ(frames.appPickerList, QRectF(40, 330, 200, 160));
    EXPECT_EQ(frames.recordingCard, QRectF());
}

TEST_F(MainViewTest, TheRecordingCardCountsOnlyForTheRecordingItReportedIn) {
    const QRectF frame(100, 200, 180, 90);
    // A card whose action is not being recorded has nothing to report.
    view->setRecordingCardFrame(A::leftHalf, frame);
    EXPECT_EQ(card(), QRectF());

    store().beginRecording(A::leftHalf);
    view->setRecordingCardFrame(A::rightHalf, frame);
    EXPECT_EQ(card(), QRectF());
    view->setRecordingCardFrame(A::leftHalf, frame);
    EXPECT_EQ(card(), frame);

    // Each new recording starts without a frame until its card reports, the same action too.
    store().beginRecording(A::leftHalf);
    EXPECT_EQ(card(), QRectF());
    view->setRecordingCardFrame(A::leftHalf, frame);
    store().beginRecording(A::rightHalf);
    EXPECT_EQ(card(), QRectF());
    view->setRecordingCardFrame(A::rightHalf, frame);
    store().endRecording();
    EXPECT_EQ(card(), QRectF());
}

} // namespace
