#include "Changelog.h"

#include <QRegularExpression>

#include <unicode/udat.h>
#include <unicode/udatpg.h>

#include <algorithm>
#include <map>
#include <memory>

namespace tilewick::Changelog {

namespace {

using namespace Qt::StringLiterals;

// The log as written: the time stamp of each change and its line, oldest first.
QList<std::pair<QString, QString>> writtenRows() {
    return {
        {u"2026-10-24T17:42:00+01:00"_s, u"Clearer names for the tabs and layouts."_s},
        {u"2026-10-24T17:47:00+01:00"_s,
         u"The window always fits: what's in it shrinks to fit, down to a readable size, before it scrolls."_s},
        {u"2026-10-24T21:12:00+01:00"_s,
         u"Hover text on the tabs, cards, keys and buttons says what each one does."_s},
        {u"2026-10-24T21:28:00+01:00"_s,
         u"Layout cards show a big hotkey and an Edit button, and the key you're changing blinks."_s},
        {u"2026-10-24T21:32:00+01:00"_s, u"Pointing at a layout card outlines its key on the keyboard."_s},
        {u"2026-10-25T00:34:00+01:00"_s, u"Pointing at a tab's icon opens that tab."_s},
        {u"2026-10-25T00:45:00+01:00"_s, u"Each layout drawing shows its hotkey on the window."_s},
        {u"2026-10-25T00:51:00+01:00"_s, u"The arrow keys are drawn like a Mac's."_s},
        {u"2026-10-25T10:38:00Z"_s,
         u"A new app icon and menu bar icon: a screen with its top-left quarter lit."_s},
        {u"2026-10-26T12:23:00Z"_s,
         u"Much lighter on your Mac: next to no CPU while Tilewick isn't in front."_s},
        {u"2026-10-26T14:33:00Z"_s, u"Uses less memory while its window is closed."_s},
        {u"2026-10-26T17:25:00Z"_s,
         u"Focus on this no longer toggles: the other windows stay minimised until you bring them back."_s},
        {u"2026-10-27T00:03:00Z"_s, u"An About window, with the Veldor Pellrath credit."_s},
        {u"2026-10-27T10:11:00Z"_s,
         u"The floating keyboard has a small TILEWICK mark on its space bar, and follows light and dark mode."_s},
        {u"2026-10-27T12:13:00Z"_s, u"Show in Menu Bar and Show in Dock let you hide either icon."_s},
        {u"2026-10-27T12:43:00Z"_s,
         u"Undo (Z) and Redo (X) put windows back where they were, up to 10 moves."_s},
        {u"2026-10-27T13:43:00Z"_s,
         u"Pointing at a key on the keyboard opens its tab and lights up its card."_s},
        {u"2026-10-27T14:36:00Z"_s,
         u"A calmer General hotkeys page, and Start at Login is on for new installs."_s},
        {u"2026-10-27T14:59:00Z"_s, u"One click edits a key, or puts the window back to its normal size."_s},
        {u"2026-10-27T17:33:00Z"_s, u"Centre keeps the window's size and just puts it in the middle."_s},
        {u"2026-10-27T18:09:00Z"_s,
         u"A small \u201Cby Veldor Pellrath\u201D credit at the top of the window."_s},
        {u"2026-10-27T21:23:00Z"_s, u"Keys you can edit show a pencil pointer."_s},
        {u"2026-10-27T21:44:00Z"_s,
         u"Fixed: the window no longer goes blank after you close the feedback form."_s},
        {u"2026-10-27T21:55:00Z"_s,
         u"Tilewick checks for a new beta when it opens and can install it for you, or choose Check for Beta "
         u"Update\u2026"_s},
        {u"2026-10-28T11:24:00Z"_s, u"Multi-window: hold the Globe key (\U0001F310) with your modifiers and "
                                    u"press a layout key. If the app "
                                    u"you're using can open new windows, it fills the layout with them."_s},
        {u"2026-10-28T11:38:00Z"_s,
         u"Layout drawings fill in the rest of the screen instead of outlining it."_s},
        {u"2026-10-28T11:42:00Z"_s,
         u"Pointing at a key makes its card's outline pulse, so it's easy to spot."_s},
        {u"2026-10-28T12:01:00Z"_s,
         u"Default App Snaps, the new last tab: choose where an app opens, on which display, and in how many "
         u"windows."_s},
        {u"2026-10-28T12:38:00Z"_s,
         u"With \U0001F310 held, the space bar says MULTI-WINDOW MODE and each layout shows on one key."_s},
        {u"2026-10-28T12:39:00Z"_s,
         u"Holding your modifiers lights up the whole keyboard in the Tilewick window too."_s},
        {u"2026-10-28T12:50:00Z"_s,
         u"A cleaner header, and Reset Hotkeys to Defaults\u2026 is now in the Tilewick menu."_s},
        {u"2026-10-28T13:24:00Z"_s,
         u"Over an app that can't open new windows, the floating keyboard says so."_s},
        {u"2026-10-28T15:38:00Z"_s,
         u"Default App Snaps now place every new window an app opens, not just its first."_s},
        {u"2026-10-28T15:39:00Z"_s, u"The floating keyboard is bigger and more see-through."_s},
        {u"2026-10-28T16:00:00Z"_s,
         u"The app search box says \u201CSearch & select app\u201D, and one click lets you type."_s},
        {u"2026-10-28T16:14:00Z"_s, u"This changelog, in the Tilewick menu."_s},
        {u"2026-10-28T16:19:00Z"_s, u"While its window is in front, Tilewick checks for a new beta every "
                                    u"minute, so new versions show up "
                                    u"sooner."_s},
        {u"2026-10-28T16:36:00Z"_s, u"The Tilewick window opens at its normal size every time: when Tilewick "
                                    u"starts, and when you reopen "
                                    u"it after closing or minimising it."_s},
        {u"2026-10-28T16:50:00Z"_s,
         u"Fixed: a stray line showed across the app list on Default App Snaps."_s},
        {u"2026-10-28T16:55:00Z"_s, u"The two sides of Default App Snaps are now the same width."_s},
        {u"2026-10-28T16:59:00Z"_s,
         u"The floating keyboard is easier to read: more frosted, with more solid keys."_s},
        {u"2026-10-29T15:12:00Z"_s,
         u"A window you snap behind the floating keyboard shows on top of it for a second, then the keyboard "
         u"fades back over it."_s},
        {u"2026-10-29T17:41:00Z"_s, u"Dates in this changelog now show the year."_s},
        {u"2026-10-29T22:02:00Z"_s,
         u"A window you snap behind the floating keyboard now shows on top for half a second, and the "
         u"keyboard fades back twice as fast."_s},
        {u"2026-10-30T08:18:00Z"_s, u"The floating keyboard is a little smaller."_s},
        {u"2026-10-30T10:19:00Z"_s,
         u"A short manual, with a search: click ? at the top of the Tilewick window, or choose Help \u203A "
         u"Tilewick Manual."_s},
        {u"2026-10-30T10:47:00Z"_s,
         u"Dotted outlines in the layout drawings use small round dots, evenly spaced, instead of dashes."_s},
        {u"2026-10-30T21:33:00Z"_s, u"The manual opens straight on its first steps."_s},
    };
}

QString fromUChars(const UChar* text, int32_t length) {
    return QString(reinterpret_cast<const QChar*>(text), qsizetype(std::max(length, 0)));
}

struct DateFormatCloser {
    void operator()(UDateFormat* format) const { udat_close(format); }
};
using DateFormat = std::unique_ptr<UDateFormat, DateFormatCloser>;

// A formatter of the locale's best pattern for `skeleton`, in `zone`; null when ICU has none.
DateFormat formatterFor(const QString& skeleton, const Calendar& calendar) {
    const QByteArray locale = calendar.locale.name().toUtf8();
    UErrorCode status = U_ZERO_ERROR;
    UDateTimePatternGenerator* generator = udatpg_open(locale.constData(), &status);
    if (U_FAILURE(status))
        return nullptr;
    UChar pattern[128];
    const int32_t length =
        udatpg_getBestPattern(generator, reinterpret_cast<const UChar*>(skeleton.utf16()),
                              int32_t(skeleton.size()), pattern, int32_t(std::size(pattern)), &status);
    udatpg_close(generator);
    if (U_FAILURE(status))
        return nullptr;
    const QByteArray zoneId = calendar.zone.isValid() ? calendar.zone.id() : QByteArray("UTC");
    const QString zone = QString::fromLatin1(zoneId);
    DateFormat format(udat_open(UDAT_PATTERN, UDAT_PATTERN, locale.constData(),
                                reinterpret_cast<const UChar*>(zone.utf16()), int32_t(zone.size()), pattern,
                                length, &status));
    if (U_FAILURE(status))
        return nullptr;
    return format;
}

QString format(const DateFormat& formatter, const QDateTime& moment) {
    UChar text[256];
    UErrorCode status = U_ZERO_ERROR;
    const int32_t length = udat_format(formatter.get(), UDate(moment.toMSecsSinceEpoch()), text,
                                       int32_t(std::size(text)), nullptr, &status);
    return U_FAILURE(status) ? QString() : fromUChars(text, length);
}

// The formatter's name of weekday `weekday` (1 Sunday … 7 Saturday).
QString weekdayName(const DateFormat& formatter, int weekday) {
    UChar text[128];
    UErrorCode status = U_ZERO_ERROR;
    const int32_t length =
        udat_getSymbols(formatter.get(), UDAT_WEEKDAYS, weekday, text, int32_t(std::size(text)), &status);
    return U_FAILURE(status) ? QString() : fromUChars(text, length);
}

} // namespace

Calendar Calendar::user(qint64 nowMillis) {
    return {QTimeZone::systemTimeZone(), QLocale::system(),
            QDateTime::fromMSecsSinceEpoch(nowMillis, Qt::UTC)};
}

QDate Calendar::dateOf(const QDateTime& moment) const {
    return moment.toTimeZone(zone.isValid() ? zone : QTimeZone(QByteArrayLiteral("UTC"))).date();
}

std::optional<QDateTime> readStamp(const QString& stamp) {
    static const QRegularExpression shape(
        uR"(\A(\d{4})-(\d{2})-(\d{2})T(\d{2}):(\d{2}):(\d{2})(?:(Z)|([+-])(\d{2}):(\d{2}))\z)"_s);
    const QRegularExpressionMatch match = shape.match(stamp);
    if (!match.hasMatch())
        return std::nullopt;
    const auto number = [&](int group) { return match.capturedView(group).toInt(); };
    const QDate date(number(1), number(2), number(3));
    const QTime time(number(4), number(5), number(6));
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    int offset = 0;
    if (match.capturedView(7).isEmpty()) {
        const int hours = number(9);
        const int minutes = number(10);
        if (hours > 23 || minutes > 59)
            return std::nullopt;
        offset = (hours * 60 + minutes) * 60 * (match.capturedView(8) == u"-" ? -1 : 1);
    }
    return QDateTime(date, time, Qt::OffsetFromUTC, offset).toUTC();
}

QDateTime distantPast() {
    return QDateTime(QDate(1, 1, 1), QTime(0, 0), Qt::UTC);
}

QList<Entry> entriesOf(const QList<std::pair<QString, QString>>& rows) {
    QList<Entry> result;
    result.reserve(rows.size());
    for (const auto& [stamp, text] : rows)
        result.append({readStamp(stamp).value_or(distantPast()), text});
    return result;
}

const QList<Entry>& entries() {
    static const QList<Entry> all = entriesOf(writtenRows());
    return all;
}

QList<Day> daysOf(const QList<Entry>& list, const Calendar& calendar) {
    std::map<QDate, QList<const Entry*>> groups;
    for (const Entry& entry : list)
        groups[calendar.dateOf(entry.at)].append(&entry);
    QList<Day> result;
    const QTimeZone zone = calendar.zone.isValid() ? calendar.zone : QTimeZone(QByteArrayLiteral("UTC"));
    for (auto group = groups.rbegin(); group != groups.rend(); ++group) {
        QList<const Entry*>& members = group->second;
        std::stable_sort(members.begin(), members.end(),
                         [](const Entry* a, const Entry* b) { return a->at < b->at; });
        Day day{group->first.startOfDay(zone), {}};
        for (const Entry* entry : members)
            day.texts.append(entry->text);
        result.append(day);
    }
    return result;
}

QList<Day> days(const Calendar& calendar) {
    return daysOf(entries(), calendar);
}

QString dayTitle(const QDateTime& start, const Calendar& calendar) {
    const QDate day = calendar.dateOf(start);
    const QDate today = calendar.dateOf(calendar.now);
    if (day == today)
        return u"What's new today"_s;
    if (day == today.addDays(-1))
        return u"Yesterday"_s;
    const DateFormat withoutYear = formatterFor(u"EEEEdMMMM"_s, calendar);
    const DateFormat withYear = formatterFor(u"EEEEdMMMMy"_s, calendar);
    if (!withoutYear || !withYear)
        return calendar.locale.toString(day, QLocale::LongFormat);
    const QString shortForm = format(withoutYear, start);
    const QString fullForm = format(withYear, start);
    // Qt counts Monday as 1; the formatter's names start on Sunday.
    const QString weekday = weekdayName(withYear, day.dayOfWeek() % 7 + 1);
    const QString weekdayComma = weekday + u',';
    // A comma after the weekday only where the year is written reads oddly next to the form
    // without it; the title then leaves it out.
    if (!weekday.isEmpty() && fullForm.startsWith(weekdayComma) && !shortForm.startsWith(weekdayComma))
        return weekday + fullForm.mid(weekday.size() + 1);
    return fullForm;
}

} // namespace tilewick::Changelog
