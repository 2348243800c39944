#pragma once

#include "platform/Appearance.h"

#include <QColor>
#include <QFont>
#include <QLinearGradient>
#include <QPointF>
#include <QRectF>

namespace tilewick {

using Scheme = platform::Appearance::Scheme;

// An opaque sRGB colour given as 0-255 components.
struct Rgb {
    int r = 0;
    int g = 0;
    int b = 0;

    QColor color(qreal opacity = 1.0) const;
    friend constexpr bool operator==(Rgb, Rgb) = default;
};

// A colour with one value for the dark appearance and one for the light, picked at draw time.
// A fixed colour has the same value in both.
struct ThemeColor {
    Rgb dark;
    Rgb light;

    constexpr ThemeColor(Rgb both) : dark(both), light(both) {}
    constexpr ThemeColor(Rgb darkValue, Rgb lightValue) : dark(darkValue), light(lightValue) {}

    Rgb rgb(Scheme scheme) const { return scheme == Scheme::Dark ? dark : light; }
    QColor resolve(Scheme scheme, qreal opacity = 1.0) const { return rgb(scheme).color(opacity); }
};

// A two-stop linear gradient between unit points of the filled shape's bounds, y downwards.
struct ThemeGradient {
    ThemeColor first;
    ThemeColor second;
    QPointF start;
    QPointF end;

    // The gradient laid over `bounds`: unit points map into the rectangle, and the colour runs
    // along the line between them in the drawing's own coordinates.
    QLinearGradient resolve(const QRectF& bounds, Scheme scheme) const;
};

// The one palette, the accent gradients and the named fonts every view draws with.
namespace Theme {

inline constexpr ThemeColor background{{13, 13, 18}, {247, 247, 251}};
inline constexpr ThemeColor card{{22, 22, 31}, {255, 255, 255}};
inline constexpr ThemeColor raised{{31, 31, 42}, {255, 255, 255}};
inline constexpr ThemeColor border{{42, 42, 58}, {228, 228, 238}};
inline constexpr ThemeColor text{{236, 236, 244}, {28, 28, 40}};
inline constexpr ThemeColor textSecondary{{156, 156, 176}, {99, 99, 122}};
inline constexpr ThemeColor accent{{139, 92, 246}, {109, 59, 238}};
inline constexpr ThemeColor magenta{{217, 70, 239}, {192, 38, 213}};
inline constexpr ThemeColor accentSoft{{34, 26, 56}, {241, 236, 254}};
inline constexpr ThemeColor goodSoft{{16, 42, 32}, {238, 248, 242}};
inline constexpr ThemeColor warnSoft{{42, 34, 20}, {251, 244, 230}};
inline constexpr ThemeColor dangerSoft{{40, 21, 32}, {255, 241, 243}};
inline constexpr ThemeColor panelFill{{18, 14, 30}, {252, 250, 255}};

inline constexpr ThemeColor good{Rgb{83, 199, 140}};
inline constexpr ThemeColor warn{Rgb{216, 163, 72}};
inline constexpr ThemeColor danger{Rgb{216, 95, 114}};

inline constexpr ThemeGradient panelGradient{
    {{196, 181, 253}, {109, 59, 238}}, {{245, 163, 255}, {192, 38, 213}}, {0.5, 0.0}, {0.5, 1.0}};
inline constexpr ThemeGradient accentGradient{Rgb{109, 59, 238}, Rgb{192, 38, 213}, {0.0, 0.32}, {1.0, 0.68}};
inline constexpr ThemeGradient accentGradientBright{
    Rgb{139, 92, 246}, Rgb{217, 70, 239}, {0.0, 0.0}, {1.0, 1.0}};
inline constexpr ThemeGradient accentGradientVertical{accent, magenta, {0.5, 0.0}, {0.5, 1.0}};

// The accent pair of a scheme, accent to magenta (the bright pair in dark, the deep one in
// light), as a gradient from the top-left to the bottom-right corner of `bounds`.
QLinearGradient accentDiagonal(const QRectF& bounds, Scheme scheme);

const QFont& titleFont();   // 20 pt, 517: tab page titles
const QFont& bodyFont();    // 14 pt, 340: subtitles and body text
const QFont& buttonFont();  // 13 pt, 432: button labels
const QFont& labelFont();   // 13 pt, 500: row and banner titles, header labels
const QFont& chipFont();    // 12 pt, 550: chip text
const QFont& captionFont(); // 11.5 pt, 500: captions, the keyboard's banner line
const QFont& smallFont();   // 12 pt, 400: small text of application lists

} // namespace Theme

} // namespace tilewick
