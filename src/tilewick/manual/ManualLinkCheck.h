#pragma once

#include "ManualContent.h"

#include <QHash>
#include <QString>

namespace tilewick::Manual {

// The link check of the manual's content: one line per link that goes nowhere, a summary line,
// then the key table as plain text; every line ends with a line feed.
QString checkLinks();
QString checkLinks(const QList<Part>& parts, const QList<Term>& terms,
                   const QHash<QString, QString>& anchors);

// The "--check-manual" tool: writes the report to `path` as UTF-8, replacing the file at once.
// A failed write keeps the exit status but names the file on stderr. True when written.
bool writeManualCheckReport(const QString& path);

} // namespace tilewick::Manual
