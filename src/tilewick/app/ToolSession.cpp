#include "ToolSession.h"

#include "platform/Accessibility.h"
#include "platform/Appearance.h"
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

namespace tilewick {

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
    : m_platform(withStandIns(platform)), m_view(ViewServices::of(platform)) {}

ToolSession::~ToolSession() = default;

TilewickStore& ToolSession::store() {
    if (!m_store) {
        StoreHooks hooks;
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

void ToolSession::flushSettings() {
    m_platform.defaults().flush();
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

bool writableFolder(const QString& folder) {
    const QFileInfo info(folder);
    if (info.isDir() && info.isWritable())
        return true;
    std::fprintf(stderr, "Tilewick: could not write into %s\n", qPrintable(folder));
    return false;
}

} // namespace tilewick
