#include "PageTest.h"

#include "support/Golden.h"

#include "tilewick/mainwindow/TabPage.h"
#include "tilewick/visuals/Theme.h"

#include <QPainter>

using namespace tilewick;

QImage PageTest::render(const QRectF& area, Scheme scheme, qreal pixelsPerPoint) {
    QImage image((area.size() * pixelsPerPoint).toSize(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Theme::background.resolve(scheme));
    QPainter painter(&image);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    scene->render(&painter, QRectF(QPointF(), area.size() * pixelsPerPoint), area);
    return image;
}

namespace {

class TabPagePictures : public PageTest {
protected:
    QImage page(SnapTab tab, Scheme scheme) {
        appearance().force(scheme);
        scene.reset();
        store().setTab(tab);
        auto* tabPage = show(new TabPage(context(), tab, TabPage::kReferenceWidth));
        tabPage->setPos(24, 24);
        return render(QRectF(0, 0, 970, 24 + tabPage->effectiveSizeHint(Qt::PreferredSize).height() + 24),
                      scheme);
    }
};

TEST_F(TabPagePictures, OnePagePerKindInBothSchemes) {
    // A card flashing after its hotkey, and nothing to redo.
    store().setFlash(SnapAction::maximize);
    store().setCanRedo(false);
    for (const auto& [tab, name] :
         {std::pair{SnapTab::global, "global"}, std::pair{SnapTab::thirds, "thirds"},
          std::pair{SnapTab::eighths, "eighths"}}) {
        for (Scheme scheme : {Scheme::Light, Scheme::Dark}) {
            const QString file =
                QStringLiteral("mainwindow/page-%1-%2")
                    .arg(QString::fromLatin1(name), scheme == Scheme::Dark ? "dark" : "light");
            EXPECT_TRUE(matchesGolden(page(tab, scheme), file)) << file.toStdString();
        }
    }
}

// While the modifiers are edited and Centre's key is recorded: the blinking bar in the well with
// the caption's words wrapped, the outlined panel and card, the waiting key cap.
TEST_F(TabPagePictures, TheGlobalPageWhileEditing) {
    store().beginEditingModifiers();
    store().beginRecording(SnapAction::centre);
    for (Scheme scheme : {Scheme::Light, Scheme::Dark}) {
        const QString file = QStringLiteral("mainwindow/page-global-editing-%1")
                                 .arg(scheme == Scheme::Dark ? "dark" : "light");
        EXPECT_TRUE(matchesGolden(page(SnapTab::global, scheme), file)) << file.toStdString();
    }
}

} // namespace
