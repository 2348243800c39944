#include "FeedFetch.h"

#include "betakit/BetaConfiguration.h"
#include "betakit/HttpTransfer.h"

#include "platform/Platform.h"

#include <QUrlQuery>

namespace betakit {

QUrl updateFeedURL(const BetaConfiguration& config) {
    if (config.updateFeed)
        return *config.updateFeed;
    QUrl url;
    url.setScheme(QStringLiteral("https"));
    url.setHost(QString::fromLatin1(kMakerDomain));
    url.setPath(QStringLiteral("/updates/") + config.appID + QStringLiteral(".json"));
    return url;
}

std::shared_ptr<UpdateTask> fetchFeed(const BetaConfiguration& config,
                                      std::function<void(UpdateResult<UpdateFeed>)> done) {
    QUrl url = updateFeedURL(config);
    // Seconds since 1970 as the only query: no cache between here and the server keeps an old feed.
    const qint64 seconds = config.platform()->clock().wallMillis() / 1000;
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("t"), QString::number(seconds));
    url.setQuery(query);

    HttpTransfer::Handlers handlers;
    handlers.finished = [done = std::move(done)](std::optional<UpdateError> error, int status,
                                                 const QByteArray& body) {
        if (error)
            done(std::move(*error));
        else if (status != 200)
            done(UpdateError::beta(QStringLiteral("The update server answered %1.").arg(status)));
        else
            done(UpdateFeed::decode(body));
    };
    return HttpTransfer::start(config.platform()->runtime(), {url}, HttpTransfer::Policy::feed(),
                               std::move(handlers));
}

InstalledVersion installedVersion(const BetaConfiguration& config) {
    const platform::Bundle& bundle = config.platform()->bundle();
    InstalledVersion installed;
    installed.version = config.appVersion            ? *config.appVersion
                        : bundle.version().isEmpty() ? QStringLiteral("?")
                                                     : bundle.version();
    installed.build = buildNumber(config.appBuild ? *config.appBuild : bundle.build());
    return installed;
}

} // namespace betakit
