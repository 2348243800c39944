// Time the hotkey engine takes for one keyboard event inside the tap's callback, on the real Qt
// runtime (each hotkey and forwarded modifier change posts one call to the main queue).
//
// The events are a fixed pseudo-random mix of typing that passes through, hotkeys with their
// key-ups and auto-repeats, Globe chords, and modifier changes forwarded for the floating keyboard.
// The queued calls are drained between batches, outside the measured time.

#include "platform/Platform.h"
#include "platform/qt/QtRuntime.h"
#include "platform/sim/SimEventTap.h"
#include "tilewick/engine/HotkeyEngine.h"
#include "tilewick/store/Bindings.h"

#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <vector>

using namespace tilewick;
using platform::KeyEvent;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kEvents = 1'000'000;
constexpr int kBatch = 1'000;
constexpr quint64 kOptCmd = kOptionFlag | kCommandFlag;

class CountingClient : public HotkeyEngine::Client {
public:
    void perform(SnapAction, bool) override { ++performed; }
    void flagsChanged(const KeyEvent&) override { ++flags; }
    bool keyboardOverlay() const override { return true; }
    long performed = 0;
    long flags = 0;
};

std::vector<KeyEvent> mixedEvents(int count) {
    std::mt19937 random(20240101);
    std::vector<KeyEvent> events;
    events.reserve(std::size_t(count) + 4);
    const quint16 typing[] = {0, 1, 2, 3, 4, 5, 11, 14, 15, 17, 31, 32, 34, 35, 37, 40, 45, 46, 49, 123, 124};
    const quint16 hotkeys[] = {123, 124, 126, 125, 8, 36, 18, 19, 20, 12, 13};
    while (int(events.size()) < count) {
        const int kind = int(random() % 100);
        if (kind < 55) { // typing: down and up, passed through
            const quint16 key = typing[random() % std::size(typing)];
            events.push_back(KeyEvent::keyDown(key));
            events.push_back(KeyEvent::keyUp(key));
        } else if (kind < 70) { // a hotkey: down, a few repeats, up
            const quint16 key = hotkeys[random() % std::size(hotkeys)];
            events.push_back(KeyEvent::keyDown(key, kOptCmd));
            for (int r = int(random() % 4); r > 0; --r)
                events.push_back(KeyEvent::keyDown(key, kOptCmd, true));
            events.push_back(KeyEvent::keyUp(key, kOptCmd));
        } else if (kind < 75) { // Globe with Home, key-up as Left Arrow
            events.push_back(KeyEvent::flagsChanged(platform::kFnKeyCode, kFunctionFlag));
            events.push_back(KeyEvent::keyDown(115, kOptCmd | kFunctionFlag));
            events.push_back(KeyEvent::flagsChanged(platform::kFnKeyCode, 0));
            events.push_back(KeyEvent::keyUp(123, kOptCmd));
        } else { // modifier changes
            events.push_back(KeyEvent::flagsChanged(platform::kOptionKeyCode, kOptionFlag));
            events.push_back(KeyEvent::flagsChanged(platform::kCommandKeyCode, kOptCmd));
            events.push_back(KeyEvent::flagsChanged(platform::kCommandKeyCode, kOptionFlag));
            events.push_back(KeyEvent::flagsChanged(platform::kOptionKeyCode, 0));
        }
    }
    events.resize(std::size_t(count));
    return events;
}

double percentile(std::vector<double>& sorted, double p) {
    return sorted[std::min(sorted.size() - 1, std::size_t(p * double(sorted.size())))];
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    auto runtime = std::make_shared<platform::qt::QtRuntime>();
    auto keyboard = std::make_shared<platform::sim::SimEventTap>(); // another application is active
    auto platform = std::make_shared<platform::Platform>();
    platform->provide<platform::Runtime>(runtime);
    platform::Platform::install(platform);

    HotkeyEngine engine(runtime, keyboard);
    CountingClient client;
    engine.setClient(&client);
    engine.update(chordTable(defaultBindings()));

    const auto events = mixedEvents(kEvents);
    std::vector<double> nanos;
    nanos.reserve(events.size());
    long swallowed = 0;

    // Warm up the tables and the queue.
    for (int i = 0; i < 10'000; ++i)
        engine.handle(events[std::size_t(i)]);
    QCoreApplication::processEvents();

    const auto start = Clock::now();
    for (std::size_t i = 0; i < events.size(); ++i) {
        const auto t0 = Clock::now();
        const auto verdict = engine.handle(events[i]);
        const auto t1 = Clock::now();
        nanos.push_back(double(std::chrono::duration_cast<std::chrono::nanoseconds>(t1 - t0).count()));
        swallowed += verdict == platform::EventVerdict::Swallow;
        if ((i + 1) % kBatch == 0)
            QCoreApplication::processEvents();
    }
    QCoreApplication::processEvents();
    const double wallSeconds = std::chrono::duration<double>(Clock::now() - start).count();

    // The cost of reading the clock, which every sample includes.
    std::vector<double> overhead;
    for (int i = 0; i < 100'000; ++i) {
        const auto t0 = Clock::now();
        const auto t1 = Clock::now();
        overhead.push_back(double(std::chrono::duration_cast<std::chrono::nanoseconds>(t1 - t0).count()));
    }
    std::sort(overhead.begin(), overhead.end());

    std::sort(nanos.begin(), nanos.end());
    double total = 0;
    for (double n : nanos)
        total += n;
    std::printf("hotkey engine: one key event in the tap callback, %d mixed events\n", kEvents);
    std::printf("  median   %8.1f ns   (target < 1000 ns)\n", percentile(nanos, 0.5));
    std::printf("  p90      %8.1f ns\n", percentile(nanos, 0.9));
    std::printf("  p99      %8.1f ns\n", percentile(nanos, 0.99));
    std::printf("  p99.9    %8.1f ns\n", percentile(nanos, 0.999));
    std::printf("  max      %8.1f ns\n", nanos.back());
    std::printf("  mean     %8.1f ns\n", total / double(nanos.size()));
    std::printf("  clock read overhead (median, included above): %.1f ns\n", percentile(overhead, 0.5));
    std::printf("  swallowed %ld, actions %ld, modifier changes forwarded %ld, wall %.2f s\n", swallowed,
                client.performed, client.flags, wallSeconds);
    platform::Platform::uninstall();
    return percentile(nanos, 0.5) < 1000.0 ? 0 : 1;
}
