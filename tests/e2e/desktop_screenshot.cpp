// Saves the whole X screen of $DISPLAY as a PNG: desktop_screenshot <file.png>. Used by the
// headless demo and when an end-to-end test wants a picture of what happened.

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: desktop_screenshot <file.png>\n", stderr);
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "xcb");
    QGuiApplication app(argc, argv);
    QScreen* screen = QGuiApplication::primaryScreen();
    // The root window: every monitor of the screen at once.
    const QPixmap shot = screen ? screen->grabWindow(0) : QPixmap();
    if (shot.isNull() || !shot.save(QString::fromLocal8Bit(argv[1]), "PNG")) {
        std::fprintf(stderr, "desktop_screenshot: cannot save %s\n", argv[1]);
        return 1;
    }
    return 0;
}
