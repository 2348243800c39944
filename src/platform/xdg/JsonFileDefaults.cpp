#include "JsonFileDefaults.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <cmath>
#include <cstdio>
#include <limits>

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

} // namespace

JsonFileDefaults::JsonFileDefaults(const QString& folder, const QString& domain)
    : m_filePath(QDir(folder).filePath(domain + "/defaults.json")) {
    load();
}

QString JsonFileDefaults::keptUnreadablePath() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_keptPath;
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

void JsonFileDefaults::load() {
    QFile file(m_filePath);
    if (!file.exists())
        return;
    if (!file.open(QIODevice::ReadOnly) || QFileInfo(m_filePath).isDir()) {
        // Never write over values that may still be good.
        m_memoryOnly = true;
        std::fprintf(stderr,
                     "Tilewick: cannot read the settings file %s (%s); the defaults are used and changes "
                     "will not be saved.\n",
                     qPrintable(m_filePath), qPrintable(file.errorString()));
        return;
    }
    bool complete = false;
    m_values = decode(file.readAll(), &complete);
    file.close();
    if (!complete)
        keepUnreadable(m_values.isEmpty() ? "not readable" : "partly readable");
}

void JsonFileDefaults::keepUnreadable(const QString& reason) {
    const QString stamp = QDateTime::currentDateTimeUtc().toString("yyyyMMdd'T'HHmmss'Z'");
    QString kept = m_filePath + ".unreadable-" + stamp;
    for (int n = 2; QFileInfo::exists(kept); ++n)
        kept = m_filePath + ".unreadable-" + stamp + "-" + QString::number(n);
    if (!QFile::rename(m_filePath, kept)) {
        m_memoryOnly = true;
        std::fprintf(stderr,
                     "Tilewick: the settings file %s is %s and cannot be set aside; the defaults are used "
                     "for what could not be read and changes will not be saved.\n",
                     qPrintable(m_filePath), qPrintable(reason));
        return;
    }
    m_keptPath = kept;
    std::fprintf(stderr,
                 "Tilewick: the settings file %s is %s; it was kept as %s and the defaults are used for "
                 "what could not be read.\n",
                 qPrintable(m_filePath), qPrintable(reason), qPrintable(kept));
    save();
}

void JsonFileDefaults::save() {
    if (m_memoryOnly)
        return;
    const QString folder = QFileInfo(m_filePath).absolutePath();
    if (!QDir().mkpath(folder)) {
        reportWriteFailure("cannot create the folder " + folder);
        return;
    }
    QSaveFile file(m_filePath);
    if (!file.open(QIODevice::WriteOnly)) {
        reportWriteFailure(file.errorString());
        return;
    }
    file.write(encode(m_values));
    if (!file.commit()) {
        reportWriteFailure(file.errorString());
        return;
    }
    m_writeFailureReported = false;
}

void JsonFileDefaults::reportWriteFailure(const QString& reason) {
    if (m_writeFailureReported)
        return;
    m_writeFailureReported = true;
    std::fprintf(stderr,
                 "Tilewick: cannot save settings to %s (%s); changes are kept until the program quits.\n",
                 qPrintable(m_filePath), qPrintable(reason));
}

std::optional<DefaultsValue> JsonFileDefaults::value(const QString& key) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_values.constFind(key);
    if (it == m_values.constEnd())
        return std::nullopt;
    return *it;
}

void JsonFileDefaults::set(const QString& key, const DefaultsValue& value) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_values.insert(key, value);
    save();
}

void JsonFileDefaults::remove(const QString& key) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_values.remove(key))
        save();
}

QStringList JsonFileDefaults::keys() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_values.keys();
}

} // namespace platform
