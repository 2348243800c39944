#include "LogStore.h"

#include "platform/Platform.h"

#include <QDir>
#include <QFile>
#include <QStringDecoder>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace betakit {

namespace {

constexpr std::size_t kStampLength = 24;
constexpr std::size_t kDayLength = 10;
// Bytes gathered before they are written out, so a long batch does not pile up in memory.
constexpr std::size_t kChunkLimit = 64 * 1024;
constexpr std::string_view kFullMarker = " beta.log_full\n";

std::atomic<LogStore*> g_shared{nullptr};
std::mutex g_sharedMutex;

qint64 floorDiv(qint64 a, qint64 b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

void putDigits(char* out, qint64 value, int width) {
    for (int i = width - 1; i >= 0; --i) {
        out[i] = char('0' + value % 10);
        value /= 10;
    }
}

QString nameOfDayFile(std::string_view day) {
    return LogStore::dayFileName(QString::fromLatin1(day));
}

} // namespace

LogStore& LogStore::shared() {
    if (LogStore* store = g_shared.load(std::memory_order_acquire))
        return *store;
    return shared(platform::Platform::current());
}

LogStore& LogStore::shared(platform::Platform& p) {
    if (LogStore* store = g_shared.load(std::memory_order_acquire))
        return *store;
    std::lock_guard<std::mutex> lock(g_sharedMutex);
    if (!g_shared.load(std::memory_order_relaxed)) {
        p.runtime(); // stops the process with a clear message when there is none
        g_shared.store(new LogStore(p.shared<platform::Runtime>()), std::memory_order_release);
    }
    return *g_shared.load(std::memory_order_relaxed);
}

void LogStore::resetSharedForTesting() {
    std::lock_guard<std::mutex> lock(g_sharedMutex);
    LogStore* store = g_shared.exchange(nullptr);
    if (!store)
        return;
    delete store;
}

LogStore::LogStore(std::shared_ptr<platform::Runtime> runtime)
    : m_runtime(std::move(runtime)),
      m_queue(m_runtime->serialQueue(QString::fromLatin1(kQueueLabel.data(), kQueueLabel.size()))) {}

LogStore::~LogStore() {
    // Drains queued here capture this store; they run before it goes. A queue whose runtime has
    // stopped runs nothing more, and the file is closed here.
    m_queue->sync([this] { writeOut(); });
    closeFile();
}

void LogStore::stampAndAppend(qint64 wallMillis, std::string body) {
    std::lock_guard<std::mutex> lock(m_inboxMutex);
    m_inbox.push_back({wallMillis, std::move(body)});
    if (!m_drainScheduled) {
        // Submitted under the lock, so a line that is in the inbox always has a drain queued
        // ahead of any later flush() or recentLines().
        m_drainScheduled = true;
        m_queue->async([this] { drain(); });
    }
}

void LogStore::start(const QString& folder) {
    m_queue->sync([this, folder] {
        writeOut();
        closeFile();
        m_handleDay.clear();
        QDir().mkpath(folder);
        m_folder = folder;
        prune();
        const std::vector<std::string> pending = std::exchange(m_pending, {});
        for (const std::string& line : pending)
            append(line);
        writeOut();
    });
}

void LogStore::flush() {
    m_queue->sync([] {});
}

std::string LogStore::stamp(qint64 wallMillis) {
    // Years 1970 to 9999 keep the four-digit form.
    wallMillis = std::clamp<qint64>(wallMillis, 0, 253'402'300'799'999);
    const qint64 days = floorDiv(wallMillis, 86'400'000);
    const qint64 msOfDay = wallMillis - days * 86'400'000;

    // Civil date from days since 1970-01-01 (proleptic Gregorian).
    const qint64 z = days + 719'468;
    const qint64 era = floorDiv(z, 146'097);
    const qint64 doe = z - era * 146'097;
    const qint64 yoe = (doe - doe / 1460 + doe / 36'524 - doe / 146'096) / 365;
    const qint64 doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const qint64 mp = (5 * doy + 2) / 153;
    const qint64 day = doy - (153 * mp + 2) / 5 + 1;
    const qint64 month = mp < 10 ? mp + 3 : mp - 9;
    const qint64 year = yoe + era * 400 + (month <= 2 ? 1 : 0);

    std::string s(kStampLength, '\0');
    char* p = s.data();
    putDigits(p, year, 4);
    p[4] = '-';
    putDigits(p + 5, month, 2);
    p[7] = '-';
    putDigits(p + 8, day, 2);
    p[10] = 'T';
    putDigits(p + 11, msOfDay / 3'600'000, 2);
    p[13] = ':';
    putDigits(p + 14, msOfDay / 60'000 % 60, 2);
    p[16] = ':';
    putDigits(p + 17, msOfDay / 1000 % 60, 2);
    p[19] = '.';
    putDigits(p + 20, msOfDay % 1000, 3);
    p[23] = 'Z';
    return s;
}

const QRegularExpression& LogStore::lineRegex() {
    // \d matches ASCII digits only here (no Unicode properties), which is what stamps hold. The
    // whole line must match: "$" would also match before a final line feed.
    static const QRegularExpression regex(
        uR"(\A\d{4}-\d{2}-\d{2}T\d{2}:\d{2}:\d{2}(?:\.\d{1,3})?Z )"
        uR"([A-Za-z0-9_.-]{1,64}(?: [A-Za-z0-9_.-]{1,64}=[A-Za-z0-9_.+-]{1,64})*\z)"_s);
    return regex;
}

QString LogStore::dayFileName(QStringView day) {
    return u"activity-"_s + day.toString() + u".log"_s;
}

QString LogStore::dayPath(std::string_view day) const {
    return m_folder + u'/' + nameOfDayFile(day);
}

void LogStore::drain() {
    {
        std::lock_guard<std::mutex> lock(m_inboxMutex);
        std::swap(m_batch, m_inbox);
        m_drainScheduled = false;
    }
    closeFileIfReplaced();
    for (const Entry& entry : m_batch) {
        m_line = stamp(entry.wallMillis);
        m_line += ' ';
        m_line += entry.body;
        append(m_line);
        if (m_chunk.size() >= kChunkLimit)
            writeOut();
    }
    m_batch.clear();
    writeOut();
}

void LogStore::append(std::string_view line) {
    if (m_folder.isEmpty()) {
        if (m_pending.size() < kPendingLimit)
            m_pending.emplace_back(line);
        return;
    }
    const std::string_view day = line.substr(0, kDayLength);
    if (day != m_handleDay) {
        writeOut();
        closeFile();
        openDay(day);
    } else if (m_fd < 0 && clock().uptime() >= m_retryAt) {
        openDay(day);
    }
    if (m_fd < 0)
        return;
    if (m_bytesToday >= kDailyCap) {
        if (m_markerOwed) {
            m_chunk += line.substr(0, kStampLength);
            m_chunk += kFullMarker;
            m_markerOwed = false;
        }
        return;
    }

    m_chunk += line;
    m_chunk += '\n';
    m_bytesToday += qint64(line.size()) + 1;
    // The line that crosses the cap is followed by one marker; every later line of the day is
    // dropped above, also after a restart, since the size is read again on opening.
    if (m_bytesToday >= kDailyCap) {
        m_chunk += line.substr(0, kStampLength);
        m_chunk += kFullMarker;
    }
}

void LogStore::openDay(std::string_view day) {
    m_handleDay = day;
    m_markerOwed = false;
    const QString path = dayPath(day);
    const QByteArray native = QFile::encodeName(path);
    // Without O_NONBLOCK, opening a FIFO could wait for a reader for ever.
    const int flags = O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK;
    bool existed = ::access(native.constData(), F_OK) == 0;
    int fd = ::open(native.constData(), flags, 0644);
    if (fd < 0 && errno == ENOENT) {
        // The folder went away; make it again.
        QDir().mkpath(m_folder);
        existed = false;
        fd = ::open(native.constData(), flags, 0644);
    }
    if (fd < 0) {
        failed("open", path, std::generic_category().message(errno));
        return;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        failed("open", path, "not a regular file");
        return;
    }
    m_fd = fd;
    const off_t end = ::lseek(fd, 0, SEEK_END);
    m_bytesToday = end < 0 ? 0 : qint64(end);
    // A line cut short (a crash or a full disk in the middle of a write) must not swallow the next.
    char last = '\n';
    if (m_bytesToday > 0 && m_bytesToday < kDailyCap && ::pread(fd, &last, 1, end - 1) == 1 && last != '\n') {
        m_chunk += '\n';
        m_bytesToday += 1;
        m_markerOwed = m_bytesToday >= kDailyCap;
    }
    if (!existed)
        prune();
}

void LogStore::closeFileIfReplaced() {
    if (m_fd < 0)
        return;
    struct stat open {
    }, atPath{};
    const QByteArray native = QFile::encodeName(dayPath(m_handleDay));
    if (::fstat(m_fd, &open) == 0 && ::stat(native.constData(), &atPath) == 0 &&
        open.st_dev == atPath.st_dev && open.st_ino == atPath.st_ino)
        return;
    // Removed (with its folder, perhaps) or replaced: the next line opens the path afresh.
    writeOut();
    closeFile();
    m_handleDay.clear();
}

void LogStore::closeFile() {
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

void LogStore::writeOut() {
    if (m_chunk.empty())
        return;
    const char* data = m_chunk.data();
    std::size_t left = m_chunk.size();
    while (left > 0 && m_fd >= 0) {
        const ssize_t n = ::write(m_fd, data, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            failed("write", dayPath(m_handleDay), std::generic_category().message(errno));
            closeFile();
            break;
        }
        data += n;
        left -= std::size_t(n);
    }
    m_chunk.clear();
    if (left == 0 && m_failureReported) {
        m_failureReported = false;
        std::fprintf(stderr, "betakit: activity log: writing again to %s\n",
                     QFile::encodeName(dayPath(m_handleDay)).constData());
    }
}

void LogStore::failed(const char* action, const QString& path, const std::string& reason) {
    m_retryAt = clock().uptime() + kRetryInterval;
    if (m_failureReported)
        return;
    m_failureReported = true;
    std::fprintf(stderr, "betakit: activity log: cannot %s %s: %s; lines are dropped until it works again\n",
                 action, QFile::encodeName(path).constData(), reason.c_str());
}

void LogStore::prune() {
    if (m_folder.isEmpty())
        return;
    const QDir dir(m_folder);
    if (!dir.exists())
        return;
    const QString cutoffDay =
        QString::fromLatin1(stamp(clock().wallMillis() - kRetentionSeconds * 1000).substr(0, kDayLength));
    // Never the file being written, whatever its name says about its age.
    const QString openName = m_fd >= 0 ? nameOfDayFile(m_handleDay) : QString();
    for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        if (!name.startsWith(u"activity-") || !name.endsWith(u".log") || name == openName)
            continue;
        if (name.mid(9, int(kDayLength)) < cutoffDay)
            QFile::remove(dir.filePath(name));
    }
}

QStringList LogStore::recentLines(qint64 maxBytes, qint64 nowMillis) {
    QStringList taken;
    m_queue->sync([&] {
        if (m_folder.isEmpty())
            return;
        const QDir dir(m_folder);
        if (!dir.exists())
            return;
        QStringList names = dir.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Unsorted);
        std::sort(names.begin(), names.end());
        const QString cutoff = QString::fromLatin1(stamp(nowMillis - kRetentionSeconds * 1000));
        const QRegularExpression& grammar = lineRegex();

        QStringList kept;
        for (const QString& name : std::as_const(names)) {
            if (!name.startsWith(u"activity-") || !name.endsWith(u".log"))
                continue;
            QFile file(dir.filePath(name));
            if (!file.open(QIODevice::ReadOnly))
                continue;
            QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
            const QString text = decoder.decode(file.readAll());
            if (decoder.hasError())
                continue;
            for (const QStringView line : QStringTokenizer(text, u'\n', Qt::SkipEmptyParts)) {
                if (line >= cutoff && grammar.match(line).hasMatch())
                    kept.append(line.toString());
            }
        }

        // Lines that match the grammar are ASCII: their length is their size in UTF-8.
        qint64 total = 0;
        qsizetype first = kept.size();
        while (first > 0) {
            total += kept[first - 1].size() + 1;
            if (total > maxBytes)
                break;
            --first;
        }
        taken = kept.mid(first);
    });
    return taken;
}

} // namespace betakit
