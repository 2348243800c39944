#pragma once

#include "MainLayout.h"
#include "RestoresWindowSize.h"

#include "tilewick/visuals/CVButton.h"
#include "tilewick/visuals/ViewServices.h"

#include <QAbstractButton>

#include <functional>

namespace betakit {
class BetaFeedbackButton;
}

namespace tilewick {

class HoverTipState;
class TilewickStore;

// The texts of the header's tips and warning.
namespace HeaderTips {
inline constexpr const char* icon = "Tilewick: move and resize windows from the keyboard";
inline constexpr const char* warning =
    "Hotkeys aren't working yet: turn on Tilewick in the desktop's settings › Accessibility";
inline constexpr const char* overlay =
    "Show the keyboard when you hold your Tilewick modifiers in another app";
inline constexpr const char* login = "Open Tilewick automatically when you log in to your computer";
inline constexpr const char* manual = "Manual: how Tilewick works, with a search and a glossary";
inline constexpr const char* feedback = "Send beta feedback: a bug, an idea or a question";
} // namespace HeaderTips

// "by", the maker's mark and "VELDOR PELLRATH", centred on the middle of their capitals; one
// accessibility element.
class MakerCredit final : public QWidget {
    Q_OBJECT

public:
    explicit MakerCredit(ViewServices services, QWidget* parent = nullptr);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ViewServices m_services;
};

// The product's name in capitals: "TILE" heavy in the text colour, "WICK" lighter in the
// window gradient.
class Wordmark final : public QWidget {
    Q_OBJECT

public:
    explicit Wordmark(ViewServices services, QWidget* parent = nullptr);
    void setFontSize(qreal size);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ViewServices m_services;
    qreal m_size = 30;
};

// A labelled on/off switch in the header's small style; the store decides what it shows.
class ToggleSwitch final : public QAbstractButton {
    Q_OBJECT

public:
    ToggleSwitch(const QString& label, ViewServices services, QWidget* parent = nullptr);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    // The click asks; the store's value comes back through setChecked.
    void nextCheckState() override {}

private:
    ViewServices m_services;
};

// The button that opens the manual: a question mark in the compact secondary style. Without a
// manual to open it is disabled.
class ManualButton final : public CVButton {
    Q_OBJECT

public:
    ManualButton(std::function<void()> showManual, ViewServices services, QWidget* parent = nullptr);
};

// The header: the product icon, the wordmark, the maker credit when the row has room for it,
// the permission warning, the two switches and the manual and feedback buttons, as the main
// layout says for the window's width. A click on its empty parts restores the window size.
class Header final : public RestoresWindowSize {
    Q_OBJECT

public:
    Header(TilewickStore& store, ViewServices services, HoverTipState& tips, QWidget& tipRoot,
           std::function<void()> showManual, QWidget* parent = nullptr);

    // Takes the layout's sizes and items; its height follows.
    void apply(const MainLayout& layout);
    int heightForLayout() const;
    // The row with the credit fits the width between the paddings.
    bool showsCredit() const { return m_showsCredit; }

    QWidget* warningChip() const { return m_chip; }
    QWidget* warningSymbol() const { return m_symbol; }
    ToggleSwitch* overlaySwitch() const { return m_overlay; }
    ToggleSwitch* loginSwitch() const { return m_login; }
    ManualButton* manualButton() const { return m_manual; }
    betakit::BetaFeedbackButton* feedbackButton() const { return m_feedback; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void refresh();
    void relayout();

    ViewServices m_services;
    MainLayout m_layout;
    bool m_showsCredit = true;
    QWidget* m_icon;
    Wordmark* m_wordmark;
    MakerCredit* m_credit;
    QWidget* m_chip;
    QWidget* m_symbol;
    ToggleSwitch* m_overlay;
    ToggleSwitch* m_login;
    ManualButton* m_manual;
    betakit::BetaFeedbackButton* m_feedback;
};

// A system symbol in one colour, at its size: the warning triangle of the header and tab bar.
class SymbolView final : public QWidget {
    Q_OBJECT

public:
    SymbolView(QString name, qreal size, std::function<QColor()> color, QWidget* parent = nullptr);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_name;
    qreal m_size;
    std::function<QColor()> m_color;
};

} // namespace tilewick
