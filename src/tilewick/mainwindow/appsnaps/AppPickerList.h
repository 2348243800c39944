#pragma once

#include "AppSnapsContext.h"

#include "tilewick/model/InstalledApp.h"
#include "tilewick/visuals/Motion.h"

#include "platform/Runtime.h"

#include <QList>
#include <QWidget>

class QScrollArea;

namespace tilewick {

class VisibleRows;

// One application of the picker's list, 30 points high: its icon, its name (bolder while lit)
// and, when it has a saved snap, that snap's layout at the right end. Hovering lights it;
// leaving changes nothing. A click chooses the application.
class PickerRow final : public QWidget {
    Q_OBJECT

public:
    static constexpr int kHeight = 30;

    PickerRow(const AppSnapsContext& context, InstalledApp app, QWidget* parent = nullptr);

    const InstalledApp& app() const { return m_app; }
    bool highlighted() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    AppSnapsContext m_context;
    InstalledApp m_app;
    bool m_pressed = false;
};

// The picker's drop-down list of the applications that match the search: a "CHOOSE APP" header
// and a line, then the rows (or a waiting text while the applications are being found, or a
// no-match text that quotes the search). 422 points wide, min(max(n, 1) × 31 + 52, 300) high for
// n rows; more than eight scroll. It follows the lit row with the smallest scroll, easing out
// over 0.1 s. The widget leaves room for the card's shadow around it: the card is cardRect().
// Only the rows in view exist, so a keystroke costs the same with thousands of applications.
class AppPickerList final : public QWidget {
    Q_OBJECT

public:
    static constexpr int kWidth = 422;
    static constexpr int kMaxHeight = 300;
    static constexpr int kRowPitch = 31;
    static constexpr int kPadding = 6;
    static constexpr int kShadowMargin = 24;
    static constexpr double kScrollDuration = 0.1;
    static constexpr const char* kWaiting = "Finding your apps…";

    explicit AppPickerList(const AppSnapsContext& context, QWidget* parent = nullptr);

    // The list's height for n matching applications.
    static int heightFor(qsizetype rows);
    // The text shown instead of rows; empty while there are rows.
    QString message() const;
    QRectF cardRect() const;
    // The rows that exist (those in view), in the list's order.
    QList<PickerRow*> rows() const;
    // How many applications the list shows.
    qsizetype rowCount() const;
    QScrollArea* scrollArea() const { return m_scroll; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void rebuild();
    void follow();
    void scrollStep();
    void stopScrolling();

    AppSnapsContext m_context;
    QScrollArea* m_scroll;
    // The applications shown, in order.
    QList<InstalledApp> m_offered;
    VisibleRows* m_rows = nullptr;
    Transition m_scrolling;
    platform::RepeatingTimerRef m_scrollTimer;
};

} // namespace tilewick
