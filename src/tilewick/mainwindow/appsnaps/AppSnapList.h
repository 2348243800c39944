#pragma once

#include "AppSnapsContext.h"

#include "tilewick/model/AppSnap.h"

#include <QAbstractButton>
#include <QList>
#include <QWidget>

class QMenu;
class QScrollArea;

namespace tilewick {

class VisibleRows;

// A small symbol button of a saved row, 24 × 24: the symbol in the secondary text colour, in
// the accent while the pointer is over it. Its tip is also its accessibility label and hint.
class RowIconButton final : public QAbstractButton {
    Q_OBJECT

public:
    static constexpr int kSide = 24;

    RowIconButton(const AppSnapsContext& context, QString symbol, const QString& tip,
                  QWidget* parent = nullptr);

    QString symbol() const { return m_symbol; }
    bool hovering() const { return m_hovering; }

    QSize sizeHint() const override { return {kSide, kSide}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;

private:
    AppSnapsContext m_context;
    QString m_symbol;
    bool m_hovering = false;
};

// One saved snap, 32 points high: its layout, its application's icon (a dashed square when the
// desktop knows no such application) and name, then an edit and a remove button. A click on the
// row edits it (chooses its application for the setup); the context menu removes it. The row of
// the chosen application is tinted; otherwise hovering tints it with the raised colour.
class AppSnapRow final : public QWidget {
    Q_OBJECT

public:
    static constexpr int kHeight = 32;

    AppSnapRow(const AppSnapsContext& context, AppSnap snap, QWidget* parent = nullptr);

    const AppSnap& snap() const { return m_snap; }
    bool selected() const;
    bool hovering() const { return m_hovering; }
    // "Opens <phrase>[ on <display>]. Click to change".
    static QString tipText(const AppSnap& snap);
    RowIconButton* editButton() const { return m_edit; }
    RowIconButton* removeButton() const { return m_remove; }
    // The row's context menu: "Remove".
    QMenu* makeContextMenu();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void edit();
    void remove();

    AppSnapsContext m_context;
    AppSnap m_snap;
    RowIconButton* m_edit;
    RowIconButton* m_remove;
    bool m_hovering = false;
    bool m_pressed = false;
};

// The card of saved snaps, the right half of the page: "Your default app snaps", then the rows
// sorted by name as people sort (the stored order stays), or a short text while there are none.
// Only the rows in view exist: thousands of snaps open the page as fast as a few.
class AppSnapList final : public QWidget {
    Q_OBJECT

public:
    static constexpr const char* kEmpty = "None yet. Choose an app, then the key for where it opens.";

    explicit AppSnapList(const AppSnapsContext& context, QWidget* parent = nullptr);

    // The rows that exist (those in view), in the list's order.
    QList<AppSnapRow*> rows() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void rebuild();

    AppSnapsContext m_context;
    QScrollArea* m_scroll;
    VisibleRows* m_rows = nullptr;
};

} // namespace tilewick
