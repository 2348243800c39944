#include "WillTerminate.h"

#include <mutex>
#include <vector>

namespace betakit {

namespace {

struct Observers {
    std::mutex mutex;
    std::vector<std::function<void()>> list;
};

Observers& observers() {
    static Observers o;
    return o;
}

} // namespace

void WillTerminate::observe(std::function<void()> observer) {
    std::lock_guard lock(observers().mutex);
    observers().list.push_back(std::move(observer));
}

void WillTerminate::post() {
    std::vector<std::function<void()>> copy;
    {
        std::lock_guard lock(observers().mutex);
        copy = observers().list;
    }
    for (const auto& observer : copy)
        observer();
}

void WillTerminate::resetForTesting() {
    std::lock_guard lock(observers().mutex);
    observers().list.clear();
}

} // namespace betakit
