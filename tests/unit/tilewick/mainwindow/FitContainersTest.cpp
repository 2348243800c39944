#include "support/SimPlatformTest.h"

#include "tilewick/mainwindow/FitContainers.h"
#include "tilewick/mainwindow/FlowLayout.h"

#include <QCoreApplication>
#include <QGraphicsScene>
#include <QScrollBar>

#include <limits>

namespace {

using namespace tilewick;

TEST(FitBothFit, ShrinksUniformlyDownToTheFloorAndScrollsOnlyWhatStillOverflows) {
    struct Case {
        const char* what;
        QSizeF available, natural;
        qreal minScale;
        qreal scale;
        bool scrollsH, scrollsV;
    };
    const Case cases[] = {
        {"fits both: 0.9", {900, 900}, {1000, 800}, 0.5, 0.9, false, false},
        {"floor 0.94 below 0.75", {800, 600}, {1000, 800}, 0.94, 0.94, true, true},
        {"half a point never scrolls", {999.6, 900}, {1000, 800}, 1, 1, false, false},
        {"more than half a point does", {999.4, 900}, {1000, 800}, 1, 1, true, false},
        {"never enlarged", {2000, 2000}, {1000, 800}, 0.94, 1, false, false},
        {"a floor above 1 acts as 1", {500, 900}, {1000, 800}, 3, 1, true, false},
        {"only the height overflows", {1000, 700}, {1000, 800}, 0.94, 0.94, false, true},
        {"unmeasured: scale 1, no scroll", {100, 100}, {0, 0}, 0.94, 1, false, false},
        {"zero height counts as unmeasured", {100, 100}, {1000, 0}, 0.94, 1, true, false},
    };
    for (const Case& c : cases) {
        const FitBothFit fit = FitBothFit::fit(c.available, c.natural, c.minScale);
        EXPECT_DOUBLE_EQ(fit.scale, c.scale) << c.what;
        EXPECT_EQ(fit.scrollsHorizontally, c.scrollsH) << c.what;
        EXPECT_EQ(fit.scrollsVertically, c.scrollsV) << c.what;
        EXPECT_EQ(fit.drawn, c.natural * c.scale) << c.what;
    }
    // Narrower content sits centred at the top.
    const FitBothFit fit = FitBothFit::fit({900, 900}, {1000, 800}, 0.5);
    EXPECT_EQ(fit.drawn, QSizeF(900, 720));
    EXPECT_DOUBLE_EQ(fit.left, 0);
    EXPECT_DOUBLE_EQ(FitBothFit::fit({2000, 900}, {1000, 800}, 0.94).left, 500);
}

TEST(FitWidthScale, EnlargesUpToTheReferenceAndOnlyShrinksWithoutOne) {
    struct Case {
        qreal available;
        std::optional<qreal> reference;
        QSizeF natural;
        qreal scale;
    };
    const Case cases[] = {
        {1000, 922, {922, 311.12}, 1000.0 / 922},
        {700, 922, {922, 311.12}, 700.0 / 922},
        {1000, 922, {950, 311.12}, 1000.0 / 950},
        {1000, 922, {0, 0}, 1000.0 / 922}, // before the first measurement: the reference alone
        {1000, std::nullopt, {800, 100}, 1},
        {400, std::nullopt, {800, 100}, 0.5},
        {0, std::nullopt, {800, 100}, 1.0 / 800}, // no width counts as one point
        {0, 922, {922, 100}, 1.0 / 922},
        {400, std::nullopt, {0, 0}, 1},
    };
    for (const Case& c : cases)
        EXPECT_DOUBLE_EQ(FitWidth::scaleFor(c.available, c.reference, c.natural), c.scale)
            << c.available << " " << c.natural.width();
}

TEST(FlowLayoutRows, WrapWhenTheNextItemWouldPassTheWidth) {
    using Row = FlowLayout::Row;
    const QList<QSizeF> three{{100, 20}, {100, 30}, {100, 25}};
    EXPECT_EQ(FlowLayout::rows(three, 308, 8), (QList<Row>{{{0, 1}, 208, 30}, {{2}, 100, 25}}));
    EXPECT_EQ(FlowLayout::sizeThatFits(three, 308, 8), QSizeF(208, 30 + 8 + 25));
    // Exactly filling the width stays on the row.
    EXPECT_EQ(FlowLayout::rows(three, 316, 8), (QList<Row>{{{0, 1, 2}, 316, 30}}));
    // No width given: one row as wide as everything.
    EXPECT_EQ(FlowLayout::sizeThatFits(three, std::nullopt, 8), QSizeF(316, 30));
    // No items: one empty row, no size.
    EXPECT_EQ(FlowLayout::rows({}, 100, 8), (QList<Row>{Row{}}));
    EXPECT_EQ(FlowLayout::sizeThatFits({}, 100, 8), QSizeF(0, 0));
    // Too wide for the width: a row of its own; the reported width is capped, the item is not.
    const QList<QSizeF> wide{{50, 10}, {300, 10}, {50, 10}};
    EXPECT_EQ(FlowLayout::rows(wide, 200, 8), (QList<Row>{{{0}, 50, 10}, {{1}, 300, 10}, {{2}, 50, 10}}));
    EXPECT_EQ(FlowLayout::sizeThatFits(wide, 200, 8), QSizeF(200, 46));
    // A wide first item stays alone on the first row.
    EXPECT_EQ(FlowLayout::rows({{300, 10}, {50, 10}}, 200, 8), (QList<Row>{{{0}, 300, 10}, {{1}, 50, 10}}));
}

TEST(FlowLayoutPlacement, RowsAlignLeftAndItemsAtTheTopOfTheirRow) {
    const QList<QSizeF> three{{100, 20}, {100, 30}, {100, 25}};
    EXPECT_EQ(FlowLayout::place(three, QRectF(10, 5, 308, 200), 8),
              (QList<QRectF>{{10, 5, 100, 20}, {118, 5, 100, 30}, {10, 43, 100, 25}}));
}

TEST(FlowLayoutWidgets, HiddenWidgetsTakeNoPlace) {
    QWidget host;
    auto* flow = new FlowLayout(8, &host);
    QWidget a, b, c;
    for (QWidget* w : {&a, &b, &c}) {
        w->setParent(&host);
        w->setFixedSize(100, 20);
        flow->addWidget(w);
    }
    b.hide();
    EXPECT_EQ(flow->sizeHint(), QSize(208, 20));
    EXPECT_EQ(flow->heightForWidth(150), 48);
    flow->setGeometry(QRect(0, 0, 150, 48));
    EXPECT_EQ(a.geometry(), QRect(0, 0, 100, 20));
    EXPECT_EQ(c.geometry(), QRect(0, 28, 100, 20));
}

// Content of a fixed preferred size that can be changed.
class Box final : public QGraphicsWidget {
public:
    explicit Box(QSizeF size) : m_size(size) {}
    void setNatural(QSizeF size) {
        m_size = size;
        updateGeometry();
    }

protected:
    QSizeF sizeHint(Qt::SizeHint which, const QSizeF& constraint) const override {
        return which == Qt::PreferredSize ? m_size : QGraphicsWidget::sizeHint(which, constraint);
    }

private:
    QSizeF m_size;
};

using FitContainers = SimPlatformTest;

TEST_F(FitContainers, FitBothScalesItsContentToItsOwnSizeAndFollowsTheContent) {
    FitBoth view(0.94);
    auto* box = new Box({1000, 1000});
    view.setContent(box);
    view.resize(960, 960);
    view.show();
    EXPECT_DOUBLE_EQ(box->scale(), 0.96);
    EXPECT_EQ(box->pos(), QPointF(0, 0));
    EXPECT_EQ(view.verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);

    // Small content: unscaled, centred.
    box->setNatural({500, 400});
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(view.natural(), QSizeF(500, 400));
    EXPECT_DOUBLE_EQ(box->scale(), 1);
    EXPECT_EQ(box->pos(), QPointF(230, 0));

    // At the floor both axes scroll, and the scene is as large as the scaled content.
    box->setNatural({1000, 800});
    QCoreApplication::sendPostedEvents();
    view.resize(800, 600);
    EXPECT_DOUBLE_EQ(box->scale(), 0.94);
    EXPECT_EQ(view.horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(view.verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(view.sceneRect().size(), QSizeF(940, 752));
}

TEST_F(FitContainers, FitWidthTakesTheScaledSizeOfItsContent) {
    QGraphicsScene scene;
    auto* box = new Box({922, 311.12});
    auto* fit = new FitWidth(box, 1000, 922);
    scene.addItem(fit);
    EXPECT_DOUBLE_EQ(box->scale(), 1000.0 / 922);
    EXPECT_NEAR(fit->size().width(), 1000, 1e-9);
    EXPECT_NEAR(fit->effectiveSizeHint(Qt::PreferredSize).height(), 311.12 * 1000 / 922, 1e-9);
    fit->setAvailable(660);
    EXPECT_NEAR(fit->size().width(), 660, 1e-9);
    box->setNatural({1100, 300});
    QCoreApplication::sendPostedEvents();
    EXPECT_DOUBLE_EQ(box->scale(), 660.0 / 1100);
    EXPECT_NEAR(fit->size().height(), 180, 1e-9);
}

} // namespace
