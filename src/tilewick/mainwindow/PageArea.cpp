#include "PageArea.h"

#include "tilewick/store/TilewickStore.h"
#include "tilewick/visuals/HeadingText.h"
#include "tilewick/visuals/InterFont.h"
#include "tilewick/visuals/keyboard/KeyboardView.h"

#include <QPainter>

namespace tilewick {

namespace {

// The tab pages' content until they are built: the room they take.
class PagePlaceholder final : public QGraphicsWidget {
public:
    PagePlaceholder() { setFlag(ItemHasNoContents); }

protected:
    QSizeF sizeHint(Qt::SizeHint which, const QSizeF& constraint) const override {
        if (which == Qt::PreferredSize)
            return {TabPage::kReferenceWidth, TabPage::kContentHeight};
        return QGraphicsWidget::sizeHint(which, constraint);
    }
};

} // namespace

TabPage::TabPage(SnapTab tab, qreal width, ViewServices services, QGraphicsItem* parent)
    : QGraphicsWidget(parent), m_tab(tab), m_width(width), m_services(std::move(services)) {
    m_content = new FitWidth(new PagePlaceholder, width, kReferenceWidth, this);
    m_content->setPos(0, kTitleHeight + kSpacing);
    resize(effectiveSizeHint(Qt::PreferredSize));
}

QString TabPage::titleOf(SnapTab tab) {
    return tab == SnapTab::global ? QStringLiteral("General hotkeys") : title(tab);
}

void TabPage::setTab(SnapTab tab) {
    if (tab == m_tab)
        return;
    m_tab = tab;
    update();
}

void TabPage::setWidth(qreal width) {
    if (width == m_width)
        return;
    m_width = width;
    m_content->setAvailable(width);
    updateGeometry();
    resize(effectiveSizeHint(Qt::PreferredSize));
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
                  m_services.scheme());
}

KeyboardEnvironment windowKeyboardStyle(const TilewickStore& store) {
    const bool appSnaps = store.tab() == SnapTab::appSnaps;
    KeyboardEnvironment environment;
    environment.allHotkeysSelected = appSnaps || store.modifiersHeld();
    environment.pickingAppSnap = appSnaps;
    environment.allPartsLit = appSnaps ? store.appSnapMulti() : store.globeChordHeld();
    return environment;
}

PageColumn::PageColumn(TilewickStore& store, ViewServices services, HoverTipState& tips, bool iso,
                       QGraphicsItem* parent)
    : QGraphicsWidget(parent), m_store(store) {
    m_page = new TabPage(store.tab(), m_layout.keyboardWidth, services, this);
    m_page->setZValue(1);
    m_keyboard = new KeyboardView(store, services, tips, iso, 4, windowKeyboardStyle(store), this);
    connect(&store, &TilewickStore::tabChanged, this, [this] {
        m_page->setTab(m_store.tab());
        restyle();
    });
    connect(&store, &TilewickStore::pressedKeysChanged, this, &PageColumn::restyle);
    connect(&store, &TilewickStore::appSnapMultiChanged, this, &PageColumn::restyle);
    relayout();
}

void PageColumn::restyle() {
    const KeyboardEnvironment style = windowKeyboardStyle(m_store);
    const KeyboardEnvironment& now = m_keyboard->environment();
    if (style.allHotkeysSelected != now.allHotkeysSelected || style.pickingAppSnap != now.pickingAppSnap ||
        style.allPartsLit != now.allPartsLit)
        m_keyboard->setEnvironment(style);
}

void PageColumn::setLayout(const PageLayout& page, qreal pad) {
    m_layout = page;
    m_pad = pad;
    relayout();
}

void PageColumn::relayout() {
    m_page->setWidth(m_layout.keyboardWidth);
    m_page->setPos(m_pad, PageLayout::kVerticalPadding);
    m_keyboard->setWidth(m_layout.keyboardWidth);
    m_keyboard->setPos(m_pad, PageLayout::kVerticalPadding +
                                  m_page->effectiveSizeHint(Qt::PreferredSize).height() +
                                  PageLayout::kSpacing);
    updateGeometry();
}

QSizeF PageColumn::sizeHint(Qt::SizeHint which, const QSizeF& constraint) const {
    if (which == Qt::PreferredSize)
        return {m_layout.keyboardWidth + 2 * m_pad,
                2 * PageLayout::kVerticalPadding + m_page->effectiveSizeHint(Qt::PreferredSize).height() +
                    PageLayout::kSpacing + m_layout.keyboardHeight + PageLayout::kKeyboardBottom};
    return QGraphicsWidget::sizeHint(which, constraint);
}

} // namespace tilewick
