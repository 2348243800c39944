#include "BetaKit.h"

#include "platform/Platform.h"

namespace betakit {

QString supportFolder(const QString& appID) {
    return platform::Platform::current().paths().applicationSupport() + u'/' +
           QString::fromUtf8(kSupportFolderName) + u'/' + appID;
}

} // namespace betakit
