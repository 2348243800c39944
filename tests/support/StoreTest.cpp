#include "StoreTest.h"

void StoreTest::TearDown() {
    m_store.reset();
    mover.reset();
    SimPlatformTest::TearDown();
}

tilewick::TilewickStore& StoreTest::makeStore() {
    if (!mover)
        mover = std::make_shared<tilewick::WindowMover>(platform());
    m_store = std::make_unique<tilewick::TilewickStore>(
        platform(), tilewick::StoreHooks{engine, overlay, appSnapStorage, shell, multiWindow, mover});
    return *m_store;
}
