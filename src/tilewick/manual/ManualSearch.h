#pragma once

#include "ManualContent.h"

#include <QList>
#include <QString>
#include <QStringList>

// The manual's search: a flat index of plain-text rows, scanned on every key typed.
namespace tilewick::Manual {

// One row of the index: a part with a lead, a topic or a glossary term.
struct Entry {
    QString id;     // anchor the manual window jumps to
    QString kicker; // the part's title, or "Glossary"
    QString title;
    QString text; // plain text, searched and cut into snippets
    bool operator==(const Entry&) const = default;
};

// The index of the manual's content, built once on first use.
const QList<Entry>& entries();
QList<Entry> entriesOf(const QList<Part>& parts, const QList<Term>& terms);

// The index entries holding every word of `query` in their title and text, ignoring case and
// diacritics: those whose title alone holds every word first, each group in index order.
QList<Entry> search(const QString& query);

// `text` whole, or from shortly before the earliest of `words` in it after a "…" when that
// lies 71 or more characters in.
QString snippet(const QString& text, const QStringList& words);

} // namespace tilewick::Manual
