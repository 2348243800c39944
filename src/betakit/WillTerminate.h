#pragma once

#include <functional>

namespace betakit {

// Observers of the program's orderly quit, run in registration order on the quitting thread.
class WillTerminate {
public:
    WillTerminate() = delete;
    static void observe(std::function<void()> observer);
    // The program calls this once, on its one way out.
    static void post();
    static void resetForTesting();
};

} // namespace betakit
