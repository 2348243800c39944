#pragma once

#include "tilewick/visuals/Theme.h"
#include "tilewick/visuals/ViewServices.h"

#include <QImage>
#include <QString>

#include <memory>

class QWidget;

namespace platform {
class Platform;
}

namespace tilewick {

class TilewickStore;

// The program as the developer tools see it: the installed desktop's services, with quiet
// stand-ins for those only an X server gives when there is none, and a store made on first use
// whose hotkeys never start. Nothing here runs the event loop.
class ToolSession {
public:
    explicit ToolSession(platform::Platform& platform);
    ~ToolSession();
    ToolSession(const ToolSession&) = delete;
    ToolSession& operator=(const ToolSession&) = delete;

    platform::Platform& platform() const { return m_platform; }
    ViewServices view() const { return m_view; }
    // The store with its normal start-up: the settings and bindings of the XDG folders.
    TilewickStore& store();
    // Draws every later picture with `scheme`.
    void selectScheme(Scheme scheme);
    // The keyboard is an ISO one, asked of the desktop now.
    bool isoKeyboard() const;
    // Writes what the settings still hold back to the disk.
    void flushSettings();

private:
    platform::Platform& m_platform;
    ViewServices m_view;
    std::unique_ptr<TilewickStore> m_store;
};

// A widget laid out at its present size, drawn with `scale` pixels per point; it is never put
// on screen.
QImage snapshot(QWidget& view, qreal scale);

// Writes `picture` as a PNG file, replacing what is there. A picture that cannot be written
// leaves one line naming the file on stderr; the tools go on.
bool writePicture(const QImage& picture, const QString& path);

// A folder the tools can write their pictures into; else one line naming it on stderr.
bool writableFolder(const QString& folder);

} // namespace tilewick
