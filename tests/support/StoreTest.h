#pragma once

#include "SimPlatformTest.h"

#include "tilewick/engine/HotkeyEngine.h"
#include "tilewick/engine/WindowMover.h"
#include "tilewick/store/TilewickStore.h"

#include <QList>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

// Collaborators of the store that remember what they were asked.
namespace storetest {

// An engine without a tap that can never make one.
struct RecordingEngine final : tilewick::HotkeyEngineHook {
    std::vector<tilewick::Bindings> updates;
    int recorderClears = 0;
    void attach(tilewick::HotkeyEngine::Client&) override {}
    void update(const tilewick::Bindings& effective) override { updates.push_back(effective); }
    bool start() override { return false; }
    bool hasTap() const override { return false; }
    bool isTapEnabled() const override { return false; }
    void retakeChords() override {}
    void setRecorder(Recorder) override {}
    void clearRecorder() override { ++recorderClears; }
};

struct RecordingOverlay final : tilewick::KeyboardOverlayHook {
    // Read by the mover's writes, which may run on a worker.
    std::atomic<bool> visible{false};
    int hides = 0;
    // The screen of every show, in order.
    std::vector<std::optional<platform::ScreenInfo>> shows;
    // The frame of every hole, in order; the mover may punch them from a worker.
    std::vector<QRectF> holes() const {
        std::lock_guard lock(m_holesMutex);
        return m_holes;
    }
    void show(const std::optional<platform::ScreenInfo>& screen) override {
        shows.push_back(screen);
        if (screen)
            visible = true;
    }
    void hide() override {
        ++hides;
        visible = false;
    }
    bool isVisible() const override { return visible; }
    void punchHole(const platform::AXElement&, const QRectF& frame) override {
        std::lock_guard lock(m_holesMutex);
        m_holes.push_back(frame);
    }

private:
    mutable std::mutex m_holesMutex;
    std::vector<QRectF> m_holes;
};

// Answers support checks only when the test says so.
struct RecordingMultiWindow final : tilewick::MultiWindowHook {
    std::vector<tilewick::SnapAction> snaps;
    std::vector<std::pair<qint32, std::function<void(bool)>>> checks;
    void snap(tilewick::SnapAction action) override { snaps.push_back(action); }
    void checkSupport(qint32 pid, std::function<void(bool)> completion) override {
        checks.emplace_back(pid, std::move(completion));
    }
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
    std::function<void()> onTerminate;
    void terminate() override {
        if (onTerminate)
            onTerminate();
    }
};

} // namespace storetest

// A test of the store on the simulated platform, with recording collaborators. Script the
// platform (defaults, desktop, login item) first, then call makeStore().
class StoreTest : public SimPlatformTest {
protected:
    void TearDown() override;

    tilewick::TilewickStore& makeStore();
    // Gives the next store a real hotkey engine on the simulated event tap instead of `engine`.
    tilewick::HotkeyEngine& useHotkeyEngine();
    tilewick::TilewickStore& store() { return *m_store; }
    void destroyStore() { m_store.reset(); }

    std::shared_ptr<storetest::RecordingEngine> engine = std::make_shared<storetest::RecordingEngine>();
    // When set, makeStore() gives the store this engine instead of `engine`.
    std::shared_ptr<tilewick::HotkeyEngineHook> engineHook;
    std::shared_ptr<storetest::RecordingOverlay> overlay = std::make_shared<storetest::RecordingOverlay>();
    // When set, makeStore() gives the store this floating keyboard instead of `overlay`.
    std::shared_ptr<tilewick::KeyboardOverlayHook> overlayHook;
    std::shared_ptr<storetest::RecordingAppSnapStorage> appSnapStorage =
        std::make_shared<storetest::RecordingAppSnapStorage>();
    std::shared_ptr<storetest::RecordingShell> shell = std::make_shared<storetest::RecordingShell>();
    std::shared_ptr<storetest::RecordingMultiWindow> multiWindow =
        std::make_shared<storetest::RecordingMultiWindow>();
    // When set, makeStore() gives the store this filler instead of `multiWindow`.
    std::shared_ptr<tilewick::MultiWindowHook> multiWindowHook;
    // A mover of this test's desktop, made by makeStore().
    std::shared_ptr<tilewick::WindowMover> mover;

private:
    std::unique_ptr<tilewick::TilewickStore> m_store;
};
