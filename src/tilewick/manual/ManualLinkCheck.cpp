#include "ManualLinkCheck.h"

#include "InlineMarkdown.h"
#include "LinkAddress.h"
#include "ManualText.h"

#include <QSaveFile>

#include <cstdio>

namespace tilewick::Manual {

using namespace Qt::StringLiterals;

namespace {

// The first 50 characters of the raw text, then "…", in quotation marks.
QString excerpt(const QString& raw) {
    const QList<qsizetype> starts = graphemeStarts(raw);
    const QString head = starts.size() > 50 ? raw.left(starts[50]) : raw;
    return u" in “"_s + head + u"…”"_s;
}

void examine(const QString& markdown, const QHash<QString, QString>& anchors, QStringList& problems) {
    // Text that does not parse has no links to examine.
    for (const Run& run : attributed(markdown).runs) {
        if (!run.link)
            continue;
        const auto address = parseLinkAddress(*run.link);
        // An address that is no URL at all leads nowhere either.
        if (!address)
            problems.append(u"odd link: "_s + *run.link + excerpt(markdown));
        else if (!address->scheme.isEmpty())
            continue;
        else if (address->fragment) {
            if (!anchors.contains(*address->fragment))
                problems.append(u"broken: #"_s + *address->fragment + excerpt(markdown));
        } else {
            problems.append(u"odd link: "_s + address->text + excerpt(markdown));
        }
    }
}

} // namespace

QString checkLinks(const QList<Part>& parts, const QList<Term>& terms,
                   const QHash<QString, QString>& anchors) {
    QStringList problems;
    QStringList keyTable;
    for (const Part& part : parts) {
        if (part.lead)
            examine(*part.lead, anchors, problems);
        for (const Topic& topic : part.topics) {
            for (const Block& block : topic.blocks) {
                if (block.kind != Block::Kind::Table) {
                    examine(block.markdown, anchors, problems);
                    continue;
                }
                for (const auto& [label, cell] : block.rows) {
                    examine(cell, anchors, problems);
                    keyTable.append(label + u": "_s + plain(cell));
                }
            }
        }
    }
    for (const Term& term : terms)
        examine(term.definition, anchors, problems);

    QStringList lines = problems;
    lines.append(problems.isEmpty() ? u"All links go somewhere."_s
                                    : QString::number(problems.size()) + u" problem(s)."_s);
    lines += keyTable;
    return lines.join(u'\n') + u'\n';
}

QString checkLinks() {
    return checkLinks(parts(), terms(), anchors());
}

bool writeManualCheckReport(const QString& path) {
    // QSaveFile writes a temporary file beside the target and renames it over the target.
    QSaveFile file(path);
    const bool written =
        file.open(QIODevice::WriteOnly) && file.write(checkLinks().toUtf8()) >= 0 && file.commit();
    if (!written)
        std::fprintf(stderr, "Tilewick: could not write the manual check to %s\n", qPrintable(path));
    return written;
}

} // namespace tilewick::Manual
