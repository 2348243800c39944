#pragma once

#include <QRect>

class QGraphicsItem;

namespace tilewick {

// Where a graphics item lies on screen, through the first view showing its scene; empty
// while no view shows it.
QRect screenRect(const QGraphicsItem& item);

// Makes drawn keyboards visible to assistive technology through Qt's accessibility
// interfaces: a keyboard is a group of its keys; a key that carries an action is one button
// with its label, its tip as description and a press action, and any other key is plain text
// with its own label. Installed once per process.
void installKeyAccessibility();

} // namespace tilewick
