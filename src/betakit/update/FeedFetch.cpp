// The update feed's address, its fetch and the installed version.
#include "betakit/VeldorBeta.h"

#include "HttpTransfer.h"

#include "platform/Platform.h"

#include <QUrlQuery>

namespace betakit {

namespace {

// A feed is a few kilobytes; a server that sends more is not sending a feed.
constexpr qint64 kFeedLimit = 4 * 1024 * 1024;
constexpr double kFeedIdleTimeout = 20.0;

} // namespace

QUrl VeldorBeta::updateFeedURL(const BetaConfiguration& config) {
    if (config.updateFeed)
        return *config.updateFeed;
    QUrl url;
    url.setScheme(QStringLiteral("https"));
    url.setHost(QString::fromLatin1(kMakerDomain));
    url.setPath(QStringLiteral("/updates/") + config.appID + QStringLiteral(".json"));
    return url;
}

std::shared_ptr<UpdateTask> VeldorBeta::fetchFeed(const BetaConfiguration& config,
                                                  std::function<void(UpdateResult<UpdateFeed>)> done) {
    QUrl url = updateFeedURL(config);
    // Seconds since 1970 as the only query: no cache between here and the server keeps an old feed.
    const qint64 seconds = platform::Platform::current().clock().wallMillis() / 1000;
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("t"), QString::number(seconds));
    url.setQuery(query);

    auto body = std::make_shared<QByteArray>();
    HttpTransfer::Handlers handlers;
    handlers.data = [body](const QByteArray& chunk) -> std::optional<UpdateError> {
        if (body->size() + chunk.size() > kFeedLimit)
            return UpdateError::platform(QStringLiteral("The update feed is larger than a feed can be."));
        body->append(chunk);
        return std::nullopt;
    };
    handlers.finished = [body, done = std::move(done)](std::optional<UpdateError> error, int status) {
        if (error)
            done(std::move(*error));
        else if (status != 200)
            done(UpdateError::beta(QStringLiteral("The update server answered %1.").arg(status)));
        else
            done(UpdateFeed::decode(*body));
    };
    return HttpTransfer::start(url, kFeedIdleTimeout, std::move(handlers));
}

InstalledVersion VeldorBeta::installedVersion(const BetaConfiguration& config) {
    const platform::Bundle& bundle = platform::Platform::current().bundle();
    InstalledVersion installed;
    installed.version = config.appVersion            ? *config.appVersion
                        : bundle.version().isEmpty() ? QStringLiteral("?")
                                                     : bundle.version();
    installed.build = buildNumber(config.appBuild ? *config.appBuild : bundle.build());
    return installed;
}

} // namespace betakit
