#include "TabPage.h"

#include "FitContainers.h"
#include "ModifierPanel.h"
#include "MultiWindowCard.h"
#include "PageItem.h"
#include "SnapCard.h"
#include "appsnaps/AppSnapsPage.h"

#include "tilewick/visuals/HeadingText.h"
#include "tilewick/visuals/InterFont.h"

#include <QPainter>

namespace tilewick {

namespace {

constexpr qreal kOneRowPreview = 240.56;
constexpr qreal kRowsPreview = 78;

// The room a page kind takes until it is built.
class EmptyPage final : public QGraphicsWidget {
public:
    EmptyPage() { setFlag(ItemHasNoContents); }

protected:
    QSizeF sizeHint(Qt::SizeHint which, const QSizeF& constraint) const override {
        if (which == Qt::PreferredSize)
            return {TabPage::kReferenceWidth, TabPage::kContentHeight};
        return QGraphicsWidget::sizeHint(which, constraint);
    }
};

TabPageLayout::Item cardItem(SnapAction action, QPointF at, qreal width, qreal previewHeight, int nameLines) {
    const QSizeF size = SnapCard::Layout::of(width, previewHeight, nameLines).card;
    return {TabPageLayout::Item::Kind::card, action, QRectF(at, size), width, previewHeight, nameLines};
}

} // namespace

std::optional<int> TabPageLayout::cardsPerRow(SnapTab tab) {
    switch (tab) {
    case SnapTab::halves:
    case SnapTab::twoThirds:
    case SnapTab::quarters:
    case SnapTab::upDownHalves:
    case SnapTab::upDownTwoThirds:
        return 2;
    case SnapTab::thirds:
    case SnapTab::sixths:
    case SnapTab::upDownThirds:
        return 3;
    case SnapTab::fourColumns:
    case SnapTab::eighths:
        return 4;
    case SnapTab::global:
    case SnapTab::appSnaps:
        return std::nullopt;
    }
    return std::nullopt;
}

std::optional<qreal> TabPageLayout::gridColumns(SnapTab tab) {
    if (const std::optional<int> perRow = cardsPerRow(tab))
        return qreal(*perRow);
    return std::nullopt;
}

TabPageLayout TabPageLayout::global() {
    TabPageLayout layout;
    const QSizeF card = SnapCard::Layout::of(kGlobalCardWidth, kGlobalPreviewHeight, 2).card;
    QList<SnapAction> first;
    for (SnapAction action : actions(SnapTab::global))
        if (action != SnapAction::undo && action != SnapAction::redo)
            first.append(action);
    qreal x = 0;
    for (SnapAction action : first) {
        layout.items.append(cardItem(action, {x, 0}, kGlobalCardWidth, kGlobalPreviewHeight, 2));
        x += card.width() + kSpacing;
    }
    // The second row, leading-aligned, its items centred on the row's height.
    const qreal top = card.height() + kSpacing;
    const qreal rowHeight = std::max(card.height(), kModifierPanel.height());
    layout.items.append(
        {Item::Kind::modifierPanel, std::nullopt,
         QRectF(QPointF(0, top + (rowHeight - kModifierPanel.height()) / 2), kModifierPanel)});
    x = kModifierPanel.width() + kSpacing;
    const qreal cardTop = top + (rowHeight - card.height()) / 2;
    for (SnapAction action : {SnapAction::undo, SnapAction::redo}) {
        layout.items.append(cardItem(action, {x, cardTop}, kGlobalCardWidth, kGlobalPreviewHeight, 2));
        x += card.width() + kSpacing;
    }
    layout.items.append({Item::Kind::multiWindow, std::nullopt, QRectF(QPointF(x, cardTop), card),
                         kGlobalCardWidth, kGlobalPreviewHeight, 2});
    layout.size = QSizeF(TabPage::kReferenceWidth, std::max(TabPage::kContentHeight, top + rowHeight));
    return layout;
}

TabPageLayout TabPageLayout::grid(SnapTab tab) {
    TabPageLayout layout;
    const std::optional<int> perRow = cardsPerRow(tab);
    const std::optional<qreal> cols = gridColumns(tab);
    if (!perRow || !cols)
        return layout;
    const QList<SnapAction>& all = actions(tab);
    const qsizetype rows = (all.size() + *perRow - 1) / *perRow;
    const qreal width = (TabPage::kReferenceWidth - kSpacing * (*cols - 1)) / *cols - 2 * SnapCard::kPadding;
    const qreal preview = rows > 1 ? kRowsPreview : kOneRowPreview;
    const QSizeF card = SnapCard::Layout::of(width, preview, 1).card;
    const qreal gridWidth = *perRow * card.width() + (*perRow - 1) * kSpacing;
    const qreal gridHeight = qreal(rows) * card.height() + qreal(rows - 1) * kSpacing;
    // The grid is centred in the page; rows fill from the leading column.
    const QPointF origin((TabPage::kReferenceWidth - gridWidth) / 2, 0);
    for (qsizetype i = 0; i < all.size(); ++i) {
        const qreal x = origin.x() + qreal(i % *perRow) * (card.width() + kSpacing);
        const qreal y = origin.y() + qreal(i / *perRow) * (card.height() + kSpacing);
        layout.items.append(cardItem(all[i], {x, y}, width, preview, 1));
    }
    layout.size = QSizeF(TabPage::kReferenceWidth, gridHeight);
    return layout;
}

TabPageKind pageKind(SnapTab tab) {
    switch (tab) {
    case SnapTab::global:
        return TabPageKind::global;
    case SnapTab::appSnaps:
        return TabPageKind::appSnaps;
    default:
        return TabPageKind::grid;
    }
}

TabPageMakers TabPageMakers::standard() {
    return {
        [](const PageContext& context, SnapTab) { return new CardsPage(context, TabPageLayout::global()); },
        [](const PageContext& context, SnapTab tab) {
            return new CardsPage(context, TabPageLayout::grid(tab));
        },
        // The icons stay loaded while the pages are made again and again.
        [icons = std::make_shared<std::shared_ptr<AppIcons>>()](const PageContext& context,
                                                                SnapTab) -> QGraphicsWidget* {
            if (!*icons)
                *icons = AppSnapsPageItem::iconsFor(context.store);
            PageHost* host = &context.host;
            AppSnapsPageItem::Host pageHost{
                [host](QPointF scenePos) { return host->rootPoint(scenePos); },
                [host](const QRectF& frame) { host->setAppPickerFrame(frame); },
                [host](const QRectF& frame) { host->setAppPickerListFrame(frame); }, &context.tips};
            return new AppSnapsPageItem(context.store, context.services, std::move(pageHost), *icons);
        }};
}

const TabPageMaker& TabPageMakers::of(TabPageKind kind) const {
    switch (kind) {
    case TabPageKind::global:
        return global;
    case TabPageKind::grid:
        return grid;
    case TabPageKind::appSnaps:
        return appSnaps;
    }
    return grid;
}

CardsPage::CardsPage(const PageContext& context, const TabPageLayout& layout, QGraphicsItem* parent)
    : QGraphicsWidget(parent), m_size(layout.size) {
    setFlag(ItemHasNoContents);
    for (const TabPageLayout::Item& item : layout.items) {
        PageItem* made = nullptr;
        switch (item.kind) {
        case TabPageLayout::Item::Kind::card:
            made = new SnapCard(context, *item.action, item.width, item.previewHeight, item.nameLines, this);
            break;
        case TabPageLayout::Item::Kind::modifierPanel:
            made = new ModifierPanel(context, item.frame.size(), this);
            break;
        case TabPageLayout::Item::Kind::multiWindow:
            made = new MultiWindowCard(context, item.width, item.previewHeight, this);
            break;
        }
        made->setPos(item.frame.topLeft());
    }
    resize(m_size);
}

QSizeF CardsPage::sizeHint(Qt::SizeHint which, const QSizeF& constraint) const {
    if (which == Qt::PreferredSize)
        return m_size;
    return QGraphicsWidget::sizeHint(which, constraint);
}

TabPage::TabPage(const PageContext& context, SnapTab tab, qreal width, TabPageMakers makers,
                 QGraphicsItem* parent)
    : QGraphicsWidget(parent), m_context(context), m_makers(std::move(makers)), m_tab(tab), m_width(width) {
    rebuild();
}

QString TabPage::titleOf(SnapTab tab) {
    return tab == SnapTab::global ? QStringLiteral("General hotkeys") : title(tab);
}

void TabPage::setTab(SnapTab tab) {
    if (tab == m_tab)
        return;
    m_tab = tab;
    rebuild();
    update();
}

void TabPage::rebuild() {
    if (m_content) {
        // The parts of the old page are going: a modifier panel or a picker among them no longer
        // shows.
        m_context.host.setModifierPanelFrame(QRectF());
        m_context.host.setAppPickerFrame(QRectF());
        m_context.host.setAppPickerListFrame(QRectF());
        delete m_content;
    }
    const TabPageMaker& maker = m_makers.of(pageKind(m_tab));
    QGraphicsWidget* page = maker ? maker(m_context, m_tab) : nullptr;
    m_content = new FitWidth(page ? page : new EmptyPage, m_width, kReferenceWidth, this);
    m_content->setPos(0, kTitleHeight + kSpacing);
    updateGeometry();
    resize(effectiveSizeHint(Qt::PreferredSize));
}

void TabPage::setWidth(qreal width) {
    if (width == m_width)
        return;
    m_width = width;
    m_content->setAvailable(width);
    updateGeometry();
    resize(effectiveSizeHint(Qt::PreferredSize));
    reportFrames();
}

void TabPage::reportFrames() {
    QList<QGraphicsItem*> pending = childItems();
    while (!pending.isEmpty()) {
        QGraphicsItem* item = pending.takeFirst();
        if (auto* part = dynamic_cast<ReportsFrame*>(item))
            part->frameChanged();
        pending.append(item->childItems());
    }
}

QSizeF TabPage::sizeHint(Qt::SizeHint which, const QSizeF& constraint) const {
    if (which == Qt::PreferredSize)
        return {m_width, kTitleHeight + kSpacing + m_content->effectiveSizeHint(Qt::PreferredSize).height()};
    return QGraphicsWidget::sizeHint(which, constraint);
}

void TabPage::paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*) {
    const HeadingText heading{titleOf(m_tab), interFont(20, 517)};
    const QSizeF size = heading.sizeHint();
    painter->setRenderHint(QPainter::Antialiasing);
    heading.paint(*painter, QRectF((m_width - size.width()) / 2, 0, size.width(), kTitleHeight),
                  m_context.services.scheme());
}

} // namespace tilewick
