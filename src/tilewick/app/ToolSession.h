#pragma once

#include "platform/Runtime.h"
#include "tilewick/visuals/Theme.h"
#include "tilewick/visuals/ViewServices.h"

#include <QImage>
#include <QString>

#include <memory>
#include <vector>

class QWidget;

namespace platform {
class Platform;
}

namespace tilewick {

class HeldBackDefaults;
class TilewickStore;

// The program as the developer tools see it: the installed desktop's services, with quiet
// stand-ins for those only an X server gives when there is none, settings changed in memory
// only unless a tool keeps one, and a store made on first use whose hotkeys never start. Nothing
// here runs the event loop.
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
    // Writes the setting `key` as the tool left it to the settings on disk, and waits for it.
    // Nothing else a tool or the store's start-up changes is written.
    void keepSetting(const QString& key);

private:
    platform::Platform& m_platform;
    ViewServices m_view;
    std::shared_ptr<HeldBackDefaults> m_settings;
    std::unique_ptr<TilewickStore> m_store;
};

// A widget laid out at its present size, drawn with `scale` pixels per point; it is never put
// on screen.
QImage snapshot(QWidget& view, qreal scale);

// Writes `picture` as a PNG file, replacing what is there. A picture that cannot be written
// leaves one line naming the file on stderr; the tools go on.
bool writePicture(const QImage& picture, const QString& path);

// Writes `text` as UTF-8 to `path`, replacing the file whole or not at all. A report that cannot
// be written leaves one line naming the file on stderr.
bool writeReport(const QString& text, const QString& path);

// Writes pictures as writePicture does, on worker queues, while the caller draws the next ones.
// At most one picture waits per queue, so a long run holds only a few in memory; the destructor
// waits for the last ones.
class PictureWriter {
public:
    explicit PictureWriter(platform::Runtime& runtime);
    ~PictureWriter();
    PictureWriter(const PictureWriter&) = delete;
    PictureWriter& operator=(const PictureWriter&) = delete;

    void write(QImage picture, QString path);

private:
    std::vector<platform::SerialQueueRef> m_queues;
    std::size_t m_written = 0;
};

// A folder the tools can write their pictures into; else one line naming it on stderr.
bool writableFolder(const QString& folder);

} // namespace tilewick
