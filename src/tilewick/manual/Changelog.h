#pragma once

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <QTimeZone>

#include <optional>

// What changed in the product, one dated line per change, compiled into the program.
namespace tilewick::Changelog {

struct Entry {
    QDateTime at; // UTC
    QString text;
};

// The lines of one calendar day, oldest first; `start` is the day's first instant.
struct Day {
    QDateTime start;
    QStringList texts;
};

// The calendar days are counted in: its time zone decides where a day begins, its locale how a
// day is named, and `now` which day is today. The program passes the user's; tests fix all three.
struct Calendar {
    QTimeZone zone;
    QLocale locale;
    QDateTime now;

    // The user's time zone and locale at `nowMillis` (milliseconds since 1970, UTC).
    static Calendar user(qint64 nowMillis);
    QDate dateOf(const QDateTime& moment) const;
};

// Reads a stamp "YYYY-MM-DDTHH:MM:SS" followed by "Z" or an offset "+HH:MM"/"-HH:MM", and nothing
// else: no fractions, no missing seconds, no blanks. None when it is not such a stamp or names no
// real moment.
std::optional<QDateTime> readStamp(const QString& stamp);

// The moment an unreadable stamp stands for: earlier than any real entry.
QDateTime distantPast();

// The 48 entries in the order they were written, built once on first use.
const QList<Entry>& entries();
// Entries from (stamp, text) rows; an unreadable stamp gives the distant past.
QList<Entry> entriesOf(const QList<std::pair<QString, QString>>& rows);

// The entries grouped by their day in `calendar`, newest day first, each day's lines oldest first.
QList<Day> days(const Calendar& calendar);
QList<Day> daysOf(const QList<Entry>& entries, const Calendar& calendar);

// A day's heading: "What's new today", "Yesterday", or the weekday, day, month and year as the
// calendar's locale writes them.
QString dayTitle(const QDateTime& start, const Calendar& calendar);

} // namespace tilewick::Changelog
