#pragma once

#include "UpdateError.h"

#include <QString>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>

namespace platform {
class Platform;
}

namespace betakit {

// The download of a new build's archive, on the main thread, through the kit's HTTP client.
//
// The body goes straight to a new file "beta-update-<UUID>.zip" in the temporary folder, never into
// memory; only a 200 answer is written, and a download that fails or is cancelled leaves no file.
// The time-out is the client's (60 s): a server that stops sending, or
// sends too little to ever finish, fails the download however long it has run. `progress` gets
// the bytes received and the length the server announced (0 when it announced none). With the
// announced size `limit`, an archive larger than an update may unpack to, or than the temporary
// folder has room for, is not asked for, and a body that grows past it is stopped as damaged:
// nobody fills the disk with a build that can only fail its size check.
class BetaDownload {
public:
    BetaDownload() = delete;

    using Progress = std::function<void(qint64 received, qint64 total)>;
    // `done` runs once, on a later turn, with the archive's path or the error: "The download server
    // answered <status>." for a status other than 200, the transport's error, one of the sentences
    // below, a file error, or a cancellation.
    // The archive goes to the temporary folder of `platform`, whose runtime drives the transfer.
    static std::shared_ptr<UpdateTask> fetch(const platform::Platform& platform, const QUrl& url,
                                             Progress progress,
                                             std::function<void(UpdateResult<QString>)> done,
                                             std::optional<qint64> limit = std::nullopt);

    static QString tooLargeSentence() {
        return QStringLiteral("The new build is larger than an update can be, so it wasn’t downloaded.");
    }
    static QString notEnoughSpaceSentence() {
        return QStringLiteral("There’s not enough disk space to download the new build.");
    }
};

} // namespace betakit
