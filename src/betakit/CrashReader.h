#pragma once

#include <QDateTime>
#include <QJsonArray>
#include <QJsonValue>
#include <QSet>
#include <QString>
#include <QStringList>

#include <optional>

namespace betakit {

// One crash report turned into a short plain-text summary for a beta report.
struct CrashEntry {
    QString name;
    QString text;

    friend bool operator==(const CrashEntry&, const CrashEntry&) = default;
};

// Reads crash reports (a JSON header line, then a JSON body) and keeps only a fixed set of short,
// character-checked fields: program, version, system, exception, termination, the crashed thread's
// frames and the libraries they touch. Free-text messages never reach the summary.
class CrashReader {
public:
    CrashReader() = delete;

    // Reports larger than this are not read.
    static constexpr qint64 kMaxReportBytes = 8 * 1024 * 1024;
    static constexpr int kMaxFrames = 40;

    // No entry when the file can't be read as UTF-8 text or holds no summary.
    static std::optional<CrashEntry> crashEntry(const QString& path);
    // None when `text` is not a header object and a body object, one per line.
    static std::optional<QString> summarizeCrashReport(const QString& text, const QDateTime& date);
    static void formatBacktrace(const QJsonArray& frames, QSet<qint64>& usedImages, const QJsonArray& images,
                                QStringList& lines);
    static QString frameSymbolText(const QString& symbol, const QJsonValue& frame);
    // The text of a value that is 1 to 120 characters of A-Z a-z 0-9 and " _.,:()+#-"; none otherwise.
    static std::optional<QString> sanitizedReportField(const QJsonValue& value);
    // The file name without its extension, each character outside the allowed set as "-", at most 120.
    static QString entryName(const QString& path);
};

} // namespace betakit
