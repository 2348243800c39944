#pragma once

#include "tilewick/model/SnapTab.h"
#include "tilewick/visuals/Theme.h"

#include <QSize>
#include <QString>

#include <optional>
#include <span>

namespace tilewick {

class ToolSession;

// The developer tools that draw the program to PNG files, with no window on screen. Each writes
// the pictures it can and goes on; a file it cannot write is named on stderr.

// The application icon, 1024 pixels square, at `path`.
void renderIcon(const QString& path);
// The main view at each of windowRenderSizes(), light, two pixels per point: window-WxH.png.
void renderWindow(ToolSession& session, const QString& folder);
// The floating keyboard in light then dark (overlay-<scheme>.png) and, when
// TILEWICK_RENDER_FRAMES asks for them, its animation frames (frame-<scheme>-NNN.png).
void renderOverlay(ToolSession& session, const QString& folder);
// Every tab's page over the drawn keyboard at each of tabRenderSizes(), light then dark, two
// pixels per point: <tab>-WxH-<scheme>.png. Each tab is chosen through the store, so the settings
// keep "lastTab" at the last one, appSnaps. TILEWICK_RENDER_RECORDING, _PRIMED and _GLOBE set
// the store up for each picture.
void renderTabs(ToolSession& session, const QString& folder);
// The About panel's content in light then dark: about-<scheme>.png.
void renderAbout(ToolSession& session, const QString& folder);

// The window sizes of renderWindow, in points, in their order.
std::span<const QSize> windowRenderSizes();

// The window sizes renderTabs draws each tab for, in points, in their order.
std::span<const QSize> tabRenderSizes();
// "<tab>-WxH-<scheme>.png", as the tab's raw value.
QString tabFileName(SnapTab tab, QSize window, Scheme scheme);

// A frame count as TILEWICK_RENDER_FRAMES gives it: a decimal integer with an optional sign.
// None when it is empty, holds anything else or does not fit; a negative count asks for none.
std::optional<int> parseFrameCount(const QByteArray& text);

// "frame-<scheme>-NNN.png": the index with at least three digits.
QString frameFileName(const QString& scheme, int index);

} // namespace tilewick
