#include "MainView.h"

#include "Banner.h"
#include "FitContainers.h"
#include "Header.h"
#include "PageArea.h"
#include "TabBar.h"
#include "TabPage.h"
#include "Toast.h"

#include "platform/ResidentFilePages.h"
#include "tilewick/store/TilewickStore.h"
#include "tilewick/visuals/DrawingCaches.h"
#include "tilewick/visuals/Theme.h"
#include "tilewick/visuals/keyboard/KeyboardView.h"

#include <QApplication>
#include <QGraphicsScene>
#include <QGraphicsView>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include <utility>

namespace tilewick {

MainView::MainView(TilewickStore& store, ViewServices services, MainViewOptions options, QWidget* parent)
    : QWidget(parent), m_store(store), m_services(services), m_tips(services),
      m_liveResize(services.runtime(), [this] { dropKeptPictures(); }) {
    // What the program holds before its first view, so that closing the view hands back the rest.
    platform::noteResidentFilePages();
    setObjectName(QStringLiteral("MainView"));
    m_header = new Header(store, services, m_tips, *this, options.showManual, this);
    m_banners = new BannerStack(store, services, this);
    m_tabBar = new TabBar(store, services, m_tips, *this, options.showManual, this);
    m_pageArea = new FitBoth(PageLayout::kMinScale, this);
    m_column = new PageColumn(PageContext{store, services, m_tips, *this}, options.isoKeyboard);
    m_pageArea->setContent(m_column);
    m_column->keyboard()->setTipRoot([this](QPointF scenePos) { return tipRootPoint(scenePos); });
    m_toast = new Toast(store, services, this);

    // The tips stand above everything of the window and take no clicks.
    m_tipView = new QGraphicsView(this);
    m_tipView->setObjectName(QStringLiteral("HoverTips"));
    m_tipView->setFrameShape(QFrame::NoFrame);
    m_tipView->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_tipView->viewport()->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_tipView->viewport()->setAutoFillBackground(false);
    m_tipView->setBackgroundBrush(Qt::NoBrush);
    m_tipView->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_tipView->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_tipView->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_tipView->setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    auto* tipScene = new QGraphicsScene(m_tipView);
    m_tipLayer = new HoverTipLayer(m_tips);
    tipScene->addItem(m_tipLayer);
    m_tipView->setScene(tipScene);

    connect(&store, &TilewickStore::recordingChanged, this, [this] {
        if (m_store.recording() != m_recordingCard) {
            m_recordingCard.reset();
            m_frames.recordingCard = QRectF();
        }
    });
    connect(&store, &TilewickStore::editingModifiersChanged, this, [this] {
        if (!m_store.editingModifiers())
            m_frames.modifierPanel = QRectF();
    });
    connect(&store, &TilewickStore::tabChanged, this, [this] { m_store.followTabChange(); });
    // Fitting and scrolling move the page's parts in the view.
    connect(m_pageArea, &FitBoth::refitted, this, [this] { m_column->page()->reportFrames(); });
    for (QScrollBar* bar : {m_pageArea->horizontalScrollBar(), m_pageArea->verticalScrollBar()})
        connect(bar, &QScrollBar::valueChanged, this, [this] { m_column->page()->reportFrames(); });
    connect(&store, &TilewickStore::hotkeysActiveChanged, this, &MainView::relayout);
    connect(m_banners, &BannerStack::changed, this, &MainView::relayout);
    // Any click in the window hides the tip.
    qApp->installEventFilter(this);
    relayout();
}

MainView::~MainView() {
    qApp->removeEventFilter(this);
    // The page area goes with its scene: nothing of it may reach back for the page meanwhile.
    for (QObject* sender : std::initializer_list<QObject*>{m_pageArea, m_pageArea->horizontalScrollBar(),
                                                           m_pageArea->verticalScrollBar()})
        disconnect(sender, nullptr, this, nullptr);
    // The parts go first, while the tips and the frames they report to are still there: hiding
    // them as the view closes tells the tips.
    qDeleteAll(findChildren<QWidget*>(Qt::FindDirectChildrenOnly));
    // The window closed: its pictures go once the view is gone.
    m_services.runtime().async([] { releaseDrawingCaches(); });
}

void MainView::setRecordingCardFrame(SnapAction action, const QRectF& frame) {
    if (m_store.recording() != action)
        return;
    m_recordingCard = action;
    m_frames.recordingCard = frame;
}

QPointF MainView::tipRootPoint(QPointF scenePos) const {
    const QPoint inView = m_pageArea->mapFromScene(scenePos);
    return QPointF(m_pageArea->viewport()->mapTo(this, inView));
}

void MainView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    m_newSize = true;
    // A drag of the window's edge shows the pictures it had when it began, stretched, and draws
    // afresh once it settles. They are taken before the layout changes, while they still fit it;
    // stretched too far, they are taken again at the size passed. Steps before the window was
    // drawn (a window placed as it opens) have no pictures to keep and are drawn exactly.
    const bool drawn = std::exchange(m_drawnSinceResize, false);
    if (m_liveResize.step() && isVisible() && drawn) {
        if (LiveResize::tooFar(m_keptAt, event->oldSize()))
            dropKeptPictures();
        if (!m_pageArea->showsKeptPicture())
            m_keptAt = event->oldSize();
        m_pageArea->keepPicture();
        m_tabBar->keepPictures();
    }
    relayout();
}

void MainView::dropKeptPictures() {
    m_pageArea->dropKeptPicture();
    m_tabBar->dropKeptPictures();
}

void MainView::relayout() {
    const int w = width(), h = height();
    m_layout = MainLayout::forContent(size(), m_store.hotkeysActive());
    const qreal pad = m_layout.pad;
    int y = 0;
    m_header->setVisible(m_layout.showsHeader);
    if (m_layout.showsHeader) {
        m_header->apply(m_layout);
        const int headerHeight = m_header->heightForLayout();
        m_header->setGeometry(0, 0, w, headerHeight);
        y = headerHeight;
    }
    y += int(m_layout.bannerTop);
    const int bannerWidth = std::max(int(w - 2 * pad), 1);
    const int bannerHeight = m_banners->heightForWidth(bannerWidth);
    m_banners->setGeometry(int(pad), y, bannerWidth, bannerHeight);
    y += bannerHeight;
    m_tabBar->apply(m_layout);
    m_tabBar->setGeometry(0, y, w, TabBar::barHeight());
    y += TabBar::barHeight();
    m_lineY = y;
    y += 1;
    const QSize area(w, std::max(h - y, 0));
    m_column->setLayout(PageLayout::forArea(area, pad), pad);
    m_pageArea->setGeometry(0, y, area.width(), area.height());
    m_toast->setGeometry(rect());
    m_tipView->setGeometry(rect());
    m_tipView->setSceneRect(QRectF(QPointF(), size()));
    m_tipLayer->setSize(size());
    m_toast->raise();
    m_tipView->raise();
    m_column->page()->reportFrames();
    update();
}

void MainView::paintEvent(QPaintEvent*) {
    // The view is drawn before its parts: what the size before the last one drew and this one
    // does not goes now, so a resize keeps the pictures and fonts of two sizes, not of all.
    if (std::exchange(m_newSize, false))
        trimDrawingCaches();
    m_drawnSinceResize = true;
    const Scheme scheme = m_services.scheme();
    QPainter painter(this);
    painter.fillRect(rect(), Theme::background.resolve(scheme));
    painter.fillRect(QRect(0, m_lineY, width(), 1), Theme::border.resolve(scheme));
}

bool MainView::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick) {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget && widget->window() == window())
            m_tips.hideAll();
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace tilewick
