#pragma once

#include "platform/Defaults.h"

#include <QHash>

#include <mutex>

namespace platform::sim {

// A defaults domain kept in memory, for tests. Safe to use from any thread.
class MemoryDefaults final : public Defaults {
public:
    std::optional<DefaultsValue> value(const QString& key) const override;
    void set(const QString& key, const DefaultsValue& value) override;
    void remove(const QString& key) override;
    QStringList keys() const override;

    // Every set() and remove() so far, for tests that check what was written.
    int writeCount() const;
    // As if someone else changed the stored value (none: removed it): changes it and says so.
    void changeExternally(const QString& key, const std::optional<DefaultsValue>& value);

private:
    mutable std::mutex m_mutex;
    QHash<QString, DefaultsValue> m_values;
    int m_writes = 0;
};

} // namespace platform::sim
