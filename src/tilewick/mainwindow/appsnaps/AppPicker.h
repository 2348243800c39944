#pragma once

#include "AppSnapsContext.h"
#include "PickerBoxView.h"

#include <QPointer>
#include <QWidget>

#include <memory>

namespace tilewick {

class TipTracker;

// The search box at the top of the setup card, 36 points high: the picker's box on a raised
// rounded surface with a border (1.5 points of accent while the list is open). While the list
// is closed, the search is empty and an application is chosen, it shows that application's
// icon and name in place of the placeholder. Typing opens the list and lights its first row;
// the field gives up the keyboard when the list closes while it has it.
class AppPicker final : public QWidget {
    Q_OBJECT

public:
    static constexpr int kHeight = 36;
    static constexpr qreal kChosenLeading = 31;
    static constexpr qreal kChosenIconSize = 20;
    static constexpr const char* kTip = "Choose an app: scroll through the list, or type its name";

    explicit AppPicker(const AppSnapsContext& context, QWidget* parent = nullptr);

    PickerBoxView* box() const { return m_box.view(); }
    // The chosen application shows in place of the placeholder.
    bool showsChosen() const;
    QString tip() const;

    QSize sizeHint() const override { return {422, kHeight}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void refresh();
    void openChanged();
    void queryChanged();

    AppSnapsContext m_context;
    PickerBox m_box;
    TipTracker* m_tip = nullptr;
};

} // namespace tilewick
