#include "tilewick/manual/ManualLinkCheck.h"
#include "tilewick/manual/LinkAddress.h"
#include "tilewick/manual/ManualContent.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

using namespace tilewick::Manual;
using namespace Qt::StringLiterals;

namespace {

const char kKeyTable[] =
    "General: C centre · < previous display · > next display · Return maximise · F focus on "
    "this · Z undo · X redo\n"
    "Halves: ← left · → right\n"
    "Two-Thirds: - left two-thirds · + right two-thirds (the = key)\n"
    "Thirds: 1 left · 2 centre · 3 right\n"
    "Four Columns: 7 8 9 0, left to right\n"
    "Quarters: Q top left · W top right · A bottom left · S bottom right\n"
    "Sixths: P [ ] across the top · ; ' \\ across the bottom\n"
    "Eighths: T Y U I across the top · G H J K across the bottom\n"
    "Up-Down Halves: ↑ top · ↓ bottom\n"
    "Up-Down Two-Thirds: O top two-thirds · L bottom two-thirds\n"
    "Up-Down Thirds: 4 top · E centre · D bottom\n"
    "Multi-window: Hold 🌐 too, then any layout key\n";

TEST(ManualContentTest, SectionsAndAnchorsCoverEveryPartTopicAndTerm) {
    EXPECT_EQ(sections(), (QList<Section>{{u"start"_s, u"Start here"_s},
                                          {u"know"_s, u"Good to know"_s},
                                          {u"shortcuts"_s, u"Shortcuts"_s},
                                          {u"glossary"_s, u"Glossary"_s}}));
    const QHash<QString, QString>& map = anchors();
    EXPECT_EQ(map.value(u"glossary"_s), u"glossary"_s);
    qsizetype expected = 1 + terms().size();
    for (const Part& part : parts()) {
        expected += 1 + part.topics.size();
        EXPECT_EQ(map.value(part.id), part.id);
        for (const Topic& topic : part.topics)
            EXPECT_EQ(map.value(topic.id), part.id) << topic.id.toStdString();
    }
    for (const Term& term : terms())
        EXPECT_EQ(map.value(term.id), u"glossary"_s) << term.id.toStdString();
    EXPECT_EQ(map.size(), expected);
    // A later id replaces an earlier one.
    EXPECT_EQ(anchorsOf({Part{u"p"_s, u"P"_s, {}, false, {Topic{u"glossary"_s, u"G"_s, {}}}}}, {})
                  .value(u"glossary"_s),
              u"p"_s);
}

TEST(ManualLinkCheckTest, ReadsLinkAddresses) {
    const auto address = parseLinkAddress(u"page.html#term%2Dglobe"_s);
    ASSERT_TRUE(address);
    EXPECT_EQ(address->scheme, u""_s);
    EXPECT_EQ(address->fragment, u"term-globe"_s);
    EXPECT_EQ(parseLinkAddress(u"search:x"_s)->scheme, u"search"_s);
    EXPECT_FALSE(parseLinkAddress(u"page.html"_s)->fragment);
    EXPECT_FALSE(parseLinkAddress(u"#bad%zz"_s));
}

TEST(ManualLinkCheckTest, EveryLinkOfTheManualGoesSomewhere) {
    EXPECT_EQ(checkLinks().toUtf8(), QByteArray("All links go somewhere.\n") + kKeyTable);
    // Without anchors every in-manual link is broken.
    EXPECT_EQ(
        checkLinks(parts(), terms(), {}).section(u"General: "_s, 0, 0).toStdString(),
        QString(u"broken: #term-floating-keyboard in “**⌥⌘←** puts the window you're using on the left h…”\n"
                u"broken: #shortcuts in “**C** centres a window, **F** focuses on it and mi…”\n"
                u"broken: #multi-window in “The 🌐 key: on a PC keyboard the Menu key, near the…”\n"
                u"broken: #modifiers in “The keys every hotkey shares, ⌥⌘ to start with. [Y…”\n"
                u"4 problem(s).\n"_s)
            .toStdString());
}

TEST(ManualLinkCheckTest, ListsEachLinkThatGoesNowhere) {
    const QString longText = u"👩‍👩‍👧 "_s + u"x"_s.repeated(60) + u" [a](#gone)"_s;
    const QList<Part> parts{
        Part{u"p"_s,
             u"P"_s,
             u"[lead](#nowhere)"_s,
             false,
             {Topic{u"t"_s,
                    u"T"_s,
                    {Block::text(u"[ok](#t) [any](search:zzz) [web](https://veldorpellrath.example/x) "
                                 u"[rel](page.html#gone) [odd](page.html) [bad](#x%zz) [enc](#t%2D)"_s),
                     Block::note(u"[**a** b](#gone)"_s), Block::text(longText),
                     Block::text(u"[raw](#gone) "_s + QChar(0xDC00)),
                     Block::table({{u"**Row**"_s, u"[c](#gone) **k**"_s}, {u"Empty"_s, u""_s}})}}}}};
    const QList<Term> terms{Term{u"term-x"_s, u"X"_s, u"[d](#gone)"_s}};
    EXPECT_EQ(checkLinks(parts, terms, anchorsOf(parts, terms)).toStdString(),
              QString(u"broken: #nowhere in “[lead](#nowhere)…”\n"
                      u"broken: #gone in “[ok](#t) [any](search:zzz) [web](https://veldorpel…”\n"
                      u"odd link: page.html in “[ok](#t) [any](search:zzz) [web](https://veldorpel…”\n"
                      u"odd link: #x%zz in “[ok](#t) [any](search:zzz) [web](https://veldorpel…”\n"
                      u"broken: #t- in “[ok](#t) [any](search:zzz) [web](https://veldorpel…”\n"
                      u"broken: #gone in “[**a** b](#gone)…”\n"
                      u"broken: #gone in “[**a** b](#gone)…”\n"
                      u"broken: #gone in “👩‍👩‍👧 "_s +
                      u"x"_s.repeated(48) +
                      u"…”\n"
                      u"broken: #gone in “[c](#gone) **k**…”\n"
                      u"broken: #gone in “[d](#gone)…”\n"
                      u"10 problem(s).\n"
                      u"**Row**: c k\n"
                      u"Empty: \n"_s)
                  .toStdString());
}

// The tool as the program runs it: before anything else, and always with exit status 0.
struct ToolRun {
    int status = -1;
    QByteArray out;
    QString errors;
};

ToolRun runCheckManual(const QTemporaryDir& home, const QString& path) {
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("DISPLAY");
    for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME", "XDG_RUNTIME_DIR"})
        env.insert(name, home.filePath(name));
    program.setProcessEnvironment(env);
    program.start(TILEWICK_TEST_APP_DIR "/Contents/bin/Tilewick", {u"--check-manual"_s, path});
    if (!program.waitForFinished(60000))
        return {};
    return {program.exitCode(), program.readAllStandardOutput(),
            QString::fromLocal8Bit(program.readAllStandardError())};
}

TEST(ManualLinkCheckTest, TheCheckManualOptionWritesTheReportAndExits) {
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    const QString path = home.filePath(u"report.txt"_s);
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly) &&
                old.write(QByteArray("an older, longer report\n").repeated(20)) > 0);
    old.close();

    const ToolRun run = runCheckManual(home, path);
    EXPECT_EQ(run.status, 0) << run.errors.toStdString();
    EXPECT_TRUE(run.out.isEmpty());
    QFile report(path);
    ASSERT_TRUE(report.open(QIODevice::ReadOnly));
    EXPECT_EQ(report.readAll(), QByteArray("All links go somewhere.\n") + kKeyTable);
    EXPECT_EQ(QDir(home.path()).entryList(QDir::Files), QStringList{u"report.txt"_s});
    EXPECT_FALSE(QFileInfo::exists(home.filePath(u"XDG_DATA_HOME/Veldor Pellrath Beta"_s)));

    const QString unwritable = home.filePath(u"no such folder/report.txt"_s);
    const ToolRun failed = runCheckManual(home, unwritable);
    EXPECT_EQ(failed.status, 0);
    EXPECT_TRUE(failed.out.isEmpty());
    // One line names the file (Qt may add its own notes about the environment).
    EXPECT_EQ(failed.errors.split(u'\n').filter(unwritable).size(), 1) << failed.errors.toStdString();
    EXPECT_FALSE(QFileInfo::exists(unwritable));
}

} // namespace
