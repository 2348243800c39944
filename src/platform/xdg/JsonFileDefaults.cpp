#include "JsonFileDefaults.h"

#include "platform/FileAccess.h"
#include "platform/Runtime.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPointer>
#include <QSet>

#include <cmath>
#include <cstdio>
#include <limits>
#include <mutex>

namespace platform {

namespace {

// Integers a JSON number holds exactly; larger ones must come as strings.
constexpr double kExactIntegerLimit = 9007199254740992.0; // 2^53

QJsonObject encodeEntry(const DefaultsValue& value) {
    struct Visitor {
        QJsonObject operator()(bool v) const { return {{"type", "bool"}, {"value", v}}; }
        QJsonObject operator()(qint64 v) const { return {{"type", "int64"}, {"value", QString::number(v)}}; }
        QJsonObject operator()(quint64 v) const {
            return {{"type", "uint64"}, {"value", QString::number(v)}};
        }
        QJsonObject operator()(double v) const {
            if (std::isnan(v))
                return {{"type", "double"}, {"value", "nan"}};
            if (std::isinf(v))
                return {{"type", "double"}, {"value", v > 0 ? "inf" : "-inf"}};
            return {{"type", "double"}, {"value", v}};
        }
        QJsonObject operator()(const QString& v) const { return {{"type", "string"}, {"value", v}}; }
        QJsonObject operator()(const QByteArray& v) const {
            return {{"type", "data"}, {"value", QString::fromLatin1(v.toBase64())}};
        }
    };
    return std::visit(Visitor{}, value);
}

std::optional<double> exactInteger(const QJsonValue& v) {
    if (!v.isDouble())
        return std::nullopt;
    const double d = v.toDouble();
    if (d != std::floor(d) || std::fabs(d) > kExactIntegerLimit)
        return std::nullopt;
    return d;
}

std::optional<DefaultsValue> decodeEntry(const QJsonValue& entry) {
    if (!entry.isObject())
        return std::nullopt;
    const QJsonObject object = entry.toObject();
    const QString type = object.value("type").toString();
    const QJsonValue v = object.value("value");
    bool ok = false;
    if (type == "bool" && v.isBool())
        return v.toBool();
    if (type == "int64") {
        if (v.isString()) {
            const qint64 n = v.toString().toLongLong(&ok);
            if (ok)
                return n;
        } else if (auto d = exactInteger(v)) {
            return qint64(*d);
        }
        return std::nullopt;
    }
    if (type == "uint64") {
        if (v.isString()) {
            const QString text = v.toString();
            const quint64 n = text.toULongLong(&ok);
            if (ok && !text.trimmed().startsWith(u'-'))
                return n;
        } else if (auto d = exactInteger(v); d && *d >= 0) {
            return quint64(*d);
        }
        return std::nullopt;
    }
    if (type == "double") {
        if (v.isDouble())
            return v.toDouble();
        const QString text = v.toString();
        if (text == "nan")
            return std::numeric_limits<double>::quiet_NaN();
        if (text == "inf")
            return std::numeric_limits<double>::infinity();
        if (text == "-inf")
            return -std::numeric_limits<double>::infinity();
        return std::nullopt;
    }
    if (type == "string" && v.isString())
        return v.toString();
    if (type == "data" && v.isString()) {
        auto decoded =
            QByteArray::fromBase64Encoding(v.toString().toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
        if (decoded)
            return *decoded;
    }
    return std::nullopt;
}

// Adds the members of `object` that can be read; false when any could not.
bool decodeMembers(const QJsonObject& object, QMap<QString, DefaultsValue>& values) {
    bool all = true;
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (auto value = decodeEntry(it.value()))
            values.insert(it.key(), *value);
        else
            all = false;
    }
    return all;
}

// How much of a file that was not read whole could be read.
const char* unreadableReason(const QMap<QString, DefaultsValue>& readable) {
    return readable.isEmpty() ? "not readable" : "partly readable";
}

std::optional<DefaultsValue> lookup(const QMap<QString, DefaultsValue>& values, const QString& key) {
    const auto it = values.constFind(key);
    return it == values.constEnd() ? std::nullopt : std::optional<DefaultsValue>(*it);
}

bool same(const std::optional<DefaultsValue>& a, const std::optional<DefaultsValue>& b) {
    return a.has_value() == b.has_value() && (!a || Defaults::sameValue(*a, *b));
}

} // namespace

// Everything the queued work needs. Queued work holds it only weakly and only while it runs, so
// it always ends with the defaults, on their thread, after their flush.
struct JsonFileDefaults::State : std::enable_shared_from_this<State> {
    std::shared_ptr<Runtime> runtime;
    SerialQueueRef queue;
    QString filePath;
    // Used on the main thread only.
    QPointer<JsonFileDefaults> owner;

    mutable std::mutex mutex;
    QMap<QString, DefaultsValue> values;
    QString keptPath;
    bool memoryOnly = false;
    // Values changed since the last write that landed.
    bool dirty = false;
    // A save is on its way; `pending` is its delay while it waits.
    bool scheduled = false;
    WorkItemRef pending;
    bool writeFailureReported = false;
    // The file as last read or written (none: there was no file) and the values in it.
    std::optional<QByteArray> diskText;
    QMap<QString, DefaultsValue> diskValues;

    void load();
    // With the mutex held: the values changed; a save is on its way.
    void changed();
    void save();
    bool takeExternalChanges(const SmallFileRead& disk, QStringList& changedKeys);
    bool keepUnreadable(const QString& reason);
    void reportWriteFailure(const QString& reason);
};

JsonFileDefaults::JsonFileDefaults(const QString& folder, const QString& domain,
                                   std::shared_ptr<Runtime> runtime)
    : m_state(std::make_shared<State>()) {
    m_state->runtime = std::move(runtime);
    m_state->filePath = QDir(folder).filePath(domain + "/defaults.json");
    m_state->queue = m_state->runtime->serialQueue(QStringLiteral("defaults.") + domain);
    m_state->owner = this;
    m_state->load();
}

JsonFileDefaults::~JsonFileDefaults() {
    flush();
}

QString JsonFileDefaults::filePath() const {
    return m_state->filePath;
}

QString JsonFileDefaults::keptUnreadablePath() const {
    std::lock_guard lock(m_state->mutex);
    return m_state->keptPath;
}

QByteArray JsonFileDefaults::encode(const QMap<QString, DefaultsValue>& values) {
    QByteArray text = "{\n";
    for (auto it = values.begin(); it != values.end(); ++it) {
        const QByteArray member =
            QJsonDocument(QJsonObject{{it.key(), encodeEntry(it.value())}}).toJson(QJsonDocument::Compact);
        if (it != values.begin())
            text += ",\n";
        text += member.mid(1, member.size() - 2); // without the braces
    }
    text += "\n}\n";
    return text;
}

QMap<QString, DefaultsValue> JsonFileDefaults::decode(const QByteArray& text, bool* complete) {
    QMap<QString, DefaultsValue> values;
    *complete = true;
    if (text.trimmed().isEmpty())
        return values;
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(text, &error);
    if (error.error == QJsonParseError::NoError && document.isObject()) {
        *complete = decodeMembers(document.object(), values);
        return values;
    }
    // Not a JSON object as a whole: read what can be read, one member per line.
    *complete = false;
    for (const QByteArray& raw : text.split('\n')) {
        QByteArray line = raw.trimmed();
        if (line.endsWith(','))
            line.chop(1);
        if (!line.startsWith('"'))
            continue;
        const QJsonDocument member = QJsonDocument::fromJson("{" + line + "}");
        if (member.isObject())
            decodeMembers(member.object(), values);
    }
    return values;
}

void JsonFileDefaults::State::load() {
    const auto read = readSmallFile(filePath);
    if (read.result == SmallFileRead::Result::Missing)
        return;
    if (read.result != SmallFileRead::Result::Read) {
        // Never write over what may still be good, nor over what is not a settings file.
        memoryOnly = true;
        std::fprintf(stderr,
                     "Tilewick: cannot read the settings file %s (%s); the defaults are used and changes "
                     "will not be saved.\n",
                     qPrintable(filePath), qPrintable(read.problem));
        return;
    }
    bool complete = false;
    values = decode(read.data, &complete);
    diskText = read.data;
    diskValues = values;
    if (!complete && keepUnreadable(unreadableReason(values))) {
        // The readable entries go back at once, so they survive without another change.
        diskText.reset();
        dirty = true;
        save();
    }
}

bool JsonFileDefaults::State::keepUnreadable(const QString& reason) {
    const QString stamp = QDateTime::fromMSecsSinceEpoch(runtime->clock().wallMillis(), Qt::UTC)
                              .toString("yyyyMMdd'T'HHmmss'Z'");
    QString kept = filePath + ".unreadable-" + stamp;
    for (int n = 2; QFileInfo::exists(kept); ++n)
        kept = filePath + ".unreadable-" + stamp + "-" + QString::number(n);
    if (!QFile::rename(filePath, kept)) {
        memoryOnly = true;
        std::fprintf(stderr,
                     "Tilewick: the settings file %s is %s and cannot be set aside; the defaults are used "
                     "for what could not be read and changes will not be saved.\n",
                     qPrintable(filePath), qPrintable(reason));
        return false;
    }
    keptPath = kept;
    std::fprintf(stderr,
                 "Tilewick: the settings file %s is %s; it was kept as %s and the defaults are used for "
                 "what could not be read.\n",
                 qPrintable(filePath), qPrintable(reason), qPrintable(kept));
    return true;
}

void JsonFileDefaults::State::changed() {
    dirty = true;
    if (memoryOnly || scheduled)
        return;
    scheduled = true;
    std::weak_ptr<State> weak = weak_from_this();
    pending = runtime->after(kSaveDelay, [weak] {
        if (const auto self = weak.lock())
            self->queue->async([weak] {
                if (const auto state = weak.lock())
                    state->save();
            });
    });
}

void JsonFileDefaults::State::save() {
    std::unique_lock lock(mutex);
    scheduled = false;
    pending.reset();
    if (!dirty || memoryOnly)
        return;
    lock.unlock();
    const auto disk = readSmallFile(filePath);
    lock.lock();

    QStringList changedKeys;
    if (takeExternalChanges(disk, changedKeys)) {
        const auto written = values;
        const QByteArray text = encode(written);
        dirty = false;
        lock.unlock();
        const QString folder = QFileInfo(filePath).absolutePath();
        const QString failure = QDir().mkpath(folder) ? writeFileAtomically(filePath, text)
                                                      : QStringLiteral("cannot create the folder ") + folder;
        lock.lock();
        if (failure.isEmpty()) {
            diskText = text;
            diskValues = written;
            writeFailureReported = false;
        } else {
            // Tried again with the next change or flush.
            dirty = true;
            reportWriteFailure(failure);
        }
    }
    lock.unlock();
    if (!changedKeys.isEmpty()) {
        runtime->async([owner = owner, changedKeys] {
            if (owner)
                emit owner->changedExternally(changedKeys);
        });
    }
}

// Takes what someone else changed in the file since it was last read or written: the keys changed
// there get the file's values. False when the file can no longer be written.
bool JsonFileDefaults::State::takeExternalChanges(const SmallFileRead& disk, QStringList& changedKeys) {
    using Result = SmallFileRead::Result;
    if (disk.result == Result::Read ? diskText == disk.data : !diskText && disk.result == Result::Missing)
        return true;
    if (disk.result == Result::Refused || disk.result == Result::Failed) {
        memoryOnly = true;
        std::fprintf(stderr,
                     "Tilewick: the settings file %s can no longer be read (%s); it is left as it is and "
                     "changes will not be saved.\n",
                     qPrintable(filePath), qPrintable(disk.problem));
        return false;
    }
    // A file that is gone or emptied holds no edit to take; it is written again from memory.
    if (disk.result == Result::Missing || disk.data.trimmed().isEmpty()) {
        diskText.reset();
        diskValues.clear();
        return true;
    }
    bool complete = false;
    const auto external = decode(disk.data, &complete);
    QSet<QString> keys(diskValues.keyBegin(), diskValues.keyEnd());
    keys.unite(QSet<QString>(external.keyBegin(), external.keyEnd()));
    for (const QString& key : keys) {
        const auto before = lookup(diskValues, key);
        const auto after = lookup(external, key);
        // Absent from a file that was not read whole is unreadable, not removed.
        if (same(before, after) || (!after && !complete))
            continue;
        if (!same(lookup(values, key), after))
            changedKeys.append(key);
        if (after)
            values.insert(key, *after);
        else
            values.remove(key);
    }
    changedKeys.sort();
    diskText = disk.data;
    diskValues = external;
    if (!complete) {
        if (!keepUnreadable(unreadableReason(external)))
            return false;
        diskText.reset();
    }
    return true;
}

void JsonFileDefaults::State::reportWriteFailure(const QString& reason) {
    if (writeFailureReported)
        return;
    writeFailureReported = true;
    std::fprintf(stderr,
                 "Tilewick: cannot save settings to %s (%s); the file keeps its previous settings and "
                 "changes are kept in memory until a save succeeds.\n",
                 qPrintable(filePath), qPrintable(reason));
}

std::optional<DefaultsValue> JsonFileDefaults::value(const QString& key) const {
    std::lock_guard lock(m_state->mutex);
    return lookup(m_state->values, key);
}

void JsonFileDefaults::set(const QString& key, const DefaultsValue& value) {
    std::lock_guard lock(m_state->mutex);
    if (same(lookup(m_state->values, key), value))
        return;
    m_state->values.insert(key, value);
    m_state->changed();
}

void JsonFileDefaults::remove(const QString& key) {
    std::lock_guard lock(m_state->mutex);
    if (m_state->values.remove(key))
        m_state->changed();
}

QStringList JsonFileDefaults::keys() const {
    std::lock_guard lock(m_state->mutex);
    return m_state->values.keys();
}

void JsonFileDefaults::flush() {
    WorkItemRef pending;
    {
        std::lock_guard lock(m_state->mutex);
        pending = std::exchange(m_state->pending, nullptr);
    }
    if (pending)
        pending->cancel();
    if (m_state->queue->isCurrent()) {
        m_state->save();
        return;
    }
    // Weakly, like all queued work: the last reference, and the runtime it holds, must go on
    // this thread, never on the queue's own worker.
    std::weak_ptr<State> weak = m_state;
    m_state->queue->sync([weak] {
        if (const auto state = weak.lock())
            state->save();
    });
}

} // namespace platform
