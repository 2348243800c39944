#include "support/Golden.h"
#include "support/SimPlatformTest.h"

#include "tilewick/manualwindow/AboutView.h"
#include "tilewick/manualwindow/ChangelogView.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace tilewick;
using namespace Qt::StringLiterals;
using platform::PropertyListValue;

namespace {

class PanelsTest : public SimPlatformTest {
protected:
    PanelServices services() {
        return {ViewServices::of(platform()), [this](const QUrl& url) {
                    opened.append(url.toString());
                    return true;
                }};
    }
    static Changelog::Calendar calendarOn(const char* now) {
        return {QTimeZone("UTC"), QLocale(u"en_US"_s),
                QDateTime::fromString(QString::fromLatin1(now), Qt::ISODate)};
    }
    // An application folder whose Info.plist holds `entries`.
    QString bundleWith(const QString& entries) {
        const QString contents = folder.path() + u"/Tilewick.app/Contents"_s;
        QDir().mkpath(contents);
        QFile plist(contents + u"/Info.plist"_s);
        EXPECT_TRUE(plist.open(QIODevice::WriteOnly));
        plist.write((u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"_s +
                     entries + u"</dict></plist>\n"_s)
                        .toUtf8());
        return folder.path() + u"/Tilewick.app"_s;
    }

    QTemporaryDir folder;
    QStringList opened;
};

TEST_F(PanelsTest, TheVersionLineShowsADashForWhatIsMissingOrNoText) {
    using Info = QHash<QString, PropertyListValue>;
    const PropertyListValue text{PropertyListValue::Type::String, u"1.4.0"_s};
    const PropertyListValue build{PropertyListValue::Type::String, u"212"_s};
    const PropertyListValue number{PropertyListValue::Type::Integer, u"212"_s};
    const std::pair<Info, QString> cases[] = {
        {{{u"CFBundleShortVersionString"_s, text}, {u"CFBundleVersion"_s, build}},
         u"Version 1.4.0 (build 212)"_s},
        {{{u"CFBundleShortVersionString"_s, text}}, u"Version 1.4.0 (build \u2013)"_s},
        {{{u"CFBundleShortVersionString"_s, text}, {u"CFBundleVersion"_s, number}},
         u"Version 1.4.0 (build \u2013)"_s},
        {{}, u"Version \u2013 (build \u2013)"_s},
    };
    for (const auto& [info, line] : cases)
        EXPECT_EQ(versionLine(info), line);
    EXPECT_EQ(versionLineOf(bundleWith(u"<key>CFBundleShortVersionString</key><string>2.0</string>"
                                       u"<key>CFBundleVersion</key><string>7</string>"_s)),
              u"Version 2.0 (build 7)"_s);
    EXPECT_EQ(versionLineOf(folder.path() + u"/Nowhere.app"_s), u"Version \u2013 (build \u2013)"_s);
}

TEST_F(PanelsTest, TheAboutPanelIsMadeOnceAtItsContentsSizeAndComesBackWhereItWas) {
    AboutPanel about(services(), bundleWith(u"<key>CFBundleShortVersionString</key><string>1.0</string>"_s));
    EXPECT_EQ(about.panel(), nullptr);
    about.show();
    betakit::BetaPanel* panel = about.panel();
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->windowTitle(), u"About Tilewick"_s);
    EXPECT_EQ(about.view()->versionLine(), u"Version 1.0 (build \u2013)"_s);
    EXPECT_GE(panel->width(), 300);
    EXPECT_EQ(panel->size(), about.view()->sizeHint());
    EXPECT_EQ(panel->minimumSize(), panel->maximumSize());
    panel->move(40, 50);
    panel->close();
    EXPECT_FALSE(panel->isVisible());
    about.show();
    EXPECT_EQ(about.panel(), panel);
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(panel->pos(), QPoint(40, 50));
}

TEST_F(PanelsTest, TheMakersLinkOpensItsAddress) {
    AboutPanel about(services(), folder.path());
    about.show();
    AboutView& view = *about.view();
    QTest::mouseClick(&view, Qt::LeftButton, {}, QPoint(2, 2));
    EXPECT_TRUE(opened.isEmpty());
    QTest::mouseClick(&view, Qt::LeftButton, {}, view.linkFrame().center().toPoint());
    EXPECT_EQ(opened, QStringList{u"https://veldorpellrath.example/"_s});
}

TEST_F(PanelsTest, TheChangelogKeepsOneWindowAndTitlesItsDaysOnEachOpening) {
    QString now = u"2026-10-30T12:00:00Z"_s;
    ChangelogPanel changelog(services(), [&now] { return calendarOn(now.toLatin1().constData()); });
    changelog.show();
    betakit::BetaPanel* panel = changelog.panel();
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->windowTitle(), u"Tilewick Changelog"_s);
    EXPECT_EQ(panel->size(), QSize(520, 640));
    EXPECT_EQ(panel->minimumSize(), QSize(380, 320));
    EXPECT_EQ(changelog.view()->content()->titles().mid(0, 3),
              (QStringList{u"What's new today"_s, u"Yesterday"_s, u"Wednesday, October 28, 2026"_s}));
    panel->resize(600, 500);
    panel->close();
    now = u"2026-11-02T08:00:00Z"_s;
    changelog.show();
    EXPECT_EQ(changelog.panel(), panel);
    EXPECT_EQ(panel->size(), QSize(600, 500));
    EXPECT_EQ(changelog.view()->content()->titles().first(), u"Friday, October 30, 2026"_s);
}

TEST_F(PanelsTest, AtItsSmallestTheChangelogWrapsEveryLineAndScrolls) {
    ChangelogPanel changelog(services(), [] { return calendarOn("2026-10-30T12:00:00Z"); });
    changelog.show();
    changelog.panel()->resize(changelog.panel()->minimumSize());
    QApplication::processEvents();
    ChangelogView& view = *changelog.view();
    EXPECT_LE(view.content()->widestLine(), view.viewport()->width() - 28);
    EXPECT_GT(view.content()->height(), view.viewport()->height());
}

TEST_F(PanelsTest, ChangelogLinesCanBeSelectedAndCopied) {
    ChangelogView view(ViewServices::of(platform()), calendarOn("2026-10-30T12:00:00Z"));
    view.resize(520, 640);
    view.show();
    QApplication::processEvents();
    ChangelogContent& content = *view.content();
    content.select({0, 0}, {0, 0});
    EXPECT_EQ(content.selectedText(), QString());
    // From the first title's start to past the day's first line.
    content.select({28, 30}, {520, 64});
    EXPECT_EQ(content.selectedText(), u"What's new today\n"
                                      u"The floating keyboard is a little smaller."_s);
    content.setFocus();
    QTest::keyClick(&content, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), content.selectedText());

    // Select All takes every line, from the newest day's title to the oldest day's last line.
    QTest::keyClick(&content, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(&content, Qt::Key_C, Qt::ControlModifier);
    const QList<Changelog::Day> days = Changelog::days(calendarOn("2026-10-30T12:00:00Z"));
    ASSERT_FALSE(days.isEmpty());
    ASSERT_FALSE(days.last().texts.isEmpty());
    qsizetype lineCount = 0;
    for (const Changelog::Day& day : days)
        lineCount += 1 + day.texts.size();
    const QStringList copied = QApplication::clipboard()->text().split(u'\n');
    EXPECT_EQ(copied.size(), lineCount);
    EXPECT_EQ(copied.first(), u"What's new today"_s);
    EXPECT_EQ(copied.last(), days.last().texts.last());
}

TEST_F(PanelsTest, PicturesInBothSchemes) {
    for (const Scheme scheme : {Scheme::Light, Scheme::Dark}) {
        appearance().force(scheme);
        const QString name = scheme == Scheme::Dark ? u"dark"_s : u"light"_s;
        AboutView about(services(), u"Version 1.0 (build 42)"_s);
        about.resize(about.sizeHint());
        EXPECT_TRUE(matchesGolden(about.grab().toImage(), u"manualwindow/about-"_s + name));
        ChangelogView changelog(ViewServices::of(platform()), calendarOn("2026-10-30T12:00:00Z"));
        changelog.resize(520, 640);
        EXPECT_TRUE(matchesGolden(changelog.grab().toImage(), u"manualwindow/changelog-"_s + name));
    }
}

} // namespace
