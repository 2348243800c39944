#pragma once

#include "support/StoreTest.h"

#include "tilewick/mainwindow/appsnaps/AppIcons.h"
#include "tilewick/mainwindow/appsnaps/AppSnapsContext.h"

#include <QCoreApplication>
#include <QWidget>

#include <memory>

// A view of the Default App Snaps page over the store, with icon caches that find no icon in
// any theme (every application draws the generic one) and count what they were asked.
class AppSnapsViewTest : public StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        prepareDesktop();
        makeStore();
    }
    // Scripts the desktop before the store is made.
    virtual void prepareDesktop() {}
    void TearDown() override {
        window.reset();
        StoreTest::TearDown();
    }

    tilewick::AppSnapsContext context() {
        return tilewick::AppSnapsContext{store(), tilewick::ViewServices::of(platform()), icons};
    }
    // A shown, active window to put a view in, so focus and hovering work.
    QWidget& shownWindow(QSize size) {
        window = std::make_unique<QWidget>();
        window->resize(size);
        window->show();
        window->activateWindow();
        QCoreApplication::processEvents();
        return *window;
    }

public:
    static tilewick::InstalledApp app(const QString& name, const QString& icon = {}) {
        return tilewick::InstalledApp{"org." + name.toLower().remove(u' '), name,
                                      QUrl::fromLocalFile("/apps/" + name + ".desktop"), icon};
    }
    static QList<tilewick::InstalledApp> apps(const QStringList& names) {
        QList<tilewick::InstalledApp> list;
        for (const QString& name : names)
            list.append(app(name));
        return list;
    }

protected:
    int lookUps = 0;
    QStringList loads;
    tilewick::AppIcons icons{[this](const QString&) -> std::optional<tilewick::InstalledApp> {
                                 ++lookUps;
                                 return std::nullopt;
                             },
                             [this](const QString& name) {
                                 loads.append(name);
                                 return QIcon();
                             }};
    std::unique_ptr<QWidget> window;
};
