#pragma once

#include <QtGlobal>

namespace tilewick {

// Softens an alpha plane of `width` × `height` bytes, row after row in memory, in place: three
// box blurs of radius `radius` pixels, each along the rows and then along the columns, which
// together approximate a Gaussian. Every average is rounded to nearest (halves up) and what lies
// beyond the plane counts as 0. Radii up to 8,000 pixels.
void blurAlpha(uchar* plane, int width, int height, int radius);

} // namespace tilewick
