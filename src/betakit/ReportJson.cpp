#include "ReportJson.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace betakit {

namespace {

class Writer {
public:
    bool write(const JsonValue& value, int depth) {
        return std::visit([&](const auto& v) { return put(v, depth); }, value.data());
    }
    QByteArray out;

private:
    void indent(int depth) { out.append(QByteArray(2 * depth, ' ')); }

    bool put(bool value, int) {
        out.append(value ? "true" : "false");
        return true;
    }
    bool put(qint64 value, int) {
        out.append(QByteArray::number(value));
        return true;
    }
    bool put(quint64 value, int) {
        out.append(QByteArray::number(value));
        return true;
    }
    bool put(double value, int) {
        if (!std::isfinite(value))
            return false;
        char buffer[32];
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
        out.append(buffer, result.ptr - buffer);
        return true;
    }
    bool put(const QString& value, int) {
        ReportJson::appendString(out, value);
        return true;
    }
    bool put(const JsonValue::Array& items, int depth) {
        out.append("[\n");
        for (std::size_t i = 0; i < items.size(); ++i) {
            if (i > 0)
                out.append(",\n");
            indent(depth + 1);
            if (!write(items[i], depth + 1))
                return false;
        }
        out.append('\n');
        indent(depth);
        out.append(']');
        return true;
    }
    bool put(const JsonValue::Members& members, int depth) {
        std::vector<const std::pair<QString, JsonValue>*> sorted;
        sorted.reserve(members.size());
        for (const auto& member : members)
            sorted.push_back(&member);
        std::stable_sort(sorted.begin(), sorted.end(),
                         [](const auto* a, const auto* b) { return a->first < b->first; });
        out.append("{\n");
        for (std::size_t i = 0; i < sorted.size(); ++i) {
            if (i > 0)
                out.append(",\n");
            indent(depth + 1);
            ReportJson::appendString(out, sorted[i]->first);
            out.append(" : ");
            if (!write(sorted[i]->second, depth + 1))
                return false;
        }
        out.append('\n');
        indent(depth);
        out.append('}');
        return true;
    }
};

} // namespace

std::optional<QByteArray> ReportJson::write(const JsonValue& value) {
    Writer writer;
    if (!writer.write(value, 0))
        return std::nullopt;
    return std::move(writer.out);
}

void ReportJson::appendString(QByteArray& out, const QString& text) {
    static constexpr char kHex[] = "0123456789abcdef";
    const QByteArray utf8 = text.toUtf8();
    out.reserve(out.size() + utf8.size() + 2);
    out.append('"');
    qsizetype plain = 0;
    for (qsizetype i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (c >= 0x20 && c != '"' && c != '\\')
            continue;
        out.append(utf8.constData() + plain, i - plain);
        plain = i + 1;
        switch (c) {
        case '"':
            out.append("\\\"");
            break;
        case '\\':
            out.append("\\\\");
            break;
        case '\b':
            out.append("\\b");
            break;
        case '\f':
            out.append("\\f");
            break;
        case '\n':
            out.append("\\n");
            break;
        case '\r':
            out.append("\\r");
            break;
        case '\t':
            out.append("\\t");
            break;
        default: {
            const char escape[] = {'\\', 'u', '0', '0', kHex[c >> 4], kHex[c & 0xF]};
            out.append(escape, sizeof escape);
        }
        }
    }
    out.append(utf8.constData() + plain, utf8.size() - plain);
    out.append('"');
}

} // namespace betakit
