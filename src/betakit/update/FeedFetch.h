#pragma once

#include "UpdateFeed.h"

#include <QUrl>

#include <functional>
#include <memory>

namespace betakit {

struct BetaConfiguration;

// The feed's address: the configured one, else https://<maker's domain>/updates/<appID>.json.
QUrl updateFeedURL(const BetaConfiguration& config);
// Fetches and decodes the feed; `done` runs once, on the main thread. The task cancels it.
std::shared_ptr<UpdateTask> fetchFeed(const BetaConfiguration& config,
                                      std::function<void(UpdateResult<UpdateFeed>)> done);
// The configured version and build, else the application folder's.
InstalledVersion installedVersion(const BetaConfiguration& config);

} // namespace betakit
