#include "DesktopEntryFile.h"

#include "platform/FileAccess.h"

#include <cstdio>

namespace platform {

QHash<QString, QString> readDesktopEntryGroup(const QString& path, bool* exists) {
    QHash<QString, QString> keys;
    const auto file = readSmallFile(path);
    if (exists)
        *exists = file.result != SmallFileRead::Result::Missing;
    if (file.result == SmallFileRead::Result::Refused)
        std::fprintf(stderr, "Tilewick: skipped the desktop entry %s (%s).\n", qPrintable(path),
                     qPrintable(file.problem));
    if (file.result != SmallFileRead::Result::Read)
        return keys;
    bool inEntry = false;
    const auto lines = QString::fromUtf8(file.data).split(u'\n');
    for (const auto& raw : lines) {
        const auto line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[')) {
            inEntry = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        const auto eq = line.indexOf(u'=');
        if (inEntry && eq > 0)
            keys.insert(line.left(eq).trimmed(), line.mid(eq + 1).trimmed());
    }
    return keys;
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

} // namespace platform
