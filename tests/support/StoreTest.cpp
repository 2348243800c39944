#include "StoreTest.h"

void StoreTest::TearDown() {
    m_store.reset();
    multiWindowHook.reset();
    mover.reset();
    engineHook.reset();
    overlayHook.reset();
    SimPlatformTest::TearDown();
}

tilewick::TilewickStore& StoreTest::makeStore() {
    if (!mover)
        mover = std::make_shared<tilewick::WindowMover>(platform());
    m_store = std::make_unique<tilewick::TilewickStore>(
        platform(),
        tilewick::StoreHooks{engineHook ? engineHook : engine, overlayHook ? overlayHook : overlay,
                             appSnapStorage, shell, multiWindowHook ? multiWindowHook : multiWindow, mover});
    return *m_store;
}

tilewick::HotkeyEngine& StoreTest::useHotkeyEngine() {
    auto engine = std::make_shared<tilewick::HotkeyEngine>(platform().shared<platform::Runtime>(),
                                                           platform().shared<platform::EventTap>());
    engineHook = std::make_shared<tilewick::HotkeyEngineAdapter>(engine);
    return *engine;
}
