#include "BetaValue.h"

#include "BetaLog.h"

#include <QByteArray>
#include <QString>

#include <cmath>

namespace betakit {

namespace {

constexpr std::size_t kMaxValueLength = 64;

// The value of an upper-case hexadecimal digit as fromText writes it, or -1.
int upperHexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

BetaValue BetaValue::name(std::string_view name) {
    return BetaValue(Text{std::string(BetaLog::validName(name))});
}

// Escaping: every UTF-8 byte outside A-Z a-z 0-9 _ . - becomes "+" and two upper-case hex digits
// ("+" itself included, so the escape is unambiguous). The result is cut to 64 characters,
// never inside an escape; empty text is written as "invalid_name", like an empty name.
BetaValue BetaValue::fromText(QStringView text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    const QByteArray utf8 = text.toUtf8();
    std::string out;
    out.reserve(std::min<std::size_t>(kMaxValueLength, std::size_t(utf8.size()) * 3));
    for (const char c : utf8) {
        const std::size_t needed = BetaLog::isNameChar(c) ? 1 : 3;
        if (out.size() + needed > kMaxValueLength)
            break;
        if (needed == 1) {
            out += c;
        } else {
            const auto byte = static_cast<unsigned char>(c);
            out += '+';
            out += kHex[byte >> 4];
            out += kHex[byte & 0xF];
        }
    }
    if (out.empty())
        out = BetaLog::kInvalidName;
    return BetaValue(Text{std::move(out)});
}

QString BetaValue::unescaped(QStringView text) {
    if (!text.contains(u'+'))
        return text.toString();
    const QByteArray bytes = text.toUtf8();
    QByteArray out;
    out.reserve(bytes.size());
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const int high = i + 2 < bytes.size() && bytes[i] == '+' ? upperHexDigit(bytes[i + 1]) : -1;
        const int low = high >= 0 ? upperHexDigit(bytes[i + 2]) : -1;
        if (low < 0) {
            out += bytes[i];
            continue;
        }
        out += char(high << 4 | low);
        i += 2;
    }
    return QString::fromUtf8(out);
}

std::string BetaValue::formatDouble(double value) {
    if (std::isnan(value))
        return "nan";
    if (std::isinf(value))
        return value > 0 ? "inf" : "-inf";
    if (std::round(value) == value && std::fabs(value) < 1e15)
        return integerText(static_cast<qint64>(value));
    // to_chars with a precision is printf in the "C" locale, whatever the process locale is.
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 6);
    return std::string(buffer, result.ptr);
}

} // namespace betakit
