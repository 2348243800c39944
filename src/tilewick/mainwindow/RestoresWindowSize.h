#pragma once

#include <QWidget>

namespace tilewick {

class TilewickStore;

// A band of the main window (the header, the tab bar) whose empty parts give the window its
// standard size back on a single click, animated. Clicks that a control inside the band takes
// never reach it; plain drawings pass theirs on to it.
class RestoresWindowSize : public QWidget {
    Q_OBJECT

public:
    explicit RestoresWindowSize(TilewickStore& store, QWidget* parent = nullptr);

protected:
    TilewickStore& store() const { return m_store; }
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    TilewickStore& m_store;
    bool m_pressed = false;
};

} // namespace tilewick
