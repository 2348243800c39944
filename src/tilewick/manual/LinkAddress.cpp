#include "LinkAddress.h"

#include <QUrl>

namespace tilewick::Manual {

std::optional<LinkAddress> parseLinkAddress(const QString& address) {
    const QUrl url(address, QUrl::StrictMode);
    if (!url.isValid())
        return std::nullopt;
    LinkAddress link{address, url.scheme(), std::nullopt};
    if (url.hasFragment())
        link.fragment = url.fragment(QUrl::FullyDecoded);
    return link;
}

} // namespace tilewick::Manual
