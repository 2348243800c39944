#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>

namespace platform {

// Reading and writing the freedesktop desktop-entry format (.desktop files).

// The keys of the file's [Desktop Entry] group; values keep their escapes. Empty when the file
// cannot be read; `exists` (when given) tells whether it exists at all. Only regular files of a
// sane size are read; anything else at the path is skipped with one line on stderr.
QHash<QString, QString> readDesktopEntryGroup(const QString& path, bool* exists = nullptr);
// Every group of the file ("Desktop Entry", "Desktop Action new-window" …) with its keys, read the
// same way.
QHash<QString, QHash<QString, QString>> readDesktopEntryGroups(const QString& path, bool* exists = nullptr);

// Undoes the escapes of a string value (\s \n \t \r \\).
QString unescapeDesktopString(const QString& value);
// Escapes a string value for writing.
QString escapeDesktopString(const QString& value);

// The program and arguments of an Exec value as it stands in the file: its escapes undone, split at
// blanks outside double quotes (where \", \`, \$ and \\ stand for the character), field codes
// (%f, %U, %i …) removed and %% made %. None when a quote is left open or no program remains.
std::optional<QStringList> execArguments(const QString& value);

} // namespace platform
