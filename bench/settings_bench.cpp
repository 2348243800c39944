// What a setting costs the thread that sets it, on the real Qt runtime and the real disk: the tab
// every hotkey sets (unchanged, and changed), and a whole save (read again, write, fsync, rename),
// which runs on the settings queue, off the main thread.

#include "platform/qt/QtRuntime.h"
#include "platform/xdg/JsonFileDefaults.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

using Clock = std::chrono::steady_clock;

namespace {

constexpr int kCalls = 20'000;
constexpr int kSaves = 200;

void report(const char* what, std::vector<double> micros) {
    std::sort(micros.begin(), micros.end());
    const auto at = [&](double q) { return micros[std::size_t(q * double(micros.size() - 1))]; };
    std::printf("%-46s median %9.3f us   p95 %9.3f us   max %9.1f us   (%zu calls)\n", what, at(0.5),
                at(0.95), micros.back(), micros.size());
}

std::vector<double> timed(int calls, const std::function<void(int)>& call) {
    std::vector<double> micros;
    micros.reserve(std::size_t(calls));
    for (int i = 0; i < calls; ++i) {
        const auto t0 = Clock::now();
        call(i);
        micros.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
    }
    return micros;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir root;
    platform::JsonFileDefaults defaults(root.path(), "com.corvane.tilewick",
                                        std::make_shared<platform::qt::QtRuntime>());
    // A settings file of the usual size: the bindings are the bulk of it.
    defaults.set("bindings", QByteArray(2400, 'b'));
    defaults.set("lastTab", QString("halves"));
    defaults.flush();

    report("set(lastTab), unchanged (every hotkey):",
           timed(kCalls, [&](int) { defaults.set("lastTab", QString("halves")); }));
    report("set(lastTab), changed (the save is queued):",
           timed(kCalls, [&](int i) { defaults.set("lastTab", QString(i % 2 ? "halves" : "thirds")); }));
    defaults.flush();
    report("a whole save, off the main thread:", timed(kSaves, [&](int i) {
               defaults.set("lastTab", QString(i % 2 ? "halves" : "thirds"));
               defaults.flush();
           }));
    return 0;
}
