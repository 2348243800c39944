#include "BetaDownload.h"

#include "HttpTransfer.h"
#include "StageUpdate.h"
#include "betakit/VeldorBeta.h"

#include "platform/Platform.h"

#include <QDir>
#include <QFile>
#include <QUuid>

namespace betakit {

namespace {

// The archive being written; the file exists from the first byte (or the end, for an empty body).
struct Archive {
    QFile file;
    qint64 written = 0;
    std::optional<qint64> limit;

    std::optional<UpdateError> open() {
        const QString folder = platform::Platform::current().paths().temporary();
        QDir().mkpath(folder);
        file.setFileName(folder + QStringLiteral("/beta-update-") +
                         QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper() +
                         QStringLiteral(".zip"));
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            return UpdateError::platform(file.errorString());
        return std::nullopt;
    }
    std::optional<UpdateError> append(const QByteArray& chunk) {
        if (!file.isOpen())
            if (auto error = open())
                return error;
        if (limit && written + chunk.size() > *limit)
            return UpdateError::beta(kNotIntactSentence);
        if (file.write(chunk) != chunk.size())
            return UpdateError::platform(file.errorString());
        written += chunk.size();
        return std::nullopt;
    }
    // The whole archive is on the disk.
    std::optional<UpdateError> close() {
        if (!file.isOpen())
            if (auto error = open())
                return error;
        if (!file.flush())
            return UpdateError::platform(file.errorString());
        file.close();
        return std::nullopt;
    }
    void discard() {
        file.close();
        if (!file.fileName().isEmpty())
            file.remove();
    }
};

} // namespace

std::shared_ptr<UpdateTask> BetaDownload::fetch(const QUrl& url, Progress progress,
                                                std::function<void(UpdateResult<QString>)> done,
                                                std::optional<qint64> limit) {
    auto archive = std::make_shared<Archive>();
    archive->limit = limit;
    HttpTransfer::Handlers handlers;
    handlers.data = [archive](const QByteArray& chunk) { return archive->append(chunk); };
    handlers.progress = std::move(progress);
    handlers.finished = [archive, done = std::move(done)](std::optional<UpdateError> error, int status) {
        if (!error && status != 200)
            error = UpdateError::beta(QStringLiteral("The download server answered %1.").arg(status));
        if (!error)
            error = archive->close();
        if (error) {
            archive->discard();
            done(std::move(*error));
            return;
        }
        done(archive->file.fileName());
    };
    return HttpTransfer::start(url, kIdleTimeout, std::move(handlers));
}

std::shared_ptr<UpdateTask> VeldorBeta::downloadForCheck(const QUrl& url,
                                                         std::function<void(double)> progress,
                                                         std::function<void(UpdateResult<QString>)> done) {
    return BetaDownload::fetch(
        url,
        [progress = std::move(progress)](qint64 received, qint64 total) {
            if (total >= 1 && progress)
                progress(double(received) / double(total));
        },
        std::move(done));
}

} // namespace betakit
