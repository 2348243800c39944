#include "PropertyList.h"

#include "FileAccess.h"

#include <QXmlStreamReader>

namespace platform {

QHash<QString, PropertyListValue> readPropertyList(const QString& path) {
    // Info.plist files are small; one from a download must not make us read a device or a FIFO.
    const SmallFileRead read = readSmallFile(path);
    if (read.result != SmallFileRead::Result::Read)
        return {};
    QHash<QString, PropertyListValue> values;
    QXmlStreamReader xml(read.data);
    int depth = 0; // of <dict> elements
    QString key;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            const auto name = xml.name();
            if (name == u"dict") {
                ++depth;
            } else if (depth == 1 && name == u"key") {
                key = xml.readElementText();
            } else if (depth == 1 && (name == u"string" || name == u"integer")) {
                const auto type =
                    name == u"string" ? PropertyListValue::Type::String : PropertyListValue::Type::Integer;
                const QString text = xml.readElementText();
                if (!key.isEmpty())
                    values.insert(key, {type, text});
                key.clear();
            } else if (depth == 1) {
                key.clear();
            }
        } else if (xml.isEndElement() && xml.name() == u"dict") {
            --depth;
        }
    }
    if (xml.hasError())
        return {};
    return values;
}

} // namespace platform
