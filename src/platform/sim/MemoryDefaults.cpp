#include "MemoryDefaults.h"

#include <algorithm>

namespace platform::sim {

std::optional<DefaultsValue> MemoryDefaults::value(const QString& key) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_values.constFind(key);
    if (it == m_values.constEnd())
        return std::nullopt;
    return *it;
}

void MemoryDefaults::set(const QString& key, const DefaultsValue& value) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_values.insert(key, value);
    ++m_writes;
}

void MemoryDefaults::remove(const QString& key) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_values.remove(key);
    ++m_writes;
}

QStringList MemoryDefaults::keys() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    QStringList keys = m_values.keys();
    std::sort(keys.begin(), keys.end());
    return keys;
}

int MemoryDefaults::writeCount() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_writes;
}

void MemoryDefaults::changeExternally(const QString& key, const std::optional<DefaultsValue>& value) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (value)
            m_values.insert(key, *value);
        else
            m_values.remove(key);
    }
    emit changedExternally({key});
}

} // namespace platform::sim
