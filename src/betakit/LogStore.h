#pragma once

#include "platform/Runtime.h"

#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace platform {
class Platform;
}

namespace betakit {

// The one owner of the activity log's files: one file per UTC day ("activity-YYYY-MM-DD.log")
// in the beta kit's folder, capped at 2,000,000 bytes a day, pruned after three days, and read
// back newest-first within a byte budget for feedback reports.
//
// All file work runs on the serial queue "com.veldorpellrath.betakit.log". Callers hand lines
// over without waiting; only start(), flush() and recentLines() wait for the queue. Lines that
// arrive before start() wait in memory (at most 500) and keep their own time stamps.
//
// A folder that is missing or unwritable, or a full disk, costs lines but never the process:
// the failure is reported once on stderr, and opening the day file is tried again on a later
// line, at most once every kRetryInterval seconds, until writing works again. A day file that
// is removed or replaced while open is noticed at the next batch and opened afresh; anything
// but a regular file at its path (a FIFO, a device) is refused, so writing never blocks.
class LogStore {
public:
    static constexpr std::string_view kQueueLabel = "com.veldorpellrath.betakit.log";
    static constexpr qint64 kDailyCap = 2'000'000;
    static constexpr std::size_t kPendingLimit = 500;
    static constexpr qint64 kRetentionSeconds = 259'200;
    static constexpr double kRetryInterval = 5.0;

    // The store of the process, created on first use from the installed platform's runtime.
    static LogStore& shared();
    // The same store, created on first use from `platform`'s runtime.
    static LogStore& shared(platform::Platform& platform);
    // Testing hook: waits for the shared store's queued lines, then destroys it, so the next
    // shared() builds a fresh store on the platform installed at that time.
    static void resetSharedForTesting();

    // A store of its own on `runtime`; the program uses shared().
    explicit LogStore(std::shared_ptr<platform::Runtime> runtime);
    // Writes what was handed over before, so no queued work outlives the store.
    ~LogStore();
    LogStore(const LogStore&) = delete;
    LogStore& operator=(const LogStore&) = delete;

    platform::Clock& clock() const { return m_runtime->clock(); }

    // Queues one line: the stamp of `wallMillis`, a blank and `body`. Returns at once.
    void stampAndAppend(qint64 wallMillis, std::string body);
    // Gives the store its folder (created when missing), prunes, and writes the lines that were
    // waiting. Waits until done.
    void start(const QString& folder);
    // Returns once every line queued before the call is written to its file.
    void flush();
    // The newest well-formed lines of the three days before `nowMillis` whose size, with one line
    // feed each, stays within `maxBytes`; oldest first. Empty without a folder.
    QStringList recentLines(qint64 maxBytes, qint64 nowMillis);

    // "YYYY-MM-DDTHH:MM:SS.mmmZ" in UTC: 24 characters, milliseconds truncated.
    static std::string stamp(qint64 wallMillis);
    // The grammar every line read back must match in full.
    static const QRegularExpression& lineRegex();
    // "activity-" + day + ".log".
    static QString dayFileName(QStringView day);

private:
    struct Entry {
        qint64 wallMillis;
        std::string body;
    };

    // Everything below runs on the queue.
    void drain();
    void append(std::string_view line);
    void openDay(std::string_view day);
    void closeFileIfReplaced();
    void closeFile();
    void writeOut();
    void prune();
    void failed(const char* action, const QString& path, const std::string& reason);
    QString dayPath(std::string_view day) const;

    std::shared_ptr<platform::Runtime> m_runtime;
    platform::SerialQueueRef m_queue;

    // Lines handed over by callers, taken by the queue in one batch.
    std::mutex m_inboxMutex;
    std::vector<Entry> m_inbox;
    bool m_drainScheduled = false;

    // Queue state.
    std::vector<Entry> m_batch;
    QString m_folder; // empty until start()
    std::vector<std::string> m_pending;
    int m_fd = -1;
    std::string m_handleDay;
    qint64 m_bytesToday = 0;
    bool m_markerOwed = false; // the day reached its cap without a line that carried the marker
    std::string m_line;        // the line being appended, reused
    std::string m_chunk;       // bytes for the open file, written at the end of a batch
    double m_retryAt = 0;
    bool m_failureReported = false;
};

} // namespace betakit
