// The render tools, run as the program runs them: the real executable with no display, private
// XDG folders and a fixed time zone, locale and keyboard type.

#include "tilewick/app/RenderTools.h"

#include "support/Golden.h"
#include "support/ToolRun.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>

#include <map>

namespace {

using namespace Qt::StringLiterals;
using tilewick::frameFileName;
using tilewick::parseFrameCount;
using tilewick::test::runTool;
using tilewick::test::ToolRun;

// The PNG files of a folder with their pixel sizes.
std::map<QString, QSize> pictures(const QString& folder) {
    std::map<QString, QSize> found;
    for (const QString& name : QDir(folder).entryList(QDir::Files))
        found[name] = QImage(folder + u'/' + name).size();
    return found;
}

struct FolderCase {
    const char* name;
    const char* option;
    std::map<QString, QString> variables;
    std::map<QString, QSize> expected;
};

std::map<QString, QSize> windowFiles() {
    std::map<QString, QSize> files;
    for (const QSize& size : tilewick::windowRenderSizes())
        files[u"window-%1x%2.png"_s.arg(size.width()).arg(size.height())] = size * 2;
    return files;
}

// The keyboard picture: 900 points and 18 on each side, 40 more around it.
const QSize kOverlayStill(2 * 1016, 871);
const QSize kOverlayFrame(1016, 436);

std::map<QString, QSize> overlayFiles(int frames) {
    std::map<QString, QSize> files{{u"overlay-light.png"_s, kOverlayStill},
                                   {u"overlay-dark.png"_s, kOverlayStill}};
    for (int i = 0; i < frames; ++i)
        for (const QString& scheme : {u"light"_s, u"dark"_s})
            files[frameFileName(scheme, i)] = kOverlayFrame;
    return files;
}

class RenderToolFolders : public ::testing::TestWithParam<FolderCase> {};

TEST_P(RenderToolFolders, WriteTheirFilesAtTheirSizes) {
    const FolderCase& c = GetParam();
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    const QString folder = home.filePath(u"pictures"_s);
    ASSERT_TRUE(QDir().mkpath(folder));

    // A trailing separator doubles the one the tool adds, which names the same files.
    const ToolRun run = runTool(home, {QString::fromUtf8(c.option), folder + u'/'}, c.variables);
    EXPECT_EQ(run.status, 0) << run.errors.toStdString();
    EXPECT_TRUE(run.out.isEmpty());
    EXPECT_FALSE(run.errors.contains(u"could not write"_s)) << run.errors.toStdString();
    EXPECT_EQ(pictures(folder), c.expected);
    // Neither the settings nor the activity log are touched.
    EXPECT_TRUE(QDir(home.filePath(u"XDG_CONFIG_HOME"_s)).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot));
    EXPECT_FALSE(QFileInfo::exists(home.filePath(u"XDG_DATA_HOME/Veldor Pellrath Beta"_s)));
}

INSTANTIATE_TEST_SUITE_P(
    Tools, RenderToolFolders,
    ::testing::Values(
        FolderCase{"Window", "--render-window", {}, windowFiles()},
        FolderCase{"About",
                   "--render-about",
                   {},
                   {{u"about-light.png"_s, {600, 596}}, {u"about-dark.png"_s, {600, 596}}}},
        FolderCase{"OverlayStills", "--render-overlay", {}, overlayFiles(0)},
        FolderCase{
            "OverlayFrames", "--render-overlay", {{u"TILEWICK_RENDER_FRAMES"_s, u"3"_s}}, overlayFiles(3)},
        FolderCase{
            "OverlayPlusSign", "--render-overlay", {{u"TILEWICK_RENDER_FRAMES"_s, u"+2"_s}}, overlayFiles(2)},
        FolderCase{
            "OverlayLetters", "--render-overlay", {{u"TILEWICK_RENDER_FRAMES"_s, u"abc"_s}}, overlayFiles(0)},
        FolderCase{
            "OverlayEmpty", "--render-overlay", {{u"TILEWICK_RENDER_FRAMES"_s, u""_s}}, overlayFiles(0)},
        FolderCase{
            "OverlayNegative", "--render-overlay", {{u"TILEWICK_RENDER_FRAMES"_s, u"-4"_s}}, overlayFiles(0)},
        FolderCase{"OverlayMulti",
                   "--render-overlay",
                   {{u"TILEWICK_RENDER_MULTI"_s, u""_s}, {u"TILEWICK_RENDER_UNSUPPORTED"_s, u"Preview"_s}},
                   overlayFiles(0)}),
    [](const ::testing::TestParamInfo<FolderCase>& info) { return std::string(info.param.name); });

TEST(RenderToolsTest, TheIconIsTheLightTileAtOnePixelPerPoint) {
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    const QString path = home.filePath(u"icon.png"_s);
    const ToolRun run = runTool(home, {u"--render-icon"_s, path});
    EXPECT_EQ(run.status, 0) << run.errors.toStdString();
    const QImage icon(path);
    ASSERT_EQ(icon.size(), QSize(1024, 1024));
    // Outside the tile nothing is drawn; the tile is light; the lit quarter is the accent's.
    EXPECT_EQ(qAlpha(icon.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(icon.pixel(1023, 1023)), 0);
    EXPECT_EQ(QColor(icon.pixel(100, 512)), QColor(246, 245, 250));
    EXPECT_EQ(QColor(icon.pixel(700, 650)), QColor(246, 245, 250));
    const QColor lit = icon.pixel(240, 300);
    EXPECT_GT(lit.blue(), 200);
    EXPECT_LT(lit.green(), 80);
}

struct UnwritableCase {
    const char* name;
    const char* option;
    // Below the temporary folder; it does not exist.
    const char* path;
};

class RenderToolsUnwritable : public ::testing::TestWithParam<UnwritableCase> {};

TEST_P(RenderToolsUnwritable, NameWhatTheyCouldNotWriteAndStillExitZero) {
    const UnwritableCase& c = GetParam();
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    const QString path = home.filePath(QString::fromUtf8(c.path));
    const ToolRun run = runTool(home, {QString::fromUtf8(c.option), path});
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(run.out.isEmpty());
    const QStringList lines = run.errors.split(u'\n').filter(u"Tilewick: could not write"_s);
    ASSERT_EQ(lines.size(), 1) << run.errors.toStdString();
    EXPECT_TRUE(lines[0].endsWith(path)) << lines[0].toStdString();
    EXPECT_FALSE(QFileInfo::exists(home.filePath(u"missing"_s)));
}

INSTANTIATE_TEST_SUITE_P(
    Tools, RenderToolsUnwritable,
    ::testing::Values(UnwritableCase{"Icon", "--render-icon", "missing/icon.png"},
                      UnwritableCase{"Window", "--render-window", "missing"},
                      UnwritableCase{"Overlay", "--render-overlay", "missing"},
                      UnwritableCase{"Tabs", "--render-tabs", "missing"},
                      UnwritableCase{"About", "--render-about", "missing"},
                      UnwritableCase{"PickerReport", "--test-picker", "missing/report.txt"}),
    [](const ::testing::TestParamInfo<UnwritableCase>& info) { return std::string(info.param.name); });

// Every tab at 1100 × 940, 1100 × 700 and 360 × 450 points, light then dark, two pixels per
// point. A picture is as wide as its window and as high as the page over the keyboard: the
// keyboard 1040, about 706.26 and 660 points wide, the page scaled to it below its 44-point title
// row, 12 apart, 22 under the keyboard, padded by 24, 24 and 12.
std::map<QString, QSize> tabFiles() {
    const std::pair<QSize, QSize> sizes[] = {
        {{1100, 940}, {2200, 1666}}, {{1100, 700}, {2200, 1211}}, {{360, 450}, {720, 1100}}};
    std::map<QString, QSize> files;
    for (const tilewick::Scheme scheme : {tilewick::Scheme::Light, tilewick::Scheme::Dark})
        for (const tilewick::SnapTab tab : tilewick::allSnapTabs())
            for (const auto& [window, pixels] : sizes)
                files[tilewick::tabFileName(tab, window, scheme)] = pixels;
    return files;
}

TEST(RenderToolsTest, TabsDrawEveryTabAtEachSizeInBothSchemesAndLeaveTheLastTabChosen) {
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    const QString folder = home.filePath(u"pictures"_s);
    ASSERT_TRUE(QDir().mkpath(folder));

    // A folder in the way of one picture: that one is named, the others are written.
    const QString blocked = u"sixths-1100x700-dark.png"_s;
    ASSERT_TRUE(QDir(folder).mkdir(blocked));

    const ToolRun run = runTool(home, {u"--render-tabs"_s, folder});
    EXPECT_EQ(run.status, 0) << run.errors.toStdString();
    EXPECT_TRUE(run.out.isEmpty());
    EXPECT_EQ(run.errors.split(u'\n').filter(u"could not write"_s),
              (QStringList{u"Tilewick: could not write "_s + folder + u'/' + blocked}))
        << run.errors.toStdString();
    const std::map<QString, QSize> found = pictures(folder);
    std::map<QString, QSize> expected = tabFiles();
    EXPECT_EQ(expected.size(), 72u);
    expected.erase(blocked);
    EXPECT_EQ(found, expected);
    EXPECT_TRUE(found.contains(u"global-1100x940-light.png"_s));
    EXPECT_TRUE(found.contains(u"twoThirds-1100x700-dark.png"_s));
    EXPECT_TRUE(found.contains(u"appSnaps-360x450-dark.png"_s));

    // The one setting written is the last tab chosen.
    EXPECT_EQ(tilewick::test::storedSettings(home), (QStringList{u"lastTab=appSnaps"_s}));
    EXPECT_FALSE(QFileInfo::exists(home.filePath(u"XDG_DATA_HOME/Veldor Pellrath Beta"_s)));

    // A few pictures kept: a layout tab with a keyboard narrower than the window, and the narrow
    // window's leading part of the Default App Snaps page.
    for (const char* name : {"quarters-1100x700-light", "quarters-1100x700-dark", "appSnaps-360x450-light",
                             "appSnaps-360x450-dark"}) {
        const QString file = QString::fromUtf8(name);
        EXPECT_TRUE(matchesGolden(QImage(folder + u'/' + file + u".png"_s), u"tools/tabs-"_s + file));
    }
}

TEST(RenderToolsTest, FrameCountsAreDecimalIntegersWithAnOptionalSign) {
    const std::pair<const char*, std::optional<int>> cases[] = {
        {"3", 3},           {"+2", 2},   {"0", 0},     {"-4", 0},
        {"007", 7},         {"", {}},    {"abc", {}},  {"3a", {}},
        {" 3", {}},         {"3 ", {}},  {"+", {}},    {"-", {}},
        {"+-2", {}},        {"2.5", {}}, {"0x10", {}}, {"99999999999999999999", {}},
        {"4294967296", {}},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(parseFrameCount(QByteArray(text)), expected) << text;
}

TEST(RenderToolsTest, FrameNumbersHaveAtLeastThreeDigits) {
    EXPECT_EQ(frameFileName(u"light"_s, 0), u"frame-light-000.png"_s);
    EXPECT_EQ(frameFileName(u"dark"_s, 7), u"frame-dark-007.png"_s);
    EXPECT_EQ(frameFileName(u"light"_s, 999), u"frame-light-999.png"_s);
    EXPECT_EQ(frameFileName(u"light"_s, 1000), u"frame-light-1000.png"_s);
}

} // namespace
