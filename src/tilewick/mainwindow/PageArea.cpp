#include "PageArea.h"

#include "TabPage.h"

#include "tilewick/store/TilewickStore.h"
#include "tilewick/visuals/keyboard/KeyboardView.h"

#include <QPainter>
#include <QPointer>

#include <utility>

namespace tilewick {

KeyboardEnvironment windowKeyboardStyle(const TilewickStore& store) {
    const bool appSnaps = store.tab() == SnapTab::appSnaps;
    KeyboardEnvironment environment;
    environment.allHotkeysSelected = appSnaps || store.modifiersHeld();
    environment.pickingAppSnap = appSnaps;
    environment.allPartsLit = appSnaps ? store.appSnapMulti() : store.globeChordHeld();
    return environment;
}

PageColumn::PageColumn(const PageContext& context, std::function<bool()> iso, QGraphicsItem* parent)
    : QGraphicsWidget(parent), m_store(context.store) {
    TilewickStore& store = context.store;
    m_page = new TabPage(context, store.tab(), m_layout.keyboardWidth, TabPageMakers::standard(), this);
    m_page->setZValue(1);
    m_keyboard =
        new KeyboardView(store, context.services, context.tips, std::move(iso), 4, keyboardStyle(), this);
    connect(&store, &TilewickStore::tabChanged, this, [this] {
        m_page->setTab(m_store.tab());
        restyle();
    });
    // Late by as much as the keyboard's own redraw for held keys.
    connect(&store, &TilewickStore::pressedKeysChanged, this, [this, runtime = &context.services.runtime()] {
        if (std::exchange(m_restylePending, true))
            return;
        runtime->after(KeyboardView::kHeldKeysDelay, [self = QPointer<PageColumn>(this)] {
            if (self && std::exchange(self->m_restylePending, false))
                self->restyle();
        });
    });
    connect(&store, &TilewickStore::appSnapMultiChanged, this, &PageColumn::restyle);
    relayout();
}

KeyboardEnvironment PageColumn::keyboardStyle() const {
    KeyboardEnvironment style = windowKeyboardStyle(m_store);
    // Picking, a layout key is the chosen application's place.
    if (style.pickingAppSnap)
        style.assignAppSnapKey = [store = &m_store](SnapAction action) { store->assignAppSnapKey(action); };
    return style;
}

void PageColumn::restyle() {
    const KeyboardEnvironment style = keyboardStyle();
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
