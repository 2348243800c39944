#pragma once

#include "tilewick/visuals/ViewServices.h"

#include <QWidget>

namespace tilewick {

class TilewickStore;

// The content of the window "main". For now it shows the page background and nothing more:
// the header, banners, tabs, keyboard and cards come with the main window's own work.
class MainView final : public QWidget {
    Q_OBJECT
public:
    MainView(TilewickStore& store, ViewServices services, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TilewickStore& m_store;
    ViewServices m_services;
};

} // namespace tilewick
