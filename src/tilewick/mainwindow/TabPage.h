#pragma once

#include "PageContext.h"

#include "tilewick/model/SnapTab.h"

#include <QGraphicsWidget>

#include <functional>
#include <optional>

namespace tilewick {

class FitWidth;

// Where the parts of a tab page go at the pages' reference width of 922 points: the Global
// page's two rows (five action cards; the modifier panel, Undo, Redo and the multi-window card),
// or a layout tab's grid of equal cards. Every page is 922 × 311.12.
struct TabPageLayout {
    struct Item {
        enum class Kind { card, modifierPanel, multiWindow };
        Kind kind = Kind::card;
        std::optional<SnapAction> action;
        // The outer frame, card padding included.
        QRectF frame;
        // The card's arguments: content width, preview height, name lines.
        qreal width = 0;
        qreal previewHeight = 0;
        int nameLines = 1;
    };

    static constexpr qreal kSpacing = 14;
    static constexpr qreal kGlobalCardWidth = 149.2;
    static constexpr qreal kGlobalPreviewHeight = 58.28;
    static constexpr QSizeF kModifierPanel{360.4, 148.56};

    QList<Item> items;
    QSizeF size;

    // Cards in each row and grid columns of a layout tab; none for the Global and Default App
    // Snaps tabs.
    static std::optional<int> cardsPerRow(SnapTab tab);
    static std::optional<qreal> gridColumns(SnapTab tab);
    static TabPageLayout global();
    // The grid of a layout tab; empty for the others.
    static TabPageLayout grid(SnapTab tab);
};

// The kinds of tab page: the Global page, the card grid of a layout tab, the Default App Snaps
// page. Each kind has its own maker.
enum class TabPageKind { global, grid, appSnaps };
TabPageKind pageKind(SnapTab tab);

// Makes the content of a tab's page at the reference width: a widget of its natural size.
using TabPageMaker = std::function<QGraphicsWidget*(const PageContext& context, SnapTab tab)>;

struct TabPageMakers {
    TabPageMaker global;
    TabPageMaker grid;
    TabPageMaker appSnaps;

    // The program's pages.
    static TabPageMakers standard();
    const TabPageMaker& of(TabPageKind kind) const;
};

// The cards and the panel of a page laid out by a TabPageLayout.
class CardsPage final : public QGraphicsWidget {
    Q_OBJECT

public:
    CardsPage(const PageContext& context, const TabPageLayout& layout, QGraphicsItem* parent = nullptr);

protected:
    QSizeF sizeHint(Qt::SizeHint which, const QSizeF& constraint = QSizeF()) const override;

private:
    QSizeF m_size;
};

// The page of one tab above the keyboard: its title row ("General hotkeys" for the Global tab,
// else the tab's title) and its content, laid out for 922 points and scaled to the keyboard's
// width. The content is made afresh for each tab by the maker of its kind.
class TabPage final : public QGraphicsWidget {
    Q_OBJECT

public:
    static constexpr qreal kReferenceWidth = 922;
    static constexpr qreal kContentHeight = 311.12;
    static constexpr qreal kTitleHeight = 32;
    static constexpr qreal kSpacing = 12;

    TabPage(const PageContext& context, SnapTab tab, qreal width,
            TabPageMakers makers = TabPageMakers::standard(), QGraphicsItem* parent = nullptr);

    SnapTab tab() const { return m_tab; }
    void setTab(SnapTab tab);
    void setWidth(qreal width);
    static QString titleOf(SnapTab tab);
    FitWidth* content() const { return m_content; }
    // The page moved in its view (scrolled, scaled, the view moved): its parts say where they
    // are now.
    void reportFrames();

    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;

protected:
    QSizeF sizeHint(Qt::SizeHint which, const QSizeF& constraint = QSizeF()) const override;

private:
    void rebuild();

    PageContext m_context;
    TabPageMakers m_makers;
    SnapTab m_tab;
    qreal m_width;
    FitWidth* m_content = nullptr;
};

} // namespace tilewick
