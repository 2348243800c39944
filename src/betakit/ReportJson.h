#pragma once

#include <QByteArray>
#include <QString>

#include <optional>
#include <utility>
#include <variant>
#include <vector>

namespace betakit {

// One value of a report document. Objects keep their members in any order; the writer sorts them.
class JsonValue {
public:
    using Array = std::vector<JsonValue>;
    using Members = std::vector<std::pair<QString, JsonValue>>;

    static JsonValue boolean(bool value) { return JsonValue(Data(std::in_place_index<0>, value)); }
    static JsonValue integer(qint64 value) { return JsonValue(Data(std::in_place_index<1>, value)); }
    static JsonValue unsignedInteger(quint64 value) { return JsonValue(Data(std::in_place_index<2>, value)); }
    static JsonValue number(double value) { return JsonValue(Data(std::in_place_index<3>, value)); }
    static JsonValue string(QString value) {
        return JsonValue(Data(std::in_place_index<4>, std::move(value)));
    }
    static JsonValue array(Array items) { return JsonValue(Data(std::in_place_index<5>, std::move(items))); }
    static JsonValue object(Members members) {
        return JsonValue(Data(std::in_place_index<6>, std::move(members)));
    }

    using Data = std::variant<bool, qint64, quint64, double, QString, Array, Members>;
    const Data& data() const { return m_data; }

private:
    explicit JsonValue(Data data) : m_data(std::move(data)) {}
    Data m_data;
};

// Writes a report document as the report format has it: UTF-8, one member or element per line,
// two blanks of indentation per level, " : " between a key and its value, keys in ascending order
// at every level, "/" never escaped, no line feed at the end. An empty array or object is its two
// brackets with an empty line between them. Doubles take the shortest form that reads back
// exactly. None when the document holds a number JSON can't express (infinite or not a number).
class ReportJson {
public:
    ReportJson() = delete;
    static std::optional<QByteArray> write(const JsonValue& value);
    // A JSON string literal of `text`, quotes included.
    static void appendString(QByteArray& out, const QString& text);
};

} // namespace betakit
