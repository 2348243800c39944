#include "support/StoreTest.h"

#include "tilewick/mainwindow/MainView.h"
#include "tilewick/visuals/InterFont.h"
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
    EXPECT_TRUE(InterFontLibrary::shared().cacheKeys().isEmpty());
}

// A resize keeps the shadows and fonts of the sizes in use, not of every size passed through.
TEST_F(MainViewTest, ResizingKeepsThePicturesAndFontsOfTheSizesInUse) {
    QImage image(956, 891, QImage::Format_ARGB32_Premultiplied);
    const auto drawAt = [&](int width, int height) {
        view->resize(width, height);
        view->render(&image);
    };
    drawAt(956, 891);
    drawAt(956, 891);
    const qsizetype shadows = Shadow::cachedBytes();
    const qsizetype fonts = InterFontLibrary::shared().cacheKeys().size();
    ASSERT_GT(shadows, 0);
    for (int step = 1; step <= 6; ++step)
        drawAt(956 - 60 * step, 891 - 50 * step);
    // The sizes drawn last, each smaller than the first.
    EXPECT_LE(Shadow::cachedBytes(), 2 * shadows);
    EXPECT_LE(InterFontLibrary::shared().cacheKeys().size(), 2 * fonts);
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
