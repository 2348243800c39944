#pragma once

#include <QPointer>
#include <QWidget>

namespace betakit {

// The window both of the kit's windows (the feedback form and the update window) live in: a
// top-level window that takes the keyboard, so its fields take typing and its default and cancel
// buttons answer Return and Escape, but never stands for the program's main window. While a kit
// panel is in front, the program's own window stays the one its shell calls main.
//
// The panel is made with its content size and style and is not released when closed: its owner
// decides how long it lives. The owner answers, as the panel's delegate, whether the panel may
// close and hears that it closes; the content view fills the panel and gives its minimum size.
class BetaPanel : public QWidget {
    Q_OBJECT

public:
    // The window's parts, as bits of its style.
    enum StyleBit : unsigned {
        Borderless = 0,
        Titled = 1,
        Closable = 2,
        Miniaturizable = 4,
        Resizable = 8,
    };
    using StyleMask = unsigned;

    class Delegate {
    public:
        virtual ~Delegate() = default;
        // Asked before the panel closes by its close button or `close()`; false keeps it open.
        virtual bool windowShouldClose(BetaPanel&) { return true; }
        // The panel is closing. The delegate may let go of the panel here: the panel is then
        // destroyed on a later turn of the event loop, never inside its own close.
        virtual void windowWillClose(BetaPanel&) {}
    };

    BetaPanel(QSize contentSize, StyleMask style);

    // A kit panel may become the key window but never the main window.
    static constexpr bool canBecomeMainWindow() { return false; }

    StyleMask styleMask() const { return m_style; }

    Delegate* delegate() const { return m_delegate; }
    void setDelegate(Delegate* delegate) { m_delegate = delegate; }

    // The view that fills the panel; the panel owns it. A new one replaces (and deletes) the
    // previous.
    QWidget* contentView() const { return m_content; }
    void setContentView(QWidget* view);

    // The size of the panel without the window manager's frame. Setting it keeps the panel's
    // top-left corner where it is; a panel that is not resizable keeps exactly this size.
    QSize contentSize() const { return size(); }
    void setContentSize(QSize size);

    // Centres the panel on the screen of the window that has the keyboard, else the primary one.
    void center();

    // Shows the panel, brings it to the front and gives it the keyboard.
    void makeKeyAndOrderFront();

    // Destroys the panel on a later turn of the event loop (it may be inside its own close).
    static void release(BetaPanel* panel);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    StyleMask m_style;
    Delegate* m_delegate = nullptr;
    QPointer<QWidget> m_content;
};

} // namespace betakit
