#pragma once

#include "platform/Defaults.h"

#include <QMap>

#include <mutex>

namespace platform {

// A defaults domain stored as one JSON file: <folder>/<domain>/defaults.json, where the
// program passes Paths::configHome() as the folder.
//
// The file is one object with one member per key, one member per line, keys sorted:
//   {
//   "lastTab":{"type":"string","value":"halves"},
//   "modifiers":{"type":"uint64","value":"1572864"}
//   }
// Types are "bool", "int64", "uint64", "double", "string" and "data". Int64 and UInt64 values are
// decimal strings, so they stay exact; doubles are JSON numbers ("nan", "inf" and "-inf" are
// strings); data is Base64.
//
// The file is read once, at construction, and written whole and atomically (QSaveFile) on every
// change. A file that is not JSON, is truncated, or holds entries that cannot be read keeps
// what can be read (one member per line makes a cut-off file readable up to the cut); the
// rest reads as absent, so the program falls back to its defaults. The original file is then
// kept beside the new one as defaults.json.unreadable-<UTC time stamp>, never deleted, and a
// line on stderr says so. A file that exists but cannot be opened is never written over: the
// values live in memory only. When the folder cannot be written, values live in memory and
// the failure is reported once (again only after a write has succeeded in between).
class JsonFileDefaults final : public Defaults {
public:
    JsonFileDefaults(const QString& folder, const QString& domain);

    QString filePath() const { return m_filePath; }
    // Where the unreadable file was kept, if it was.
    QString keptUnreadablePath() const;

    std::optional<DefaultsValue> value(const QString& key) const override;
    void set(const QString& key, const DefaultsValue& value) override;
    void remove(const QString& key) override;
    QStringList keys() const override;

    // The file's text for these values, and the values in a text; `complete` tells whether
    // every part of the text was read.
    static QByteArray encode(const QMap<QString, DefaultsValue>& values);
    static QMap<QString, DefaultsValue> decode(const QByteArray& text, bool* complete);

private:
    void load();
    void keepUnreadable(const QString& reason);
    void save();
    void reportWriteFailure(const QString& reason);

    mutable std::mutex m_mutex;
    QString m_filePath;
    QString m_keptPath;
    QMap<QString, DefaultsValue> m_values;
    bool m_memoryOnly = false;
    bool m_writeFailureReported = false;
};

} // namespace platform
