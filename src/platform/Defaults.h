#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

#include <optional>
#include <variant>

namespace platform {

// One stored setting. The alternatives are told apart: a Bool is never read as an Int64.
using DefaultsValue = std::variant<bool, qint64, quint64, double, QString, QByteArray>;

// A user-defaults domain: typed key-value settings that survive restarts.
// A value stored with another type than the one asked for reads as absent.
// Reading and writing are safe from any thread.
class Defaults : public QObject {
    Q_OBJECT
public:
    virtual std::optional<DefaultsValue> value(const QString& key) const = 0;
    virtual void set(const QString& key, const DefaultsValue& value) = 0;
    virtual void remove(const QString& key) = 0;
    virtual QStringList keys() const = 0;
    // Writes what has not reached the disk yet and waits for it; the program calls it at quit.
    virtual void flush() {}

    bool contains(const QString& key) const { return value(key).has_value(); }

    std::optional<bool> boolValue(const QString& key) const { return typed<bool>(key); }
    std::optional<qint64> int64Value(const QString& key) const { return typed<qint64>(key); }
    std::optional<quint64> uint64Value(const QString& key) const { return typed<quint64>(key); }
    std::optional<double> doubleValue(const QString& key) const { return typed<double>(key); }
    std::optional<QString> stringValue(const QString& key) const { return typed<QString>(key); }
    std::optional<QByteArray> dataValue(const QString& key) const { return typed<QByteArray>(key); }

    // The same setting: equal values of the same type (NaN equals NaN, 0.0 is not -0.0).
    static bool sameValue(const DefaultsValue& a, const DefaultsValue& b);

signals:
    // Someone else changed these keys (the settings file was edited by hand); the new values
    // are already in place. Sent on the main thread.
    void changedExternally(const QStringList& keys);

private:
    template <typename T> std::optional<T> typed(const QString& key) const {
        auto v = value(key);
        if (v && std::holds_alternative<T>(*v))
            return std::get<T>(*v);
        return std::nullopt;
    }
};

} // namespace platform
