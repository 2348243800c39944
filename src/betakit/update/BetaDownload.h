#pragma once

#include "UpdateError.h"

#include <QString>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>

namespace betakit {

// The download of a new build's archive, on the main thread.
//
// The body goes straight to a new file "beta-update-<UUID>.zip" in the temporary folder, never into
// memory; only a 200 answer is written, and a download that fails or is cancelled leaves no file.
// The idle time-out is 60 s on the runtime clock: a server that stops sending fails the download
// however long it has run. `progress` gets the bytes received and the length the server announced
// (0 when it announced none). With `limit`, a body that grows past it is stopped as damaged:
// nobody fills the disk with a build that can only fail its size check.
class BetaDownload {
public:
    BetaDownload() = delete;

    using Progress = std::function<void(qint64 received, qint64 total)>;
    // `done` runs once with the archive's path or the error: "The download server answered
    // <status>." for a status other than 200, the transport's error, a file error, or a cancellation.
    static std::shared_ptr<UpdateTask> fetch(const QUrl& url, Progress progress,
                                             std::function<void(UpdateResult<QString>)> done,
                                             std::optional<qint64> limit = std::nullopt);

    static constexpr double kIdleTimeout = 60.0;
};

} // namespace betakit
