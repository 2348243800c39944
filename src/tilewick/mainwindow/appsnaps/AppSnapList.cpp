#include "AppSnapList.h"

#include "AppIcons.h"
#include "PositionIcon.h"
#include "VisibleRows.h"

#include "tilewick/store/InstalledApps.h"
#include "tilewick/store/TilewickStore.h"
#include "tilewick/visuals/InterFont.h"
#include "tilewick/visuals/RoundedRect.h"
#include "tilewick/visuals/Symbols.h"

#include <QContextMenuEvent>
#include <QFontMetricsF>
#include <QMenu>
#include <QPainter>
#include <QScrollArea>

namespace tilewick {

namespace {

constexpr int kCardPadding = 14;
constexpr int kCardSpacing = 8;
constexpr int kRowSpacing = 2;
constexpr qreal kRowRadius = 6;
constexpr int kRowPadding = 8;
constexpr int kItemSpacing = 10;
constexpr QSizeF kPositionSize(36, 21);
constexpr qreal kIconSize = 22;
constexpr qreal kMinimumGap = 4;

const QFont& titleFont() {
    return interFont(13, 500);
}

} // namespace

// --- RowIconButton -------------------------------------------------------------------------------

RowIconButton::RowIconButton(const AppSnapsContext& context, QString symbol, const QString& tip,
                             QWidget* parent)
    : QAbstractButton(parent), m_context(context), m_symbol(std::move(symbol)) {
    setFixedSize(kSide, kSide);
    setAttribute(Qt::WA_Hover);
    setCursor(Qt::PointingHandCursor);
    setAccessibleName(tip);
    m_context.attachTip(*this, tip);
}

bool RowIconButton::event(QEvent* event) {
    if (event->type() == QEvent::HoverEnter || event->type() == QEvent::HoverLeave) {
        m_hovering = event->type() == QEvent::HoverEnter;
        update();
    }
    return QAbstractButton::event(event);
}

void RowIconButton::paintEvent(QPaintEvent*) {
    const Scheme scheme = m_context.scheme();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor color = m_hovering ? Theme::accent.resolve(scheme) : Theme::textSecondary.resolve(scheme);
    Symbols::paint(painter, m_symbol, QRectF(rect()).center(), 13, color, SymbolWeight::Medium);
}

// --- AppSnapRow ----------------------------------------------------------------------------------

AppSnapRow::AppSnapRow(const AppSnapsContext& context, AppSnap snap, QWidget* parent)
    : QWidget(parent), m_context(context), m_snap(std::move(snap)),
      m_edit(new RowIconButton(context, QStringLiteral("square.and.pencil"),
                               QStringLiteral("Edit where ") + m_snap.name + QStringLiteral(" opens"), this)),
      m_remove(new RowIconButton(context, QStringLiteral("trash"),
                                 QStringLiteral("Remove: ") + m_snap.name +
                                     QStringLiteral(" opens wherever it likes again"),
                                 this)) {
    setFixedHeight(kHeight);
    setAttribute(Qt::WA_Hover);
    setAccessibleName(m_snap.name);
    m_context.attachTip(*this, tipText(m_snap));
    connect(m_edit, &QAbstractButton::clicked, this, &AppSnapRow::edit);
    connect(m_remove, &QAbstractButton::clicked, this, &AppSnapRow::remove);
}

QString AppSnapRow::tipText(const AppSnap& snap) {
    QString tip = QStringLiteral("Opens ") + multiPhrase(snap.action, snap.multiWindow);
    if (snap.displayName)
        tip += QStringLiteral(" on ") + *snap.displayName;
    return tip + QStringLiteral(". Click to change");
}

bool AppSnapRow::selected() const {
    const auto& chosen = m_context.store.appSnapApp();
    return chosen && chosen->id == m_snap.bundleID;
}

void AppSnapRow::edit() {
    m_context.store.editAppSnap(m_snap);
}

void AppSnapRow::remove() {
    // Copied: removing the snap rebuilds the list, and this row with it.
    const QString bundleID = m_snap.bundleID;
    m_context.store.removeAppSnap(bundleID, true);
}

QMenu* AppSnapRow::makeContextMenu() {
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    QAction* removeAction = menu->addAction(QStringLiteral("Remove"));
    const QString bundleID = m_snap.bundleID;
    TilewickStore* store = &m_context.store;
    // The row goes with its snap: the action holds nothing of it.
    connect(removeAction, &QAction::triggered, store,
            [store, bundleID] { store->removeAppSnap(bundleID, true); });
    return menu;
}

void AppSnapRow::contextMenuEvent(QContextMenuEvent* event) {
    makeContextMenu()->popup(event->globalPos());
}

bool AppSnapRow::event(QEvent* event) {
    if (event->type() == QEvent::HoverEnter || event->type() == QEvent::HoverLeave) {
        m_hovering = event->type() == QEvent::HoverEnter;
        update();
    }
    return QWidget::event(event);
}

void AppSnapRow::mousePressEvent(QMouseEvent* event) {
    m_pressed = event->button() == Qt::LeftButton;
    event->accept();
}

void AppSnapRow::mouseReleaseEvent(QMouseEvent* event) {
    const bool click =
        m_pressed && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    m_pressed = false;
    event->accept();
    if (click)
        edit();
}

void AppSnapRow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const int top = (height() - RowIconButton::kSide) / 2;
    m_remove->move(width() - kRowPadding - RowIconButton::kSide, top);
    m_edit->move(m_remove->x() - kItemSpacing - RowIconButton::kSide, top);
}

void AppSnapRow::paintEvent(QPaintEvent*) {
    const Scheme scheme = m_context.scheme();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const bool isSelected = selected();
    if (isSelected || m_hovering)
        RoundedRect{QRectF(rect()), kRowRadius}.fill(
            painter, (isSelected ? Theme::accentSoft : Theme::raised).resolve(scheme));

    const qreal middle = height() / 2.0;
    const QRectF position(kRowPadding, middle - kPositionSize.height() / 2, kPositionSize.width(),
                          kPositionSize.height());
    PositionIcon{m_snap}.paint(painter, position, scheme);
    const QRectF icon(position.right() + kItemSpacing, middle - kIconSize / 2, kIconSize, kIconSize);
    if (const auto found = m_context.icons.icon(m_snap.bundleID))
        AppIcons::paint(painter, icon, *found);
    else
        Symbols::paint(painter, QStringLiteral("app.dashed"), icon.center(), kIconSize,
                       Theme::textSecondary.resolve(scheme));

    const QFont& font = isSelected ? interFont(14, 560) : interFont(14, 460);
    const qreal left = icon.right() + kItemSpacing;
    const qreal right = m_edit->x() - kItemSpacing - kMinimumGap;
    painter.setFont(font);
    painter.setPen(Theme::text.resolve(scheme));
    const QString name =
        QFontMetricsF(font).elidedText(m_snap.name, Qt::ElideRight, std::max(right - left, 0.0));
    painter.drawText(QRectF(left, 0, std::max(right - left, 0.0), height()), Qt::AlignVCenter | Qt::AlignLeft,
                     name);
}

// --- AppSnapList ---------------------------------------------------------------------------------

AppSnapList::AppSnapList(const AppSnapsContext& context, QWidget* parent)
    : QWidget(parent), m_context(context), m_scroll(new QScrollArea(this)) {
    setObjectName(QStringLiteral("AppSnapList"));
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setWidgetResizable(true);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->setAutoFillBackground(false);
    m_scroll->viewport()->setAutoFillBackground(false);
    TilewickStore& store = m_context.store;
    connect(&store, &TilewickStore::appSnapsChanged, this, &AppSnapList::rebuild);
    connect(&store, &TilewickStore::appSnapAppChanged, this, [this] {
        for (AppSnapRow* row : rows())
            row->update();
    });
    rebuild();
}

QList<AppSnapRow*> AppSnapList::rows() const {
    QList<AppSnapRow*> rows;
    for (QWidget* row : m_rows->rows())
        rows.append(static_cast<AppSnapRow*>(row));
    return rows;
}

void AppSnapList::rebuild() {
    const QList<AppSnap>& snaps = m_context.store.appSnaps();
    // Rows are made as they come into view, from the snaps of this moment: a change of the
    // snaps makes the list anew.
    m_rows = new VisibleRows(*m_scroll, {AppSnapRow::kHeight, kRowSpacing, 0}, snaps.size(),
                             [this, snaps, order = orderByName(snaps)](qsizetype index, QWidget* parent) {
                                 return new AppSnapRow(m_context, snaps[order[index]], parent);
                             });
    replaceScrolledRows(*m_scroll, m_rows, m_context.scheme());
    m_rows->place();
    m_scroll->setVisible(!snaps.isEmpty());
    update();
}

void AppSnapList::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const int top = kCardPadding + int(std::ceil(QFontMetricsF(titleFont()).height())) + kCardSpacing;
    m_scroll->setGeometry(kCardPadding, top, width() - 2 * kCardPadding, height() - top - kCardPadding);
}

void AppSnapList::paintEvent(QPaintEvent*) {
    const Scheme scheme = m_context.scheme();
    QPainter painter(this);
    paintPageCard(painter, QRectF(rect()), scheme);

    const qreal titleHeight = QFontMetricsF(titleFont()).height();
    const QRectF title(kCardPadding, kCardPadding, width() - 2 * kCardPadding, titleHeight);
    painter.setFont(titleFont());
    painter.setPen(Theme::text.resolve(scheme));
    painter.drawText(title, Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Your default app snaps"));
    if (m_rows->count() > 0)
        return;
    painter.setFont(interFont(12, 400));
    painter.setPen(Theme::textSecondary.resolve(scheme));
    painter.drawText(QRectF(title.left(), title.bottom() + kCardSpacing, title.width(), height()),
                     Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, QString::fromUtf8(kEmpty));
}

} // namespace tilewick
