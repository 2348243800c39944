#pragma once

#include "StackLayout.h"
#include "Theme.h"

#include <QImage>
#include <QString>

namespace tilewick {

// The review sheets developers export to check the drawn icons, on a dark background.
inline constexpr Rgb kSheetBackground{32, 32, 40};

// The icon check sheet: the application icon at 512 down to 16 points with their sizes, then
// the tray icon in a light and a dark menu bar.
Block iconCheckSheet();

// The concept sheet: the application icon at 360, 128, 64, 32 and 16 points, and the
// menu-bar icon in a large light and dark menu bar.
struct QuarterSheet {
    Block block() const;
};

// A sheet on its background, at two pixels per point.
QImage renderSheet(const Block& sheet);

// Write the sheets as PNG files. Nothing is reported: a path that cannot be written leaves no
// file. The result tells whether a file was written.
bool renderIconCheck(const QString& path);
bool renderQuarterConcept(const QString& path);

} // namespace tilewick
