#pragma once

#include "PanelServices.h"
#include "TextBlock.h"

#include "betakit/BetaPanel.h"
#include "tilewick/manual/Changelog.h"

#include <QList>
#include <QScrollArea>
#include <QWidget>

#include <memory>
#include <optional>

namespace tilewick {

// The changelog's lines grouped by day, newest day first, each day under its title and each line
// after a small gradient dot. The lines can be selected with the pointer and copied.
class ChangelogContent final : public QWidget {
    Q_OBJECT

public:
    ChangelogContent(ViewServices services, const Changelog::Calendar& calendar, QWidget* parent = nullptr);

    // The day titles, newest first.
    QStringList titles() const;
    qreal layoutFor(qreal width);
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return {0, 0}; }

    // The text selected now, one line per title or change.
    QString selectedText() const;
    // Selects from one point of the content to another, as a drag with the pointer does.
    void select(QPointF from, QPointF to);
    // Widest line of text laid out now.
    qreal widestLine() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    struct Block {
        TextBlock text;
        QPointF at;
        bool title = false;
    };
    struct Position {
        qsizetype block = 0;
        qsizetype offset = 0;
        auto operator<=>(const Position&) const = default;
    };
    Position positionAt(QPointF point) const;
    std::pair<Position, Position> selection() const;

    ViewServices m_services;
    QList<Block> m_blocks;
    QList<QPointF> m_bullets;
    qreal m_laidOutWidth = -1;
    qreal m_height = 0;
    Position m_anchor;
    Position m_focus;
};

// The changelog window's content: its lines in a vertical scroll view on the page background.
class ChangelogView final : public QScrollArea {
    Q_OBJECT

public:
    ChangelogView(ViewServices services, const Changelog::Calendar& calendar, QWidget* parent = nullptr);

    ChangelogContent* content() const { return m_content; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ViewServices m_services;
    ChangelogContent* m_content;
    std::optional<Scheme> m_appliedScheme;
};

// The "Tilewick Changelog" window: made on the first show, 520 × 640 and centred, never smaller
// than 380 × 320. Every show puts fresh content in it, so "What's new today" and "Yesterday"
// follow the day it is opened on; the window keeps its place and size.
class ChangelogPanel {
public:
    static constexpr QSize kSize{520, 640};
    static constexpr QSize kMinimumSize{380, 320};

    // `calendar` gives the calendar of each opening; by default the user's, now.
    explicit ChangelogPanel(PanelServices services, std::function<Changelog::Calendar()> calendar = {});
    ~ChangelogPanel();

    void show();
    betakit::BetaPanel* panel() const { return m_panel.get(); }
    ChangelogView* view() const;

private:
    PanelServices m_services;
    std::function<Changelog::Calendar()> m_calendar;
    std::unique_ptr<betakit::BetaPanel> m_panel;
};

} // namespace tilewick
