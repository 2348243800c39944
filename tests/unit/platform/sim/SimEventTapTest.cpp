#include "platform/sim/SimEventTap.h"
#include "platform/LetGoWatch.h"

#include <gtest/gtest.h>

using platform::EventVerdict;
using platform::KeyEvent;
using platform::LetGoWatch;
using platform::TakenChord;
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

TEST(SimEventTap, AChordTakenElsewhereIsTakenBackOnlyOnceItsHolderLetGoForGood) {
    SimEventTap keyboard;
    const platform::KeyChord a{kKeyA, 0x180000}, b{kKeyB, 0x180000};
    ASSERT_TRUE(keyboard.takeElsewhere(a));
    ASSERT_TRUE(keyboard.takeElsewhere(b, true));
    keyboard.setWantedChords({a, b});
    EXPECT_EQ(keyboard.takenChords(), (QList<TakenChord>{{a, false}, {b, true}}));
    const auto lookUntilTakenBack = [&](const platform::KeyChord& chord) {
        int looks = 0;
        while (looks < 10 && keyboard.takenChords().contains(TakenChord{chord, false})) {
            keyboard.retakeChords();
            ++looks;
        }
        return looks;
    };

    // Let go of for a moment, grabbed again in between two looks: still the other program's.
    keyboard.letGo(a);
    for (int look = 1; look < LetGoWatch::kFreeLooks; ++look)
        keyboard.retakeChords();
    EXPECT_TRUE(keyboard.takeElsewhere(a)) << "not taken from its holder";
    keyboard.retakeChords();
    EXPECT_TRUE(keyboard.takenChords().contains(TakenChord{a, false}));

    // Let go of for good: taken back at the kFreeLooks-th look, counted from the last time held.
    keyboard.letGo(a);
    EXPECT_EQ(lookUntilTakenBack(a), LetGoWatch::kFreeLooks);
    EXPECT_EQ(keyboard.takenChords(), (QList<TakenChord>{{b, true}}));
    // Now this program's: another program cannot take it.
    EXPECT_FALSE(keyboard.takeElsewhere(a));
    keyboard.retakeChords();
    EXPECT_EQ(keyboard.takenChords(), (QList<TakenChord>{{b, true}}));

    // Wanted no more, it is free for others; wanted again while held, it is taken at once.
    keyboard.setWantedChords({b});
    EXPECT_TRUE(keyboard.takeElsewhere(a));
    keyboard.setWantedChords({a, b});
    EXPECT_EQ(keyboard.takenChords(), (QList<TakenChord>{{b, true}, {a, false}}));
}

TEST(LetGoWatch, CountsFreeLooksInARowPerKeyAndForgetsWhatIsNoLongerAsked) {
    LetGoWatch watch;
    EXPECT_FALSE(watch.free(1)) << "a key never held is not watched";
    watch.held(1);
    watch.held(2);
    for (int look = 1; look < LetGoWatch::kFreeLooks; ++look) {
        EXPECT_FALSE(watch.lastLookDue(1));
        EXPECT_FALSE(watch.free(1));
    }
    EXPECT_TRUE(watch.lastLookDue(1));
    EXPECT_FALSE(watch.lastLookDue(2));
    EXPECT_TRUE(watch.free(1));
    EXPECT_FALSE(watch.watches(1));

    watch.held(3);
    watch.keepOnly([](quint64 key) { return key == 3; });
    EXPECT_FALSE(watch.watches(2));
    EXPECT_TRUE(watch.watches(3));
}

} // namespace
