// Prints the outlines of the symbols that stand in for characters the interface font lacks, in
// font units, for scripts/make-symbol-font to build a font from: the text then shows the very
// drawing the views paint.
#include "platform/drawing/Symbols.h"

#include <QGuiApplication>

#include <cstdio>

namespace {

// Each symbol and the character it draws.
constexpr struct {
    const char* name;
    char32_t codepoint;
} kCharacters[] = {{"globe", U'\U0001F310'}};

// The symbol's box becomes the em square, its top at the ascender the font declares.
constexpr double kUnitsPerEm = 1000;
constexpr double kAscender = 880;

void print(const QPainterPath& outline) {
    for (int i = 0; i < outline.elementCount(); ++i) {
        const QPainterPath::Element e = outline.elementAt(i);
        const double y = kAscender - e.y;
        switch (e.type) {
        case QPainterPath::MoveToElement:
            std::printf("M %.2f %.2f\n", e.x, y);
            break;
        case QPainterPath::LineToElement:
            std::printf("L %.2f %.2f\n", e.x, y);
            break;
        case QPainterPath::CurveToElement:
            std::printf("C %.2f %.2f", e.x, y);
            break;
        case QPainterPath::CurveToDataElement:
            std::printf(" %.2f %.2f%s", e.x, y,
                        outline.elementAt(i + 1).type == QPainterPath::CurveToDataElement ? "" : "\n");
            break;
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 2 || !std::freopen(argv[1], "w", stdout)) {
        std::fputs("usage: make-symbol-outlines OUTPUT.txt\n", stderr);
        return 2;
    }
    std::printf("units-per-em %g ascender %g\n", kUnitsPerEm, kAscender);
    for (const auto& c : kCharacters) {
        std::printf("glyph %s %X\n", c.name, unsigned(c.codepoint));
        print(platform::Symbols::path(QString::fromLatin1(c.name), kUnitsPerEm));
    }
    return 0;
}
