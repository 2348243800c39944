#include "ManualSearch.h"

#include "InlineMarkdown.h"
#include "ManualText.h"

#include <algorithm>

namespace tilewick::Manual {

using namespace Qt::StringLiterals;

namespace {

QString blockText(const Block& block) {
    if (block.kind != Block::Kind::Table)
        return plain(block.markdown);
    QStringList sentences;
    for (const auto& [label, cell] : block.rows)
        sentences.append(label + u": "_s + plain(cell) + u'.');
    return sentences.join(u' ');
}

// An index row with its title and its "title text" in matching form, folded once.
struct IndexedEntry {
    const Entry* entry;
    QString title;
    QString all;
};

const QList<IndexedEntry>& indexed() {
    static const QList<IndexedEntry> list = [] {
        QList<IndexedEntry> rows;
        for (const Entry& entry : entries())
            rows.append({&entry, folded(entry.title), folded(entry.title + u' ' + entry.text)});
        return rows;
    }();
    return list;
}

bool holdsAll(const QString& foldedText, const QStringList& foldedWords) {
    return std::all_of(foldedWords.begin(), foldedWords.end(),
                       [&](const QString& word) { return !word.isEmpty() && foldedText.contains(word); });
}

} // namespace

QList<Entry> entriesOf(const QList<Part>& parts, const QList<Term>& terms) {
    QList<Entry> list;
    for (const Part& part : parts) {
        if (part.lead)
            list.append({part.id, part.title, part.title, plain(*part.lead)});
        for (const Topic& topic : part.topics) {
            QStringList texts;
            for (const Block& block : topic.blocks)
                texts.append(blockText(block));
            list.append({topic.id, part.title, topic.title, texts.join(u' ')});
        }
    }
    for (const Term& term : terms)
        list.append({term.id, u"Glossary"_s, term.term, plain(term.definition)});
    return list;
}

const QList<Entry>& entries() {
    static const QList<Entry> list = entriesOf(parts(), terms());
    return list;
}

QList<Entry> search(const QString& query) {
    QStringList foldedWords = words(query);
    if (foldedWords.isEmpty())
        return {};
    for (QString& word : foldedWords)
        word = folded(word);
    QList<Entry> titleHits, others;
    for (const IndexedEntry& row : indexed()) {
        if (!holdsAll(row.all, foldedWords))
            continue;
        (holdsAll(row.title, foldedWords) ? titleHits : others).append(*row.entry);
    }
    return titleHits + others;
}

QString snippet(const QString& text, const QStringList& words) {
    const FoldedText haystack = fold(text);
    std::optional<qsizetype> earliest;
    for (const QString& word : words) {
        if (const auto range = find(haystack, folded(word)))
            earliest = std::min(earliest.value_or(range->start), range->start);
    }
    if (!earliest)
        return text;
    const QList<qsizetype> starts = graphemeStarts(text);
    // Characters before the match.
    const qsizetype p = std::upper_bound(starts.begin(), starts.end(), *earliest) - starts.begin() - 1;
    if (p < 71)
        return text;
    qsizetype s = p - 50;
    for (qsizetype i = s; i < p; ++i) {
        if (starts[i + 1] - starts[i] == 1 && text[starts[i]] == u' ') {
            s = i + 1;
            break;
        }
    }
    return u"…"_s + text.mid(starts[s]);
}

} // namespace tilewick::Manual
