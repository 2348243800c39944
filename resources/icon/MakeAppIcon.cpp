// Draws the application icon into the application folder at build time.
#include "tilewick/visuals/QuarterIcon.h"

#include <QGuiApplication>

#include <cstdio>

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        std::fputs("usage: make-app-icon SIDE OUTPUT.png\n", stderr);
        return 2;
    }
    const int side = QString::fromLocal8Bit(argv[1]).toInt();
    if (side <= 0 ||
        !tilewick::QuarterIcon{qreal(side), false}.image(1).save(QString::fromLocal8Bit(argv[2]), "PNG")) {
        std::fprintf(stderr, "make-app-icon: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
