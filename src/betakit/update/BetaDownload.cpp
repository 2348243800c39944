#include "BetaDownload.h"

#include "SafeUnzip.h"
#include "StageUpdate.h"
#include "betakit/HttpTransfer.h"

#include "platform/FileAccess.h"
#include "platform/Platform.h"

#include <QDir>
#include <QFile>
#include <QStorageInfo>
#include <QUuid>

#include <cerrno>
#include <cstring>

#include <unistd.h>

namespace betakit {

namespace {

// 60 s, at most the announced size, and never more than an archive may unpack to.
HttpTransfer::Policy downloadPolicy(std::optional<qint64> announced) {
    const qint64 most = UnzipLimits{}.maxTotalBytes;
    return {true, 60.0, announced ? std::min(*announced, most) : most, kNotIntactSentence, false};
}

// The archive being written; the file exists from the first byte (or the end, for an empty body).
struct Archive {
    // The temporary folder the archive is written in.
    QString folder;
    QFile file;

    std::optional<UpdateError> open() {
        QDir().mkpath(folder);
        file.setFileName(folder + QStringLiteral("/beta-update-") +
                         QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper() +
                         QStringLiteral(".zip"));
        // Unbuffered: each write reaches the disk here, so a full disk is told by its own error.
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered))
            return UpdateError::platform(file.errorString());
        return std::nullopt;
    }
    std::optional<UpdateError> append(const QByteArray& chunk) {
        if (!file.isOpen())
            if (auto error = open())
                return error;
        const char* data = chunk.constData();
        qsizetype left = chunk.size();
        while (left > 0) {
            const ssize_t written = ::write(file.handle(), data, size_t(left));
            if (written < 0 && errno == EINTR)
                continue;
            if (written < 0) {
                const int error = errno;
                if (platform::isOutOfSpace(error))
                    return UpdateError::beta(BetaDownload::notEnoughSpaceSentence());
                return UpdateError::platform(QString::fromLocal8Bit(std::strerror(error)));
            }
            data += written;
            left -= written;
        }
        return std::nullopt;
    }
    // The whole archive is on the disk.
    std::optional<UpdateError> close() {
        if (!file.isOpen())
            if (auto error = open())
                return error;
        file.close();
        return std::nullopt;
    }
    void discard() {
        file.close();
        if (!file.fileName().isEmpty())
            file.remove();
    }
};

// Work that fails before it starts, on a later turn as every other ending does.
class Refusal final : public UpdateTask {
public:
    static std::shared_ptr<UpdateTask> start(platform::Runtime& runtime, UpdateError error,
                                             std::function<void(UpdateResult<QString>)> done) {
        auto refusal = std::make_shared<Refusal>();
        runtime.async([refusal, error = std::move(error), done = std::move(done)] {
            done(refusal->m_cancelled ? UpdateError::cancelled() : error);
        });
        return refusal;
    }
    void cancel() override { m_cancelled = true; }

private:
    bool m_cancelled = false;
};

// Why an archive of the announced size is not even asked for, if it isn't.
std::optional<UpdateError> refusal(const QString& temporary, std::optional<qint64> announced) {
    if (!announced)
        return std::nullopt;
    if (*announced > downloadPolicy(std::nullopt).bodyLimit)
        return UpdateError::beta(BetaDownload::tooLargeSentence());
    const QStorageInfo disk(temporary);
    if (disk.isValid() && disk.bytesAvailable() < *announced)
        return UpdateError::beta(BetaDownload::notEnoughSpaceSentence());
    return std::nullopt;
}

} // namespace

std::shared_ptr<UpdateTask> BetaDownload::fetch(const platform::Platform& platform, const QUrl& url,
                                                Progress progress,
                                                std::function<void(UpdateResult<QString>)> done,
                                                std::optional<qint64> limit) {
    const QString temporary = platform.paths().temporary();
    QDir().mkpath(temporary);
    if (auto error = refusal(temporary, limit))
        return Refusal::start(platform.runtime(), std::move(*error), std::move(done));
    auto archive = std::make_shared<Archive>();
    archive->folder = temporary;
    HttpTransfer::Handlers handlers;
    handlers.data = [archive](const QByteArray& chunk) { return archive->append(chunk); };
    handlers.progress = std::move(progress);
    handlers.finished = [archive, done = std::move(done)](std::optional<UpdateError> error, int status,
                                                          const QByteArray&) {
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
    return HttpTransfer::start(platform.runtime(), {url}, downloadPolicy(limit), std::move(handlers));
}

} // namespace betakit
