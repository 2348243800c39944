// Prints the colours along a vertical line of an X window, each once, as "r,g,b" lines in the
// order they first appear: window_colours <window id> <x> <top> <bottom>. End-to-end tests read
// what a window of the program shows where no other way tells.

#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QStringList>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fputs("usage: window_colours <window id> <x> <top> <bottom>\n", stderr);
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "xcb");
    QGuiApplication app(argc, argv);
    bool ok = false;
    const WId window = QString::fromLatin1(argv[1]).toULongLong(&ok, 0);
    const int x = QString::fromLatin1(argv[2]).toInt();
    const int top = QString::fromLatin1(argv[3]).toInt();
    const int bottom = QString::fromLatin1(argv[4]).toInt();
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!ok || !screen || bottom <= top) {
        std::fputs("window_colours: no such window or line\n", stderr);
        return 2;
    }
    const QImage line = screen->grabWindow(window, x, top, 1, bottom - top).toImage();
    if (line.isNull()) {
        std::fputs("window_colours: the window could not be read\n", stderr);
        return 1;
    }
    QStringList seen;
    for (int y = 0; y < line.height(); ++y) {
        const QColor colour = line.pixelColor(0, y);
        const QString text =
            QStringLiteral("%1,%2,%3").arg(colour.red()).arg(colour.green()).arg(colour.blue());
        if (!seen.contains(text)) {
            seen.append(text);
            std::printf("%s\n", qPrintable(text));
        }
    }
    return 0;
}
