#pragma once

#include <QStringView>

#include <algorithm>
#include <charconv>
#include <concepts>
#include <string>
#include <string_view>

namespace betakit {

// A value that can name itself in the activity log: `betaLogName(value)`, found by argument-
// dependent lookup, returns the value's snake_case log name as static text.
template <typename T>
concept BetaLogName = requires(const T& value) {
    { betaLogName(value) } -> std::convertible_to<const char*>;
};

// One value of an activity-log pair: its text exactly as it stands after "=" in a line.
// Every constructor yields text of 1 to 64 characters from A-Z a-z 0-9 _ . + -, so a value
// can never break the one-line format or forge another pair.
class BetaValue {
public:
    // Literals: `{"active", true}`, `{"count", 3}`, `{"ratio", 0.5}`, `{"mode", "multi"}`.
    template <std::same_as<bool> B> BetaValue(B value) : m_text(value ? "true" : "false") {}
    template <std::integral T>
    requires(!std::same_as<T, bool> && !std::same_as<T, char>) BetaValue(T value)
        : m_text(integerText(value)) {}
    template <std::floating_point T> BetaValue(T value) : m_text(formatDouble(double(value))) {}
    template <std::size_t N>
    BetaValue(const char (&literal)[N])
        : BetaValue(name(std::string_view(literal, std::find(literal, literal + N, '\0')))) {}

    static BetaValue fromBool(bool value) { return BetaValue(value); }
    template <std::integral T> static BetaValue fromInt(T value) {
        return BetaValue(Text{integerText(value)});
    }
    static BetaValue fromDouble(double value) { return BetaValue(Text{formatDouble(value)}); }
    // A static name, by the name rule: unchanged when valid, else "invalid_name".
    static BetaValue name(std::string_view name);
    // A value's log name, by the name rule.
    template <BetaLogName T> static BetaValue fromCase(const T& value) { return name(betaLogName(value)); }
    // Any text known only at run time (file names, titles): characters outside the value
    // alphabet are escaped, so line feeds, blanks and "=" cannot reach the line.
    static BetaValue fromText(QStringView text);
    // The text a value written by fromText stood for: each "+" and two hexadecimal digits back to
    // its byte, read as UTF-8. Other text comes back as it is.
    static QString unescaped(QStringView text);

    const std::string& text() const { return m_text; }

    friend bool operator==(const BetaValue&, const BetaValue&) = default;

    // The number rule: "nan", "inf", "-inf"; whole values below 1e15 in magnitude as integers;
    // everything else as "%.6g" with "." as the decimal point, whatever the locale.
    static std::string formatDouble(double value);

private:
    struct Text {
        std::string text;
    };
    explicit BetaValue(Text text) : m_text(std::move(text.text)) {}

    template <std::integral T> static std::string integerText(T value) {
        char buffer[24];
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
        return std::string(buffer, result.ptr);
    }

    std::string m_text;
};

} // namespace betakit
