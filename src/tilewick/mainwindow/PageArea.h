#pragma once

#include "MainLayout.h"
#include "PageContext.h"

#include "tilewick/model/SnapTab.h"
#include "tilewick/visuals/ViewServices.h"
#include "tilewick/visuals/keyboard/KeyboardEnvironment.h"

#include <QGraphicsWidget>

namespace tilewick {

class HoverTipState;
class KeyboardView;
class TabPage;
class TilewickStore;

// What the main window's keyboard shows on a tab: on Default App Snaps it picks a layout with
// every bound key selected (every glyph part lit with the multi-window choice); elsewhere every
// bound key is selected while the hotkey modifiers are held, every part lit with Globe too.
KeyboardEnvironment windowKeyboardStyle(const TilewickStore& store);

// The scaled column of the page area: the tab's page over the drawn keyboard, padded.
class PageColumn final : public QGraphicsWidget {
    Q_OBJECT

public:
    PageColumn(const PageContext& context, std::function<bool()> iso, QGraphicsItem* parent = nullptr);

    // The keyboard's size and the column's side padding for a page area.
    void setLayout(const PageLayout& page, qreal pad);
    TabPage* page() const { return m_page; }
    KeyboardView* keyboard() const { return m_keyboard; }

protected:
    QSizeF sizeHint(Qt::SizeHint which, const QSizeF& constraint = QSizeF()) const override;

private:
    void relayout();
    void restyle();
    KeyboardEnvironment keyboardStyle() const;

    TilewickStore& m_store;
    PageLayout m_layout;
    qreal m_pad = 24;
    TabPage* m_page;
    KeyboardView* m_keyboard;
    bool m_restylePending = false;
};

} // namespace tilewick
