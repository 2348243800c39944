#pragma once

#include <QSize>
#include <QString>
#include <QWidget>

#include <memory>

namespace tilewick {

// The small windows of the manual, the changelog and the About panel share their behaviour:
// made once and kept, closing only hides them, and every opening brings them to the front with
// the keyboard. They stay up while other programs are in front.
struct PanelWindowOptions {
    QString title;
    QString role;
    QSize contentSize;
    // Empty: the window keeps the content size, titled and closable only.
    QSize minimumSize;
};

// A top-level window around `content`, centred on the screen, not shown yet.
std::unique_ptr<QWidget> makePanelWindow(const PanelWindowOptions& options, QWidget* content);

// Shows the window, raises it and gives it the keyboard.
void bringToFront(QWidget& window);

} // namespace tilewick
