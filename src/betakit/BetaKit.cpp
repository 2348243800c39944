#include "BetaKit.h"

#include "platform/Paths.h"

namespace betakit {

QString supportFolder(const platform::Paths& paths, const QString& appID) {
    return paths.applicationSupport() + u'/' + QString::fromUtf8(kSupportFolderName) + u'/' + appID;
}

} // namespace betakit
