#include "StoreTest.h"

void StoreTest::TearDown() {
    m_store.reset();
    SimPlatformTest::TearDown();
}

tilewick::TilewickStore& StoreTest::makeStore() {
    m_store = std::make_unique<tilewick::TilewickStore>(
        platform(), tilewick::StoreHooks{engine, overlay, appSnapStorage, shell});
    return *m_store;
}
