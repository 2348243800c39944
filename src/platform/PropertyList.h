#pragma once

#include <QHash>
#include <QString>

namespace platform {

// One value of a property list's top-level dictionary, as written in the file.
struct PropertyListValue {
    enum class Type { String, Integer };
    Type type = Type::String;
    // The element's text exactly as it stands (no blanks taken away).
    QString text;

    friend bool operator==(const PropertyListValue&, const PropertyListValue&) = default;
};

// The string and integer values of the top-level dictionary of an XML property list ("Info.plist").
// Values of other types (true, arrays, nested dictionaries) are left out. A file that is missing,
// not a small regular file or not well-formed gives an empty table.
QHash<QString, PropertyListValue> readPropertyList(const QString& path);

} // namespace platform
