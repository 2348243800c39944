#include "ToolSession.h"

#include "platform/Accessibility.h"
#include "platform/Appearance.h"
#include "platform/Defaults.h"
#include "platform/FileAccess.h"
#include "platform/Keyboard.h"
#include "platform/Platform.h"
#include "platform/Screens.h"
#include "platform/Sound.h"
#include "platform/Workspace.h"
#include "tilewick/store/TilewickStore.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QWidget>

#include <cstdio>
#include <mutex>

namespace tilewick {

using namespace Qt::StringLiterals;

// The settings as the tools see them: read from the disk, changed in memory only, so the store's
// start-up (first-run bindings, migrations) and what a tool sets stay out of the user's settings
// file; a tool keeps the few settings it is meant to leave behind.
class HeldBackDefaults final : public platform::Defaults {
public:
    explicit HeldBackDefaults(std::shared_ptr<platform::Defaults> stored) : m_stored(std::move(stored)) {}

    std::optional<platform::DefaultsValue> value(const QString& key) const override {
        std::lock_guard lock(m_mutex);
        if (const auto changed = m_changes.find(key); changed != m_changes.end())
            return changed->second;
        return m_stored->value(key);
    }
    void set(const QString& key, const platform::DefaultsValue& value) override {
        std::lock_guard lock(m_mutex);
        m_changes[key] = value;
    }
    void remove(const QString& key) override {
        std::lock_guard lock(m_mutex);
        m_changes[key] = std::nullopt;
    }
    QStringList keys() const override {
        std::lock_guard lock(m_mutex);
        QStringList keys = m_stored->keys();
        for (const auto& [key, value] : m_changes) {
            if (value && !keys.contains(key))
                keys.append(key);
            else if (!value)
                keys.removeAll(key);
        }
        return keys;
    }

    // Writes `key` as it is now to the disk and waits for it.
    void keep(const QString& key) {
        std::optional<platform::DefaultsValue> value;
        {
            std::lock_guard lock(m_mutex);
            const auto changed = m_changes.find(key);
            if (changed == m_changes.end())
                return;
            value = changed->second;
        }
        if (value)
            m_stored->set(key, *value);
        else
            m_stored->remove(key);
        m_stored->flush();
    }

private:
    std::shared_ptr<platform::Defaults> m_stored;
    mutable std::mutex m_mutex;
    // Set or removed (none) since the tool started.
    std::map<QString, std::optional<platform::DefaultsValue>> m_changes;
};

namespace {

// Without an X server there are no other applications to reach. The tools draw the program as it
// looks when it works, so it counts as trusted; nothing is ever asked of the user.
class NoDesktopAccessibility final : public platform::Accessibility {
public:
    bool isProcessTrusted() const override { return true; }
    bool requestTrust() override { return true; }
    platform::AXElement systemWide() const override { return {platform::AXElement::kSystemWideId, 0}; }
    platform::AXElement application(qint32) override { return {}; }
    platform::AXResult<platform::AXValue> copyAttributeValue(const platform::AXElement&,
                                                             const QString&) override {
        return {platform::AXError::CannotComplete, {}};
    }
    platform::AXError setAttributeValue(const platform::AXElement&, const QString&,
                                        const platform::AXValue&) override {
        return platform::AXError::CannotComplete;
    }
    platform::AXResult<bool> isAttributeSettable(const platform::AXElement&, const QString&) override {
        return {platform::AXError::CannotComplete, false};
    }
    platform::AXError performAction(const platform::AXElement&, const QString&) override {
        return platform::AXError::CannotComplete;
    }
    platform::AXObserverRef addObserver(const platform::AXElement&, const QString&,
                                        platform::AXObserverCallback) override {
        return nullptr;
    }
};

class NoScreens final : public platform::Screens {
public:
    QList<platform::ScreenInfo> screens() const override { return {}; }
};

class NoApplications final : public platform::Workspace {
public:
    QList<platform::RunningApplication> runningApplications() const override { return {}; }
    std::optional<platform::RunningApplication> frontmostApplication() const override { return std::nullopt; }
    bool terminate(qint32) override { return false; }
};

class Silence final : public platform::Sound {
public:
    void beep() override {}
};

template <typename Service, typename StandIn> void provideMissing(platform::Platform& platform) {
    if (!platform.find<Service>())
        platform.provide<Service>(std::make_shared<StandIn>());
}

platform::Platform& withStandIns(platform::Platform& platform) {
    provideMissing<platform::Accessibility, NoDesktopAccessibility>(platform);
    provideMissing<platform::Screens, NoScreens>(platform);
    provideMissing<platform::Workspace, NoApplications>(platform);
    provideMissing<platform::Sound, Silence>(platform);
    return platform;
}

// The tools never take the keyboard: the engine answers as a working one would, and grabs nothing.
class StillHotkeyEngine final : public HotkeyEngineHook {
public:
    void attach(HotkeyEngine::Client&) override {}
    void update(const Bindings&) override {}
    bool start() override { return true; }
    bool hasTap() const override { return true; }
    bool isTapEnabled() const override { return true; }
    void retakeChords() override {}
    void setRecorder(Recorder) override {}
    void clearRecorder() override {}
};

} // namespace

ToolSession::ToolSession(platform::Platform& platform)
    : m_platform(withStandIns(platform)), m_view(ViewServices::of(platform)),
      m_settings(std::make_shared<HeldBackDefaults>(platform.shared<platform::Defaults>())) {
    m_platform.provide<platform::Defaults>(m_settings);
}

ToolSession::~ToolSession() = default;

TilewickStore& ToolSession::store() {
    if (!m_store) {
        StoreHooks hooks = StoreHooks::over(m_platform);
        hooks.engine = std::make_shared<StillHotkeyEngine>();
        m_store = std::make_unique<TilewickStore>(m_platform, hooks.completed());
    }
    return *m_store;
}

void ToolSession::selectScheme(Scheme scheme) {
    m_platform.service<platform::Appearance>().force(scheme);
}

bool ToolSession::isoKeyboard() const {
    const auto* keyboard = m_platform.find<platform::Keyboard>();
    return keyboard && keyboard->isISO();
}

void ToolSession::keepSetting(const QString& key) {
    m_settings->keep(key);
}

QImage snapshot(QWidget& view, qreal scale) {
    view.setAttribute(Qt::WA_DontShowOnScreen);
    view.show();
    // Layout requests are posted; they are all the tools deliver.
    QCoreApplication::sendPostedEvents();
    QImage image((QSizeF(view.size()) * scale).toSize(), QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return image;
    image.setDevicePixelRatio(scale);
    image.fill(Qt::transparent);
    view.render(&image);
    return image;
}

// zlib's fastest level: the pictures are about as small, and drawn several times faster.
constexpr int kPngQuality = 80;

bool writePicture(const QImage& picture, const QString& path) {
    if (!picture.isNull() && picture.save(path, "PNG", kPngQuality))
        return true;
    std::fprintf(stderr, "Tilewick: could not write %s\n", qPrintable(path));
    return false;
}

// PNG encoding takes most of a big picture's time; a few run side by side.
constexpr int kPictureQueues = 4;

PictureWriter::PictureWriter(platform::Runtime& runtime) {
    for (int i = 0; i < kPictureQueues; ++i)
        m_queues.push_back(runtime.serialQueue(u"com.corvane.tilewick.pictures.%1"_s.arg(i)));
}

PictureWriter::~PictureWriter() {
    for (const platform::SerialQueueRef& queue : m_queues)
        queue->sync([] {});
}

void PictureWriter::write(QImage picture, QString path) {
    const platform::SerialQueueRef& queue = m_queues[m_written % m_queues.size()];
    // The picture this queue took last is written first.
    if (m_written >= m_queues.size())
        queue->sync([] {});
    queue->async([picture = std::move(picture), path = std::move(path)] { writePicture(picture, path); });
    ++m_written;
}

bool writeReport(const QString& text, const QString& path) {
    if (platform::writeFileAtomically(path, text.toUtf8()).isEmpty())
        return true;
    std::fprintf(stderr, "Tilewick: could not write %s\n", qPrintable(path));
    return false;
}

bool writableFolder(const QString& folder) {
    const QFileInfo info(folder);
    if (info.isDir() && info.isWritable())
        return true;
    std::fprintf(stderr, "Tilewick: could not write into %s\n", qPrintable(folder));
    return false;
}

} // namespace tilewick
