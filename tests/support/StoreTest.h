#pragma once

#include "SimPlatformTest.h"

#include "tilewick/store/TilewickStore.h"

#include <QList>

#include <memory>
#include <vector>

// Collaborators of the store that remember what they were asked.
namespace storetest {

struct RecordingEngine final : tilewick::HotkeyEngineHook {
    std::vector<tilewick::Bindings> updates;
    int recorderClears = 0;
    void update(const tilewick::Bindings& effective) override { updates.push_back(effective); }
    void clearRecorder() override { ++recorderClears; }
};

struct RecordingOverlay final : tilewick::KeyboardOverlayHook {
    bool visible = false;
    int hides = 0;
    void hide() override {
        ++hides;
        visible = false;
    }
    bool isVisible() const override { return visible; }
};

struct RecordingAppSnapStorage final : tilewick::AppSnapStorage {
    QList<tilewick::AppSnap> stored;
    int saves = 0;
    QList<tilewick::AppSnap> load() override { return stored; }
    void save(const QList<tilewick::AppSnap>& snaps) override {
        ++saves;
        stored = snaps;
    }
};

struct RecordingShell final : tilewick::AppShell {
    std::vector<platform::ActivationPolicy> policies;
    bool active = false;
    int activations = 0;
    // The visible window "main"; none: closed or minimised.
    std::optional<tilewick::MainWindowState> mainWindow;
    int focusRequests = 0;
    std::vector<std::pair<QRectF, bool>> frames;

    void setActivationPolicy(platform::ActivationPolicy policy) override { policies.push_back(policy); }
    bool isActive() const override { return active; }
    void activateIgnoringOtherApps() override { ++activations; }
    bool focusVisibleMainWindow() override {
        if (!mainWindow)
            return false;
        ++focusRequests;
        return true;
    }
    std::optional<tilewick::MainWindowState> visibleMainWindow() const override { return mainWindow; }
    void setMainWindowFrame(const QRectF& frame, bool animate) override {
        frames.emplace_back(frame, animate);
        if (mainWindow)
            mainWindow->frame = frame;
    }
};

} // namespace storetest

// A test of the store on the simulated platform, with recording collaborators. Script the
// platform (defaults, desktop, login item) first, then call makeStore().
class StoreTest : public SimPlatformTest {
protected:
    void TearDown() override;

    tilewick::TilewickStore& makeStore();
    tilewick::TilewickStore& store() { return *m_store; }

    std::shared_ptr<storetest::RecordingEngine> engine = std::make_shared<storetest::RecordingEngine>();
    std::shared_ptr<storetest::RecordingOverlay> overlay = std::make_shared<storetest::RecordingOverlay>();
    std::shared_ptr<storetest::RecordingAppSnapStorage> appSnapStorage =
        std::make_shared<storetest::RecordingAppSnapStorage>();
    std::shared_ptr<storetest::RecordingShell> shell = std::make_shared<storetest::RecordingShell>();

private:
    std::unique_ptr<tilewick::TilewickStore> m_store;
};
