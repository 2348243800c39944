#pragma once

namespace tilewick {

// Makes drawn keyboards visible to assistive technology through Qt's accessibility
// interfaces: a keyboard is a group of its keys; a key that carries an action is one button
// with its label, its tip as description and a press action, and any other key is plain text
// with its own label. Installed once per process.
void installKeyAccessibility();

} // namespace tilewick
