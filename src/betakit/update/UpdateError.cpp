#include "UpdateError.h"

#include <QNetworkReply>

namespace betakit {

bool UpdateError::couldNotReach() const {
    if (m_kind != Kind::Network)
        return false;
    switch (m_code) {
    case QNetworkReply::ConnectionRefusedError:
    case QNetworkReply::RemoteHostClosedError:
    case QNetworkReply::HostNotFoundError:
    case QNetworkReply::TimeoutError:
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::NetworkSessionFailedError:
        return true;
    default:
        return false;
    }
}

} // namespace betakit
