// Prints where the parts of a tab page lie in the program's main window, one "name x y" line
// each (x and y in the window's own pixels): tab_page_points <window id> <tab> <application
// folder>. The names are the actions of the cards, "modifierPanel" and "title" (the page's title
// row, a place to click outside of everything). The window is read for where its content begins
// below its menu bar; the page is laid out by the program's own view, on a store that has
// permission, a working keyboard and no clashing utility, as the program on the private desktop.

#include "platform/Platform.h"
#include "platform/sim/SimPlatform.h"
#include "tilewick/mainwindow/MainView.h"
#include "tilewick/mainwindow/PageArea.h"
#include "tilewick/mainwindow/PageItem.h"
#include "tilewick/mainwindow/SnapCard.h"
#include "tilewick/mainwindow/TabPage.h"
#include "tilewick/store/TilewickStore.h"
#include "tilewick/visuals/InterFont.h"
#include "tilewick/visuals/Theme.h"

#include <QApplication>
#include <QGraphicsItem>
#include <QImage>
#include <QPixmap>
#include <QScreen>

#include <cstdio>

using namespace tilewick;

namespace {

// The first row of the window, looking down its left edge, in the page colour of either scheme.
int contentTop(const QImage& image) {
    const QColor light = Theme::background.resolve(Scheme::Light);
    const QColor dark = Theme::background.resolve(Scheme::Dark);
    for (int y = 0; y < image.height(); ++y) {
        const QColor c = image.pixelColor(2, y);
        if (c == light || c == dark)
            return y;
    }
    return -1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fputs("usage: tab_page_points <window id> <tab> <application folder>\n", stderr);
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    bool ok = false;
    const WId window = QString::fromLatin1(argv[1]).toULongLong(&ok, 0);
    const std::optional<SnapTab> tab = snapTabFromRaw(QString::fromLatin1(argv[2]));
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!ok || !tab || !screen) {
        std::fputs("tab_page_points: no such window or tab\n", stderr);
        return 2;
    }
    InterFontLibrary::setSharedResources(QString::fromLocal8Bit(argv[3]) + "/Contents/Resources");
    const QImage image = screen->grabWindow(window).toImage();
    const int top = contentTop(image);
    if (image.isNull() || top < 0) {
        std::fputs("tab_page_points: the window shows no page\n", stderr);
        return 1;
    }

    const auto platform = platform::sim::makeSimPlatform();
    platform::Platform::install(platform);

    {
        TilewickStore store(*platform, StoreHooks::over(*platform));
        store.setTrusted(true);
        store.setHotkeysActive(true);
        store.setConflicts({});
        store.setTab(*tab);
        MainView view(store, ViewServices::of(*platform));
        view.setAttribute(Qt::WA_DontShowOnScreen);
        view.resize(image.width(), image.height() - top);
        view.show();
        QCoreApplication::sendPostedEvents();
        TabPage* page = view.pageColumn()->page();
        const QRectF title(
            view.rootPoint(page->mapToScene(QPointF(0, 0))),
            view.rootPoint(page->mapToScene(QPointF(page->size().width(), TabPage::kTitleHeight))));
        std::printf("title %d %d\n", int(title.center().x()), int(title.center().y()) + top);
        QList<QGraphicsItem*> pending = page->childItems();
        while (!pending.isEmpty()) {
            QGraphicsItem* item = pending.takeFirst();
            pending.append(item->childItems());
            auto* part = dynamic_cast<PageItem*>(item);
            if (!part)
                continue;
            const QPointF centre = part->rootFrame().center();
            QString name = QStringLiteral("modifierPanel");
            if (auto* card = dynamic_cast<SnapCard*>(part))
                name = rawValue(card->action());
            else if (part->actionName().isEmpty())
                name = QStringLiteral("multiWindow");
            std::printf("%s %d %d\n", qPrintable(name), int(centre.x()), int(centre.y()) + top);
        }
    }
    platform::Platform::uninstall();
    return 0;
}
