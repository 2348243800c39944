#include "BetaLog.h"

#include "LogStore.h"

#include "platform/Platform.h"

#include <algorithm>

namespace betakit {

std::string_view BetaLog::validName(std::string_view text) {
    if (text.empty() || text.size() > kMaxNameLength)
        return kInvalidName;
    return std::all_of(text.begin(), text.end(), isNameChar) ? text : kInvalidName;
}

std::string BetaLog::body(std::string_view name, std::span<const BetaPair> pairs) {
    const std::string_view validated = validName(name);
    std::size_t size = validated.size();
    for (const BetaPair& pair : pairs)
        size += 2 + kMaxNameLength + pair.value.text().size();
    std::string line;
    line.reserve(size);
    line += validated;
    for (const BetaPair& pair : pairs) {
        line += ' ';
        line += validName(pair.key);
        line += '=';
        line += pair.value.text();
    }
    return line;
}

void BetaLog::event(std::string_view name, std::span<const BetaPair> pairs) {
    // A process without a platform (before start-up, after shutdown) has nowhere to log.
    const std::shared_ptr<platform::Platform> installed = platform::Platform::installed();
    if (!installed)
        return;
    LogStore& store = LogStore::shared(*installed);
    const qint64 now = store.clock().wallMillis();
    store.stampAndAppend(now, body(name, pairs));
}

} // namespace betakit
