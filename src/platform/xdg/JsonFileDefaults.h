#pragma once

#include "platform/Defaults.h"

#include <QMap>

#include <memory>

namespace platform {

class Runtime;

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
// The file is read once, at construction. A set that changes nothing writes nothing; changes are
// written whole, kSaveDelay after the first of them, on a serial queue of the runtime, so a burst
// of changes costs one write and the caller never waits for the disk. A write lands whole or not
// at all (a temporary file, checked, flushed to the disk and renamed over the old one); when it
// fails (a full disk) the old file stays, the values live on in memory, the failure is said once
// on stderr (again only after a write has succeeded in between) and the next change or flush()
// tries again. flush() and the destructor write what is pending and wait for it.
//
// Before each write the file is read again: when someone changed it since (an edit by hand),
// the keys changed there take the file's values, changedExternally() names them, and the write
// keeps them. A file that is gone is written again from memory.
//
// A file that is not JSON, is truncated, or holds entries that cannot be read keeps what can be
// read (one member per line makes a cut-off file readable up to the cut); the rest reads as
// absent, so the program falls back to its defaults. The original file is then kept beside the
// new one as defaults.json.unreadable-<UTC time stamp of the runtime's clock>, never deleted, and
// a line on stderr says so. Something at the path that cannot be read (no permission, a folder,
// a FIFO or device, a file larger than any settings file) is never written over: the values live
// in memory only, said once on stderr.
class JsonFileDefaults final : public Defaults {
    Q_OBJECT
public:
    static constexpr double kSaveDelay = 0.5;

    JsonFileDefaults(const QString& folder, const QString& domain, std::shared_ptr<Runtime> runtime);
    ~JsonFileDefaults() override;

    QString filePath() const;
    // Where the unreadable file was kept, if it was.
    QString keptUnreadablePath() const;

    std::optional<DefaultsValue> value(const QString& key) const override;
    void set(const QString& key, const DefaultsValue& value) override;
    void remove(const QString& key) override;
    QStringList keys() const override;
    void flush() override;

    // The file's text for these values, and the values in a text; `complete` tells whether
    // every part of the text was read.
    static QByteArray encode(const QMap<QString, DefaultsValue>& values);
    static QMap<QString, DefaultsValue> decode(const QByteArray& text, bool* complete);

    struct State;

private:
    std::shared_ptr<State> m_state;
};

} // namespace platform
