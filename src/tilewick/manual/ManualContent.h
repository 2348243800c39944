#pragma once

#include <QHash>
#include <QList>
#include <QString>

#include <optional>
#include <utility>

// The manual carried inside the program: fixed, read-only content built once on first use.
namespace tilewick::Manual {

// The maker's web domain and contact address (the "updates" topic, the About panel, the feed).
inline constexpr char16_t kMakerDomain[] = u"veldorpellrath.example";
inline constexpr char16_t kContactAddress[] = u"beta@veldorpellrath.example";

// One block of a topic. Every text is inline markdown; a table row is (plain label, markdown cell).
struct Block {
    enum class Kind { Text, Note, Table };
    Kind kind = Kind::Text;
    QString markdown;                        // Text and Note
    QList<std::pair<QString, QString>> rows; // Table

    static Block text(QString markdown) { return {Kind::Text, std::move(markdown), {}}; }
    static Block note(QString markdown) { return {Kind::Note, std::move(markdown), {}}; }
    static Block table(QList<std::pair<QString, QString>> rows) { return {Kind::Table, {}, std::move(rows)}; }
};

struct Topic {
    QString id;
    QString title;
    QList<Block> blocks;
};

struct Part {
    QString id;
    QString title;
    std::optional<QString> lead;
    bool numbered = false;
    QList<Topic> topics;
};

struct Term {
    QString id;
    QString term;
    QString definition;
};

struct Section {
    QString id;
    QString title;
    bool operator==(const Section&) const = default;
};

const QList<Part>& parts();
const QList<Term>& terms();

// The sections the manual window shows: each part, then the glossary.
const QList<Section>& sections();

// Anchor id → id of the section that holds it.
const QHash<QString, QString>& anchors();

// The same tables for any content: the index and the link check are also run over other content.
QList<Section> sectionsOf(const QList<Part>& parts);
QHash<QString, QString> anchorsOf(const QList<Part>& parts, const QList<Term>& terms);

} // namespace tilewick::Manual
