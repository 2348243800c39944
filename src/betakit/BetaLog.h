#pragma once

#include "BetaValue.h"

#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

namespace betakit {

// One key=value pair of an event. Keys are static names.
struct BetaPair {
    std::string_view key;
    BetaValue value;
};

// The activity log: short named events, one line each, kept in day files by LogStore.
//
//     BetaLog::event("hotkeys", {{"active", true}, {"accessibility", trusted}});
//     BetaLog::event("snap", {{"layout", BetaValue::fromCase(action)}, {"displays", 2}});
//
// Writing never fails and never waits for the disk: the line is formatted on the calling
// thread and handed to the log store's queue. Lines logged before the store knows its folder
// wait in memory.
class BetaLog {
public:
    BetaLog() = delete;

    static constexpr std::string_view kInvalidName = "invalid_name";
    static constexpr std::size_t kMaxNameLength = 64;

    static void event(std::string_view name, std::initializer_list<BetaPair> pairs = {}) {
        event(name, std::span<const BetaPair>(pairs.begin(), pairs.size()));
    }
    static void event(std::string_view name, std::span<const BetaPair> pairs);

    // The line without its time stamp: the name, then " key=value" for each pair, in order.
    static std::string body(std::string_view name, std::span<const BetaPair> pairs);

    // The name rule: `text` unchanged when it has 1 to 64 bytes, each one of A-Z a-z 0-9 _ . -;
    // otherwise "invalid_name".
    static std::string_view validName(std::string_view text);
    static constexpr bool isNameChar(char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
               c == '.' || c == '-';
    }
};

} // namespace betakit
