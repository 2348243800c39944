#include "X11Property.h"

#include <cstring>

namespace platform::x11 {

QList<quint32> Property::values() const {
    QList<quint32> out;
    if (format != 32)
        return out;
    const qsizetype n = data.size() / 4;
    if (n == 0)
        return out;
    out.resize(n);
    std::memcpy(out.data(), data.constData(), size_t(n) * 4);
    return out;
}

std::optional<quint32> Property::value() const {
    const auto v = values();
    return v.isEmpty() ? std::nullopt : std::optional<quint32>(v.first());
}

QString Property::text() const {
    if (format != 8)
        return {};
    QByteArray bytes = data;
    if (const auto nul = bytes.indexOf('\0'); nul >= 0)
        bytes.truncate(nul);
    // STRING is Latin-1; UTF8_STRING and the compound text of simple titles read as UTF-8.
    return type == XCB_ATOM_STRING ? QString::fromLatin1(bytes) : QString::fromUtf8(bytes);
}

QStringList Property::texts() const {
    if (format != 8)
        return {};
    QStringList out;
    for (const auto& part : data.split('\0'))
        out.append(type == XCB_ATOM_STRING ? QString::fromLatin1(part) : QString::fromUtf8(part));
    if (!out.isEmpty() && data.endsWith('\0'))
        out.removeLast();
    return out;
}

} // namespace platform::x11
