#include "CrashReader.h"

#include "platform/FileAccess.h"

#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QStringDecoder>

#include <algorithm>
#include <cmath>

namespace betakit {

namespace {

constexpr qsizetype kFieldLimit = 120;
constexpr qsizetype kNameLimit = 120;
constexpr qsizetype kSymbolLimit = 200;
constexpr qsizetype kImageColumn = 28;

const char* const kRuntimeMessages[] = {
    "Index out of range",
    "Unexpectedly found nil while unwrapping an Optional value",
    "Unexpectedly found nil while implicitly unwrapping an Optional value",
    "Range requires lowerBound <= upperBound",
    "Division by zero",
    "Double value cannot be converted to Int because it is either infinite or NaN",
    "Not enough bits to represent the passed value",
};

std::optional<qint64> integerField(const QJsonValue& value) {
    if (!value.isDouble())
        return std::nullopt;
    const QVariant variant = value.toVariant();
    if (variant.typeId() == QMetaType::LongLong)
        return variant.toLongLong();
    const double number = value.toDouble();
    if (std::isfinite(number) && number == std::trunc(number) && std::abs(number) < 9.2e18)
        return qint64(number);
    return std::nullopt;
}

QString hex(qint64 value) {
    return QStringLiteral("0x") + QString::number(quint64(value), 16);
}

// Present items joined by one blank.
QString joined(std::initializer_list<std::optional<QString>> items) {
    QStringList present;
    for (const auto& item : items)
        if (item)
            present.append(*item);
    return present.join(u' ');
}

std::optional<QString> inParentheses(const std::optional<QString>& text) {
    return text ? std::optional<QString>(u'(' + *text + u')') : std::nullopt;
}

void collectTexts(const QJsonValue& value, QStringList& texts) {
    if (value.isString()) {
        texts.append(value.toString());
    } else if (value.isArray()) {
        for (const QJsonValue& element : value.toArray())
            collectTexts(element, texts);
    } else if (value.isObject()) {
        // Qt keeps an object's members in key order.
        for (const QJsonValue& member : value.toObject())
            collectTexts(member, texts);
    }
}

// An array holding anything but objects is not a list of objects at all.
QJsonArray arrayOfObjects(const QJsonValue& value) {
    const QJsonArray array = value.toArray();
    const bool allObjects = std::all_of(array.begin(), array.end(),
                                        [](const QJsonValueConstRef element) { return element.isObject(); });
    return allObjects ? array : QJsonArray();
}

// A pattern that must match the whole value: "$" alone would also match before a final line feed,
// and let that line feed into the summary.
QRegularExpression wholeValue(const QString& pattern) {
    return QRegularExpression(QRegularExpression::anchoredPattern(pattern));
}

std::optional<QJsonObject> parseObject(QByteArrayView bytes) {
    QJsonParseError error;
    // Qt's parser stops at its nesting limit with an error, so a deep report is just unreadable.
    const QJsonDocument document = QJsonDocument::fromJson(bytes.toByteArray(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    return document.object();
}

} // namespace

std::optional<QString> CrashReader::sanitizedReportField(const QJsonValue& value) {
    static const QRegularExpression field = wholeValue(QStringLiteral("[A-Za-z0-9 _.,:()+#-]+"));
    if (!value.isString())
        return std::nullopt;
    const QString text = value.toString();
    if (text.isEmpty() || text.size() > kFieldLimit || !field.match(text).hasMatch())
        return std::nullopt;
    return text;
}

QString CrashReader::entryName(const QString& path) {
    static const QString allowed =
        QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 _.()+-");
    const QFileInfo info(path);
    QString stem = info.fileName();
    if (!info.suffix().isEmpty())
        stem.chop(info.suffix().size() + 1);
    QString name;
    for (const char32_t scalar : stem.toUcs4()) {
        if (name.size() >= kNameLimit)
            break;
        name.append(scalar < 0x80 && allowed.contains(QChar(scalar)) ? QChar(scalar) : QChar(u'-'));
    }
    return name;
}

std::optional<CrashEntry> CrashReader::crashEntry(const QString& path) {
    const auto read = platform::readSmallFile(path, kMaxReportBytes);
    if (read.result != platform::SmallFileRead::Result::Read)
        return std::nullopt;
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder(read.data);
    if (decoder.hasError())
        return std::nullopt;
    QDateTime date = QFileInfo(path).lastModified().toUTC();
    if (!date.isValid())
        date = QDateTime::currentDateTimeUtc();
    const auto summary = summarizeCrashReport(text, date);
    if (!summary)
        return std::nullopt;
    return CrashEntry{entryName(path), *summary};
}

std::optional<QString> CrashReader::summarizeCrashReport(const QString& text, const QDateTime& date) {
    // A report is one header line of JSON, then the JSON body.
    qsizetype start = 0;
    while (start < text.size() && text[start] == u'\n')
        ++start;
    const qsizetype headerEnd = text.indexOf(u'\n', start);
    if (headerEnd < 0 || headerEnd + 1 >= text.size())
        return std::nullopt;
    const auto header = parseObject(QStringView(text).sliced(start, headerEnd - start).toUtf8());
    const auto body = header ? parseObject(QStringView(text).sliced(headerEnd + 1).toUtf8()) : std::nullopt;
    if (!header || !body)
        return std::nullopt;

    // The report's own date, in UTC, read by people.
    QString time = date.toUTC().toString(Qt::ISODate);
    time.replace(u'T', u' ');
    time.replace(QStringLiteral("Z"), QStringLiteral(" UTC"));

    QStringList lines;
    // The header names the program; the body's process name stands in for a header without one.
    const QString program =
        sanitizedReportField(header->value(u"app_name"))
            .value_or(sanitizedReportField(body->value(u"procName")).value_or(QStringLiteral("app")));
    const QString version = joined({sanitizedReportField(header->value(u"app_version")),
                                    inParentheses(sanitizedReportField(header->value(u"build_version")))});
    lines.append(QStringLiteral("Crash of ") + program + u' ' + version + QStringLiteral(" at ") + time);
    // The system the crash happened on.
    const QJsonObject os = body->value(u"osVersion").toObject();
    lines.append(joined(
        {sanitizedReportField(os.value(u"train")), inParentheses(sanitizedReportField(os.value(u"build"))),
         sanitizedReportField(body->value(u"cpuType")),
         body->value(u"translated").toBool(false) ? std::optional(QStringLiteral("under Rosetta"))
                                                  : std::nullopt}));
    if (body->value(u"exception").isObject()) {
        const QJsonObject exception = body->value(u"exception").toObject();
        lines.append(QStringLiteral("Exception: ") +
                     joined({sanitizedReportField(exception.value(u"type")),
                             inParentheses(sanitizedReportField(exception.value(u"signal"))),
                             sanitizedReportField(exception.value(u"subtype")),
                             sanitizedReportField(exception.value(u"codes"))}));
    }
    if (body->value(u"termination").isObject()) {
        const QJsonObject termination = body->value(u"termination").toObject();
        const auto code = integerField(termination.value(u"code"));
        lines.append(QStringLiteral("Termination: ") +
                     joined({sanitizedReportField(termination.value(u"namespace")),
                             code ? std::optional(QString::number(*code)) : std::nullopt,
                             sanitizedReportField(termination.value(u"indicator"))}));
    }
    // Application-specific texts may hold user data: only fixed names and messages leave them.
    QStringList texts;
    collectTexts(body->value(u"asi"), texts);
    static const QRegularExpression uncaught(QStringLiteral("uncaught exception '([A-Za-z0-9_]{1,80})'"));
    for (const QString& asi : texts) {
        const auto match = uncaught.match(asi);
        if (match.hasMatch()) {
            lines.append(QStringLiteral("Uncaught exception: ") + match.captured(1) +
                         QStringLiteral(" (its message isn't included)"));
            break;
        }
    }
    bool known = false;
    for (const char* message : kRuntimeMessages) {
        const QString needle = QStringLiteral("Fatal error: ") + QLatin1String(message);
        if (std::any_of(texts.begin(), texts.end(), [&](const QString& t) { return t.contains(needle); })) {
            lines.append(QStringLiteral("Swift runtime: ") + QLatin1String(message));
            known = true;
            break;
        }
    }
    if (!known && std::any_of(texts.begin(), texts.end(),
                              [](const QString& t) { return t.contains(QLatin1String("Fatal error")); }))
        lines.append(QStringLiteral("Swift runtime: fatal error (its message isn't included)"));
    const QJsonArray images = arrayOfObjects(body->value(u"usedImages"));
    QSet<qint64> used;
    const QJsonArray lastException = arrayOfObjects(body->value(u"lastExceptionBacktrace"));
    if (!lastException.isEmpty()) {
        lines.append(QString());
        lines.append(QStringLiteral("Last exception backtrace:"));
        formatBacktrace(lastException, used, images, lines);
    }
    // The crashed thread: the report's faulting index, else the first thread marked triggered.
    const QJsonArray threads = arrayOfObjects(body->value(u"threads"));
    std::optional<qint64> index = integerField(body->value(u"faultingThread"));
    if (!index) {
        index = 0;
        for (qsizetype i = 0; i < threads.size(); ++i)
            if (threads[i].toObject().value(u"triggered").toBool(false)) {
                index = i;
                break;
            }
    }
    if (*index >= 0 && *index < threads.size()) {
        const QJsonObject thread = threads[*index].toObject();
        static const QRegularExpression queueName = wholeValue(QStringLiteral("[A-Za-z0-9_.-]{1,80}"));
        const QJsonValue queue = thread.value(u"queue");
        const QString queuePart = queue.isString() && queueName.match(queue.toString()).hasMatch()
                                      ? QStringLiteral(" (queue ") + queue.toString() + u')'
                                      : QString();
        lines.append(QString());
        lines.append(QStringLiteral("Crashed thread ") + QString::number(*index) + queuePart + u':');
        formatBacktrace(arrayOfObjects(thread.value(u"frames")), used, images, lines);
    }
    // Each image the shown frames ran in, once, in the report's order.
    lines.append(QString());
    lines.append(QStringLiteral("Code libraries in the stack:"));
    QList<qint64> sorted(used.begin(), used.end());
    std::sort(sorted.begin(), sorted.end());
    for (const qint64 i : sorted) {
        if (i < 0 || i >= images.size())
            continue;
        const QJsonObject image = images[i].toObject();
        const auto base = integerField(image.value(u"base"));
        QStringList items{sanitizedReportField(image.value(u"name")).value_or(QStringLiteral("?"))};
        for (const auto& item :
             {sanitizedReportField(image.value(u"arch")), sanitizedReportField(image.value(u"uuid")),
              base ? std::optional(QStringLiteral("base ") + hex(*base)) : std::nullopt})
            if (item)
                items.append(*item);
        lines.append(QStringLiteral("  ") + items.join(QStringLiteral("  ")));
    }
    return lines.join(u'\n');
}

void CrashReader::formatBacktrace(const QJsonArray& frames, QSet<qint64>& usedImages,
                                  const QJsonArray& images, QStringList& lines) {
    const qsizetype shown = std::min<qsizetype>(frames.size(), kMaxFrames);
    for (qsizetype p = 0; p < shown; ++p) {
        const QJsonObject frame = frames[p].toObject();
        QString imageName = QStringLiteral("?");
        if (const auto index = integerField(frame.value(u"imageIndex"))) {
            usedImages.insert(*index);
            if (*index >= 0 && *index < images.size())
                imageName =
                    sanitizedReportField(images[*index].toObject().value(u"name")).value_or(imageName);
        }
        const auto offset = integerField(frame.value(u"imageOffset"));
        const QJsonValue symbol = frame.value(u"symbol");
        lines.append(QString::number(p).rightJustified(3) + QStringLiteral("  ") +
                     imageName.leftJustified(kImageColumn, u' ', true) + QStringLiteral("  ") +
                     (offset ? hex(*offset) : QString()) +
                     (symbol.isString() ? frameSymbolText(symbol.toString(), frame) : QString()));
    }
}

QString CrashReader::frameSymbolText(const QString& symbol, const QJsonValue& frame) {
    // Characters are counted as code points, so the cut never leaves half a surrogate pair (text
    // that would no longer be valid UTF-8).
    qsizetype end = 0;
    for (qsizetype count = 0; end < symbol.size() && count < kSymbolLimit; ++count)
        end += symbol[end].isHighSurrogate() && end + 1 < symbol.size() && symbol[end + 1].isLowSurrogate()
                   ? 2
                   : 1;
    QString text = u' ' + symbol.left(end);
    // A symbol is one part of one frame line: a line break in it would forge lines of the summary.
    for (QChar& c : text)
        if (c.category() == QChar::Other_Control || c.category() == QChar::Separator_Line ||
            c.category() == QChar::Separator_Paragraph)
            c = QChar::ReplacementCharacter;
    if (const auto location = integerField(frame.toObject().value(u"symbolLocation")))
        text += QStringLiteral(" + ") + QString::number(*location);
    return text;
}

} // namespace betakit
