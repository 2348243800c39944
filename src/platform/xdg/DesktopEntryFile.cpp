#include "DesktopEntryFile.h"

#include "platform/FileAccess.h"

#include <QStringDecoder>

#include <cstdio>
#include <utility>

namespace platform {

QHash<QString, QHash<QString, QString>> readDesktopEntryGroups(const QString& path, bool* exists) {
    QHash<QString, QHash<QString, QString>> groups;
    const auto file = readSmallFile(path);
    if (exists)
        *exists = file.result != SmallFileRead::Result::Missing;
    if (file.result == SmallFileRead::Result::Refused)
        std::fprintf(stderr, "Tilewick: skipped the desktop entry %s (%s).\n", qPrintable(path),
                     qPrintable(file.problem));
    if (file.result != SmallFileRead::Result::Read)
        return groups;
    // Desktop entries are UTF-8 text: a binary file, or text in another encoding, describes
    // nothing reliably.
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8(file.data);
    if (utf8.hasError() || text.contains(QChar(u'\0'))) {
        std::fprintf(stderr, "Tilewick: skipped the desktop entry %s (it is not UTF-8 text).\n",
                     qPrintable(path));
        return groups;
    }
    QHash<QString, QString>* group = nullptr;
    const auto lines = text.split(u'\n');
    for (const auto& raw : lines) {
        const auto line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[')) {
            group = nullptr;
            // A header that never closes starts no group; a group named twice is read once, as
            // the first one.
            if (!line.endsWith(u']'))
                continue;
            const QString name = line.mid(1, line.size() - 2);
            if (!groups.contains(name))
                group = &groups[name];
            continue;
        }
        const auto eq = line.indexOf(u'=');
        if (group && eq > 0)
            group->insert(line.left(eq).trimmed(), line.mid(eq + 1).trimmed());
    }
    return groups;
}

QHash<QString, QString> readDesktopEntryGroup(const QString& path, bool* exists) {
    return readDesktopEntryGroups(path, exists).value(QStringLiteral("Desktop Entry"));
}

QString unescapeDesktopString(const QString& value) {
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c != u'\\' || i + 1 == value.size()) {
            out += c;
            continue;
        }
        const QChar next = value[++i];
        switch (next.unicode()) {
        case 's':
            out += u' ';
            break;
        case 'n':
            out += u'\n';
            break;
        case 't':
            out += u'\t';
            break;
        case 'r':
            out += u'\r';
            break;
        default:
            out += next;
            break;
        }
    }
    return out;
}

QString escapeDesktopString(const QString& value) {
    QString out;
    out.reserve(value.size() + 8);
    for (const QChar c : value) {
        switch (c.unicode()) {
        case '\\':
            out += QLatin1String("\\\\");
            break;
        case '\n':
            out += QLatin1String("\\n");
            break;
        case '\t':
            out += QLatin1String("\\t");
            break;
        case '\r':
            out += QLatin1String("\\r");
            break;
        default:
            out += c;
            break;
        }
    }
    return out;
}

std::optional<QStringList> execArguments(const QString& value) {
    const QString line = unescapeDesktopString(value);
    QStringList arguments;
    QString current;
    bool inArgument = false;
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (!quoted && (c == u' ' || c == u'\t' || c == u'\n')) {
            if (inArgument)
                arguments.append(std::exchange(current, {}));
            inArgument = false;
            continue;
        }
        if (c == u'"') {
            quoted = !quoted;
        } else if (quoted && c == u'\\' && i + 1 < line.size() &&
                   QStringView(u"\"`$\\").contains(line[i + 1])) {
            current += line[++i];
        } else if (c == u'%' && i + 1 < line.size()) {
            // A field code stands for what a launcher would put there; nothing is put there here.
            if (line[++i] == u'%')
                current += u'%';
            else if (!inArgument)
                continue; // an argument of its own goes with it
        } else {
            current += c;
        }
        inArgument = true;
    }
    if (quoted)
        return std::nullopt;
    if (inArgument)
        arguments.append(current);
    if (arguments.isEmpty() || arguments.first().isEmpty())
        return std::nullopt;
    return arguments;
}

} // namespace platform
