#pragma once

#include <QString>

#include <optional>

namespace tilewick::Manual {

// A link destination of the manual, read as a URL: "search:word", "#anchor", "mailto:…", web
// addresses. The fragment is percent-decoded.
struct LinkAddress {
    QString text;   // as written
    QString scheme; // empty when the address has none
    std::optional<QString> fragment;
};

// None when `address` is no valid URL, for example with a malformed percent-encoding ("%zz").
std::optional<LinkAddress> parseLinkAddress(const QString& address);

} // namespace tilewick::Manual
