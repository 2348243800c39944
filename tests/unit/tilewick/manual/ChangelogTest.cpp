#include "tilewick/manual/Changelog.h"

#include <gtest/gtest.h>

using namespace tilewick::Changelog;
using namespace Qt::StringLiterals;

namespace {

Calendar calendar(const char* zone, const char* locale = "en_US", const char* now = "2026-12-07T09:00:00Z") {
    return {QTimeZone(zone), QLocale(QString::fromLatin1(locale)), *readStamp(QString::fromLatin1(now))};
}

QList<qsizetype> lineCounts(const QList<Day>& list) {
    QList<qsizetype> counts;
    for (const Day& day : list)
        counts.append(day.texts.size());
    return counts;
}

TEST(ChangelogTest, ReadsOnlyWholeStampsWithSecondsAndAZone) {
    EXPECT_EQ(readStamp(u"2026-10-24T17:42:00+01:00"_s),
              QDateTime(QDate(2026, 10, 24), QTime(16, 42), Qt::UTC));
    EXPECT_EQ(readStamp(u"2026-10-30T21:33:00Z"_s), QDateTime(QDate(2026, 10, 30), QTime(21, 33), Qt::UTC));
    EXPECT_EQ(readStamp(u"2026-10-30T21:33:00-05:30"_s),
              QDateTime(QDate(2026, 10, 31), QTime(3, 3), Qt::UTC));
    for (const QString& bad :
         {u"2026-10-30T21:33Z"_s, u"2026-10-30T21:33:00"_s, u"2026-10-30 21:33:00Z"_s,
          u"2026-10-30T21:33:00.5Z"_s, u"2026-02-30T10:00:00Z"_s, u"2026-10-30T24:00:00Z"_s,
          u"2026-10-30T21:33:00+25:00"_s, u" 2026-10-30T21:33:00Z"_s, u"2026-10-30T21:33:00Zx"_s,
          u"2026-10-30T21:33:00z"_s, u""_s})
        EXPECT_EQ(readStamp(bad), std::nullopt) << bad.toStdString();
}

TEST(ChangelogTest, HoldsTheFortyEightLinesInTheOrderWritten) {
    const QList<Entry>& all = entries();
    ASSERT_EQ(all.size(), 48);
    EXPECT_EQ(all.first().text, u"Clearer names for the tabs and layouts."_s);
    EXPECT_EQ(all.last().text, u"The manual opens straight on its first steps."_s);
    EXPECT_EQ(all[20].text, u"A small \u201Cby Veldor Pellrath\u201D credit at the top of the window."_s);
    EXPECT_TRUE(all[23].text.endsWith(u"Check for Beta Update\u2026"_s));
    EXPECT_TRUE(all[24].text.contains(u"(\U0001F310)"_s));
    EXPECT_TRUE(all[45].text.contains(u"Help \u203A Tilewick Manual"_s));
    for (const Entry& entry : all)
        EXPECT_NE(entry.at, distantPast()) << entry.text.toStdString();
}

TEST(ChangelogTest, GroupsByTheCalendarsDaysNewestFirst) {
    const std::pair<const char*, QList<qsizetype>> cases[] = {
        {"UTC", {4, 3, 17, 12, 3, 1, 8}},
        // The stamps after midnight at +01:00 fall on the 25th where the day is British.
        {"Europe/London", {4, 3, 17, 12, 3, 4, 5}},
        {"America/Los_Angeles", {4, 3, 17, 11, 4, 1, 8}},
    };
    for (const auto& [zone, counts] : cases) {
        const QList<Day> list = days(calendar(zone));
        EXPECT_EQ(lineCounts(list), counts) << zone;
        for (qsizetype i = 1; i < list.size(); ++i)
            EXPECT_LT(list[i].start, list[i - 1].start) << zone;
    }
    const QList<Day> utc = days(calendar("UTC"));
    EXPECT_EQ(utc.first().start, QDateTime(QDate(2026, 10, 30), QTime(0, 0), Qt::UTC));
    EXPECT_EQ(utc.last().start, QDateTime(QDate(2026, 10, 24), QTime(0, 0), Qt::UTC));
    EXPECT_EQ(utc.last().texts.first(), u"Clearer names for the tabs and layouts."_s);
}

TEST(ChangelogTest, OrdersADaysLinesByTimeAndPutsUnreadableStampsOnADayOfTheirOwnLast) {
    const QList<Entry> list = entriesOf({{u"2026-10-24T18:00:00Z"_s, u"late"_s},
                                         {u"yesterday"_s, u"unreadable"_s},
                                         {u"2026-10-24T09:00:00Z"_s, u"early"_s},
                                         {u"2026-10-25T09:00:00Z"_s, u"next day"_s}});
    EXPECT_EQ(list[1].at, distantPast());
    const QList<Day> grouped = daysOf(list, calendar("Europe/Berlin"));
    ASSERT_EQ(grouped.size(), 3);
    EXPECT_EQ(grouped[0].texts, QStringList{u"next day"_s});
    EXPECT_EQ(grouped[1].texts, (QStringList{u"early"_s, u"late"_s}));
    EXPECT_EQ(grouped[2].texts, QStringList{u"unreadable"_s});
}

TEST(ChangelogTest, TitlesTodayYesterdayAndOtherDaysWithTheirYear) {
    const auto title = [](const char* day, const Calendar& cal) {
        return dayTitle(QDate::fromString(QString::fromLatin1(day), Qt::ISODate).startOfDay(cal.zone), cal);
    };
    const Calendar us = calendar("America/New_York", "en_US", "2026-10-30T23:30:00-04:00");
    EXPECT_EQ(title("2026-10-30", us), u"What's new today"_s);
    EXPECT_EQ(title("2026-10-29", us), u"Yesterday"_s);
    EXPECT_EQ(title("2026-10-28", us), u"Wednesday, October 28, 2026"_s);
    EXPECT_EQ(title("2026-10-24", us), u"Saturday, October 24, 2026"_s);
    EXPECT_EQ(title("2025-10-31", us), u"Friday, October 31, 2025"_s);
    // The same moment is already the 31st in Berlin.
    const Calendar berlin = calendar("Europe/Berlin", "de_DE", "2026-10-30T23:30:00-04:00");
    EXPECT_EQ(title("2026-10-31", berlin), u"What's new today"_s);
    EXPECT_EQ(title("2026-10-30", berlin), u"Yesterday"_s);
    EXPECT_EQ(title("2026-10-29", berlin), u"Donnerstag, 29. Oktober 2026"_s);
    const Calendar france = calendar("Europe/Paris", "fr_FR", "2026-12-07T09:00:00Z");
    EXPECT_EQ(title("2026-10-24", france), u"samedi 24 octobre 2026"_s);
    // Bengali writes a comma after the weekday only in the form with the year: the title leaves it
    // out and keeps the rest.
    const Calendar bengali = calendar("Asia/Dhaka", "bn_BD", "2026-12-07T09:00:00Z");
    EXPECT_EQ(title("2026-10-24", bengali), u"শনিবার ২৪ অক্টোবর, ২০২৬"_s);
}

} // namespace
