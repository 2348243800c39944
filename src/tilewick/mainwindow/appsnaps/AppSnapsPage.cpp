#include "AppSnapsPage.h"

#include "AppPicker.h"
#include "AppPickerList.h"
#include "AppSnapList.h"
#include "AppSnapSetup.h"

#include "tilewick/store/TilewickStore.h"
#include "tilewick/visuals/InterFont.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QGraphicsProxyWidget>
#include <QGraphicsScene>
#include <QPainter>

#include <cmath>

namespace tilewick {

namespace {

constexpr qreal kSpacing = 10;
constexpr qreal kRowSpacing = 14;
constexpr qreal kTitleLift = 9;
constexpr qreal kSubtitleMinimumScale = 0.8;

const QFont& titleFont() {
    return interFont(14, 340);
}

const QFont& subtitleFont() {
    return interFont(15, 540);
}

// Where the row of cards starts below the page's top.
qreal rowTop() {
    return QFontMetricsF(titleFont()).height() - kTitleLift + kSpacing;
}

} // namespace

// --- AppSnapsPage --------------------------------------------------------------------------------

AppSnapsPage::AppSnapsPage(const AppSnapsContext& context, QWidget* parent)
    : QWidget(parent), m_context(context), m_setup(new AppSnapSetup(context, this)),
      m_list(new AppSnapList(context, this)) {
    setObjectName(QStringLiteral("AppSnapsPage"));
    setAttribute(Qt::WA_TranslucentBackground);
    setFixedSize(int(kWidth), kOverhang + int(std::ceil(kHeight)));
    const int top = kOverhang + int(std::round(rowTop()));
    const int rowHeight = int(std::round(kRowHeight));
    m_setup->setGeometry(0, top, int(kCardWidth), rowHeight);
    m_list->setGeometry(int(kCardWidth + kRowSpacing), top, int(kCardWidth), rowHeight);
    // The picker's own card stands above the list's, as its list drops over it.
    m_setup->raise();
    connect(&context.store, &TilewickStore::appSnapAppChanged, this, qOverload<>(&QWidget::update));
}

QString AppSnapsPage::possessiveEnding(const QString& name) {
    return name.endsWith(u's', Qt::CaseSensitive) ? QStringLiteral("'") : QStringLiteral("'s");
}

QString AppSnapsPage::subtitleFor(const std::optional<InstalledApp>& app) {
    if (!app)
        return QStringLiteral("Choose an app, then select a key to define its launch layout.");
    return QStringLiteral("Select a key to define ") + app->name + possessiveEnding(app->name) +
           QStringLiteral(" launch layout.");
}

QString AppSnapsPage::subtitle() const {
    return subtitleFor(m_context.store.appSnapApp());
}

void AppSnapsPage::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    m_context.store.scanInstalledApps();
}

void AppSnapsPage::paintEvent(QPaintEvent*) {
    const Scheme scheme = m_context.scheme();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);

    const QFontMetricsF titleMetrics(titleFont());
    painter.setFont(titleFont());
    painter.setPen(Theme::textSecondary.resolve(scheme));
    painter.drawText(QRectF(0, kOverhang - kTitleLift, width(), titleMetrics.height()), Qt::AlignCenter,
                     QString::fromUtf8(kTitle));

    // One line; shrunk down to 0.8 of its size to fit, then cut.
    QFont font = subtitleFont();
    const QString text = subtitle();
    const qreal natural = QFontMetricsF(font).horizontalAdvance(text);
    if (natural > width())
        font.setPointSizeF(font.pointSizeF() * std::max(kSubtitleMinimumScale, width() / natural));
    const QFontMetricsF metrics(font);
    const qreal top = kOverhang + rowTop() + kRowHeight + kSpacing;
    painter.setFont(font);
    painter.setPen(Theme::text.resolve(scheme));
    painter.drawText(QRectF(0, top, width(), metrics.height()), Qt::AlignCenter,
                     metrics.elidedText(text, Qt::ElideRight, width()));
}

// --- AppSnapsPageItem ----------------------------------------------------------------------------

std::shared_ptr<AppIcons> AppSnapsPageItem::iconsFor(const TilewickStore& store, AppIcons::Load load) {
    return std::make_shared<AppIcons>(
        [&store](const QString& bundleID) { return store.lookUpApplication(bundleID); }, std::move(load));
}

AppSnapsPageItem::AppSnapsPageItem(TilewickStore& store, ViewServices services, Host host,
                                   std::shared_ptr<AppIcons> icons, QGraphicsItem* parent)
    : QGraphicsWidget(parent), m_host(std::move(host)), m_icons(icons ? std::move(icons) : iconsFor(store)),
      m_context{store, std::move(services), *m_icons, m_host.tips,
                [this](const QWidget& widget, QPointF local) { return rootPoint(widget, local); }} {
    setFlag(ItemHasNoContents);
    setFlag(ItemSendsScenePositionChanges);
    m_page = new AppSnapsPage(m_context);
    m_pageProxy = new QGraphicsProxyWidget(this);
    m_pageProxy->setWidget(m_page);
    m_pageProxy->setPos(0, -AppSnapsPage::kOverhang);
    m_page->setup()->picker()->installEventFilter(this);
    connect(&store, &TilewickStore::appPickerOpenChanged, this, &AppSnapsPageItem::openChanged);
    resize(AppSnapsPage::kWidth, AppSnapsPage::kHeight);
    openChanged();
}

QSizeF AppSnapsPageItem::sizeHint(Qt::SizeHint which, const QSizeF& constraint) const {
    if (which == Qt::PreferredSize || which == Qt::MinimumSize)
        return {AppSnapsPage::kWidth, AppSnapsPage::kHeight};
    return QGraphicsWidget::sizeHint(which, constraint);
}

QPointF AppSnapsPageItem::rootPoint(const QWidget& widget, QPointF local) const {
    const QWidget* top = widget.window();
    const QPointF inTop = QPointF(widget.mapTo(top, QPoint(0, 0))) + local;
    QGraphicsProxyWidget* proxy = top->graphicsProxyWidget();
    if (!proxy)
        return inTop;
    const QPointF scenePos = proxy->mapToScene(inTop);
    return m_host.rootPoint ? m_host.rootPoint(scenePos) : scenePos;
}

QRectF AppSnapsPageItem::rootRect(const QWidget& widget, const QRectF& local) const {
    return QRectF(rootPoint(widget, local.topLeft()), rootPoint(widget, local.bottomRight()));
}

void AppSnapsPageItem::openChanged() {
    const bool open = m_context.store.appPickerOpen();
    if (open && !m_list) {
        auto* list = new AppPickerList(m_context);
        m_list = list;
        m_listProxy = new QGraphicsProxyWidget(this);
        m_listProxy->setWidget(list);
        m_listProxy->setZValue(1);
        list->installEventFilter(this);
    } else if (!open && m_list) {
        // The list may be what was clicked: it goes on a later turn.
        QGraphicsProxyWidget* proxy = m_listProxy;
        m_listProxy = nullptr;
        m_list = nullptr;
        proxy->hide();
        proxy->deleteLater();
    }
    frameChanged();
}

void AppSnapsPageItem::frameChanged() {
    if (!m_page)
        return;
    AppPicker* picker = m_page->setup()->picker();
    if (m_list && m_listProxy) {
        const QPointF box = m_pageProxy->pos() + QPointF(picker->mapTo(m_page, QPoint(0, 0)));
        m_listProxy->setPos(box + QPointF(0, kListOffset) - QPointF(m_list->cardRect().topLeft()));
        // A list that shrank leaves its old place to be drawn again, over items of other parents.
        // (The widget's own size: the proxy follows a resize only after this.)
        const QRectF drawn = m_listProxy->mapRectToScene(QRectF(QPointF(), QSizeF(m_list->size())));
        if (scene() && drawn != m_listDrawn)
            scene()->update(m_listDrawn.united(drawn));
        m_listDrawn = drawn;
    }
    if (m_host.setAppPickerFrame)
        m_host.setAppPickerFrame(picker->isVisible() ? rootRect(*picker, QRectF(picker->rect())) : QRectF());
    if (m_host.setAppPickerListFrame)
        m_host.setAppPickerListFrame(m_list ? rootRect(*m_list, m_list->cardRect()) : QRectF());
}

QVariant AppSnapsPageItem::itemChange(GraphicsItemChange change, const QVariant& value) {
    if (change == ItemScenePositionHasChanged || change == ItemVisibleHasChanged)
        frameChanged();
    return QGraphicsWidget::itemChange(change, value);
}

bool AppSnapsPageItem::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::Show:
    case QEvent::Hide:
        frameChanged();
        break;
    default:
        break;
    }
    return QGraphicsWidget::eventFilter(watched, event);
}

} // namespace tilewick
