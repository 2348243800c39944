#pragma once

#include "AppSnapsContext.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;

namespace tilewick {

class AppPicker;
class CVButton;

// Where the setup's display is chosen: the label "Choose display to open <name> in" and a
// pop-up of the connected displays, side by side when both fit the width, else the label
// above the pop-up, 6 points apart. Picking a display saves a saved snap of the chosen
// application with it at once.
class DisplayChooser final : public QWidget {
    Q_OBJECT

public:
    explicit DisplayChooser(const AppSnapsContext& context, QWidget* parent = nullptr);

    QLabel* label() const { return m_label; }
    QComboBox* popUp() const { return m_popUp; }
    // The label and the pop-up stand side by side.
    bool sideBySide() const;
    // Reads the store again: the name, the displays and the selection.
    void refresh();

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void pick(int index);
    bool fitsSideBySide(int width) const;

    AppSnapsContext m_context;
    QLabel* m_label;
    QComboBox* m_popUp;
};

// The setup card, the left half of the page: the picker, and once an application is chosen its
// display chooser (with two or more displays), its multi-window checkbox (when it is thought
// able, or already on) and, at the bottom, its saved snap with a Remove button.
class AppSnapSetup final : public QWidget {
    Q_OBJECT

public:
    explicit AppSnapSetup(const AppSnapsContext& context, QWidget* parent = nullptr);

    AppPicker* picker() const { return m_picker; }
    DisplayChooser* displayChooser() const { return m_display; }
    QCheckBox* multiWindow() const { return m_multi; }
    QWidget* savedRow() const { return m_saved; }
    // The saved snap's description: "Opens <phrase>[ on <display>]".
    QString savedText() const;
    CVButton* removeButton() const { return m_remove; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void refresh();

    AppSnapsContext m_context;
    AppPicker* m_picker;
    DisplayChooser* m_display;
    QCheckBox* m_multi;
    QWidget* m_saved;
    QLabel* m_savedText;
    CVButton* m_remove;
    TipTracker* m_removeTip = nullptr;
};

} // namespace tilewick
