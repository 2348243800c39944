#pragma once

#include "FitContainers.h"
#include "MainLayout.h"

#include "tilewick/model/SnapTab.h"
#include "tilewick/visuals/ViewServices.h"
#include "tilewick/visuals/keyboard/KeyboardEnvironment.h"

#include <QGraphicsWidget>

namespace tilewick {

class HoverTipState;
class KeyboardView;
class TilewickStore;

// The page of one tab above the keyboard: its title row ("General hotkeys" for the Global tab,
// else the tab's title) and its content laid out for 922 points and scaled to the keyboard's
// width. The content is an empty place of the pages' height until the tab pages fill it.
class TabPage final : public QGraphicsWidget {
    Q_OBJECT

public:
    static constexpr qreal kReferenceWidth = 922;
    static constexpr qreal kContentHeight = 311.12;
    static constexpr qreal kTitleHeight = 32;
    static constexpr qreal kSpacing = 12;

    TabPage(SnapTab tab, qreal width, ViewServices services, QGraphicsItem* parent = nullptr);

    SnapTab tab() const { return m_tab; }
    void setTab(SnapTab tab);
    void setWidth(qreal width);
    static QString titleOf(SnapTab tab);
    FitWidth* content() const { return m_content; }

    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;

protected:
    QSizeF sizeHint(Qt::SizeHint which, const QSizeF& constraint = QSizeF()) const override;

private:
    SnapTab m_tab;
    qreal m_width;
    ViewServices m_services;
    FitWidth* m_content;
};

// What the main window's keyboard shows on a tab: on Default App Snaps it picks a layout with
// every bound key selected (every glyph part lit with the multi-window choice); elsewhere every
// bound key is selected while the hotkey modifiers are held, every part lit with Globe too.
KeyboardEnvironment windowKeyboardStyle(const TilewickStore& store);

// The scaled column of the page area: the tab's page over the drawn keyboard, padded.
class PageColumn final : public QGraphicsWidget {
    Q_OBJECT

public:
    PageColumn(TilewickStore& store, ViewServices services, HoverTipState& tips, bool iso,
               QGraphicsItem* parent = nullptr);

    // The keyboard's size and the column's side padding for a page area.
    void setLayout(const PageLayout& page, qreal pad);
    TabPage* page() const { return m_page; }
    KeyboardView* keyboard() const { return m_keyboard; }

protected:
    QSizeF sizeHint(Qt::SizeHint which, const QSizeF& constraint = QSizeF()) const override;

private:
    void relayout();
    void restyle();

    TilewickStore& m_store;
    PageLayout m_layout;
    qreal m_pad = 24;
    TabPage* m_page;
    KeyboardView* m_keyboard;
};

} // namespace tilewick
