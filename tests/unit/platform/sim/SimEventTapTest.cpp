#include "platform/sim/SimEventTap.h"

#include <gtest/gtest.h>

using platform::EventVerdict;
using platform::KeyEvent;
using platform::sim::SimEventTap;
using Destination = SimEventTap::Destination;

namespace {

constexpr quint16 kKeyA = 0;
constexpr quint16 kKeyB = 11;

QList<Destination> destinations(const SimEventTap& keyboard) {
    QList<Destination> result;
    for (const auto& delivery : keyboard.deliveries())
        result.append(delivery.destination);
    return result;
}

TEST(SimEventTap, EventsGoToTheTapThenToTheActiveApplication) {
    SimEventTap keyboard;
    QList<KeyEvent> seen;
    auto tap = keyboard.create([&](const KeyEvent& e) {
        seen.append(e);
        return e.keyCode == kKeyA ? EventVerdict::Swallow : EventVerdict::Pass;
    });
    ASSERT_TRUE(tap);
    EXPECT_TRUE(keyboard.tapEnabled());

    keyboard.press(kKeyA);
    keyboard.press(kKeyB);
    keyboard.setApplicationActive(true);
    keyboard.press(kKeyB);
    EXPECT_EQ(seen.size(), 6);
    EXPECT_EQ(
        destinations(keyboard),
        (QList<Destination>{Destination::Swallowed, Destination::Swallowed, Destination::FrontApplication,
                            Destination::FrontApplication, Destination::OwnWindow, Destination::OwnWindow}));

    // A disabled tap hears nothing; an invalidated one stays off.
    keyboard.clearDeliveries();
    keyboard.disableTaps(KeyEvent::Type::TapDisabledByUserInput, false);
    keyboard.press(kKeyA);
    EXPECT_EQ(seen.size(), 6);
    tap->invalidate();
    tap->setEnabled(true);
    EXPECT_FALSE(keyboard.hasTap());
    EXPECT_FALSE(tap->isEnabled());
}

TEST(SimEventTap, DisablingTellsTheCallbackOnce) {
    SimEventTap keyboard;
    QList<KeyEvent::Type> seen;
    auto tap = keyboard.create([&](const KeyEvent& e) {
        seen.append(e.type);
        return EventVerdict::Pass;
    });
    keyboard.disableTaps(KeyEvent::Type::TapDisabledByTimeout);
    EXPECT_EQ(seen, QList<KeyEvent::Type>{KeyEvent::Type::TapDisabledByTimeout});
    EXPECT_FALSE(keyboard.tapEnabled());
    EXPECT_TRUE(keyboard.hasTap());
}

TEST(SimEventTap, CreationCanFailAndReleasedTapsDisappear) {
    SimEventTap keyboard;
    keyboard.setCreationFails(true);
    EXPECT_FALSE(keyboard.create([](const KeyEvent&) { return EventVerdict::Pass; }));
    keyboard.setCreationFails(false);
    auto tap = keyboard.create([](const KeyEvent&) { return EventVerdict::Swallow; });
    EXPECT_TRUE(keyboard.hasTap());
    tap.reset();
    EXPECT_FALSE(keyboard.hasTap());
    keyboard.press(kKeyA);
    EXPECT_EQ(keyboard.reachedFrontApplication().size(), 2);
    EXPECT_EQ(keyboard.tapsCreated(), 1);
}

TEST(SimEventTap, LocalMonitorsSeeOnlyThisApplicationsKeyDowns) {
    SimEventTap keyboard;
    QList<KeyEvent> seen;
    auto monitor = keyboard.addKeyDownMonitor([&](const KeyEvent& e) {
        seen.append(e);
        return EventVerdict::Swallow;
    });
    keyboard.press(kKeyA);
    EXPECT_TRUE(seen.isEmpty());

    keyboard.clearDeliveries();
    keyboard.setApplicationActive(true);
    keyboard.press(kKeyA, 0, "a");
    ASSERT_EQ(seen.size(), 1);
    EXPECT_EQ(seen[0].unmodifiedCharacters, "a");
    EXPECT_EQ(destinations(keyboard),
              (QList<Destination>{Destination::LocalMonitor, Destination::OwnWindow}));

    EXPECT_EQ(keyboard.monitorCount(), 1);
    monitor.reset();
    EXPECT_EQ(keyboard.monitorCount(), 0);
    keyboard.press(kKeyA);
    EXPECT_EQ(seen.size(), 1);
}

TEST(SimEventTap, GrabsOnlySeesWantedChordsTheirKeyUpsAndModifierChanges) {
    SimEventTap keyboard;
    keyboard.setGrabsOnly(true);
    keyboard.setWantedChords({{kKeyA, 0x180000}});
    QList<KeyEvent> seen;
    auto tap = keyboard.create([&](const KeyEvent& e) {
        seen.append(e);
        return EventVerdict::Pass;
    });
    keyboard.press(kKeyA, 0x180000 | 0x10000); // Caps Lock does not break a grab
    keyboard.press(kKeyA, 0x80000);
    keyboard.changeFlags(58, 0x80000);
    EXPECT_EQ(keyboard.currentModifierFlags(), 0x80000u);
    keyboard.setApplicationActive(true);
    keyboard.press(kKeyB);
    EXPECT_EQ(seen, (QList<KeyEvent>{KeyEvent::keyDown(kKeyA, 0x190000), KeyEvent::keyUp(kKeyA, 0x190000),
                                     KeyEvent::flagsChanged(58, 0x80000), KeyEvent::keyDown(kKeyB),
                                     KeyEvent::keyUp(kKeyB)}));
}

} // namespace
