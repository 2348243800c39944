#include "tilewick/visuals/InterFont.h"
#include "support/SimPlatformTest.h"

#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QRawFont>
#include <QTemporaryDir>
#include <QTextLayout>

#include <set>

namespace {

using namespace tilewick;
using InterFonts = SimPlatformTest;

static_assert(isInterWeight(517) && !isInterWeight(601), "weights are checked when the program compiles");

void touch(const QString& path) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
}

TEST_F(InterFonts, SameSizeAndWeightGiveTheSameFont) {
    const QFont& first = interFont(13, 600);
    const QFont& again = interFont(13, 600);
    EXPECT_EQ(&first, &again);
    EXPECT_TRUE(InterFontLibrary::shared().cacheKeys().contains("13.0:600.0"));

    const QFont& heavier = interFont(13, 650);
    EXPECT_NE(&first, &heavier);
    EXPECT_EQ(QFontInfo(heavier).family(), "Inter W650");
    const QFont& larger = interFont(14, 600);
    EXPECT_NE(&first, &larger);
}

TEST(InterFontKey, WritesEachNumberInItsShortestExactForm) {
    EXPECT_EQ(interFontKey(13, 600), "13.0:600.0");
    EXPECT_EQ(interFontKey(11.5, 500), "11.5:500.0");
    EXPECT_EQ(interFontKey(12.5, 450), "12.5:450.0");
    EXPECT_EQ(interFontKey(0.1, 340), "0.1:340.0");
    // Never an exponent, however large or small the number.
    EXPECT_EQ(interFontKey(100000, 1000000), "100000.0:1000000.0");
    EXPECT_EQ(interFontKey(0.0001, 12.25), "0.0001:12.25");
    EXPECT_NE(interFontKey(13, 600), interFontKey(13, 601));
}

// Every weight the code can ask for must have its static instance in the application folder,
// registered under its own family and drawn at its own weight.
TEST_F(InterFonts, EveryWeightTheProgramUsesHasItsInstance) {
    QFile list(TILEWICK_SOURCE_DIR "/resources/fonts/weights.txt");
    ASSERT_TRUE(list.open(QIODevice::ReadOnly | QIODevice::Text));
    std::set<int> built;
    while (!list.atEnd()) {
        bool number = false;
        const int weight = QString::fromUtf8(list.readLine()).trimmed().toInt(&number);
        if (number)
            built.insert(weight);
    }
    EXPECT_EQ(std::set<int>(kInterWeights.begin(), kInterWeights.end()), built)
        << "kInterWeights and resources/fonts/weights.txt must list the same weights";

    ASSERT_TRUE(InterFontLibrary::shared().registerFonts());
    const QDir fonts(InterFontLibrary::shared().fontsFolder());
    qreal previousAdvance = 0;
    for (int weight : kInterWeights) {
        SCOPED_TRACE(weight);
        EXPECT_TRUE(fonts.exists(QStringLiteral("InterW%1.ttf").arg(weight)));
        const QFont& font = InterFontLibrary::shared().font(13, weight);
        const QFontInfo info(font);
        EXPECT_EQ(info.family(), interFamily(weight));
        EXPECT_EQ(info.weight(), weight);
        EXPECT_EQ(info.pixelSize(), 13);
        // Heavier Inter runs wider: each instance really is drawn at its own weight.
        const qreal advance = QFontMetricsF(font).horizontalAdvance("Tilewick Hamburgefonstiv");
        EXPECT_GT(advance, previousAdvance);
        previousAdvance = advance;
    }
}

TEST(InterFontLibrary, WithoutFontFilesGivesTheSystemFontAndRegistersOnce) {
    QTemporaryDir resources;
    InterFontLibrary library(resources.path());
    const QFont& font = library.font(13, 600);
    library.font(11.5, 500);
    EXPECT_EQ(&library.font(13, 600), &font);
    EXPECT_EQ(library.registrationCount(), 1);
    EXPECT_TRUE(library.fontsFolder().isEmpty());
    EXPECT_EQ(font.family(), QFontDatabase::systemFont(QFontDatabase::GeneralFont).family());
    EXPECT_EQ(QFontInfo(font).pixelSize(), 13);
    EXPECT_EQ(library.cacheKeys(), QStringList({"11.5:500.0", "13.0:600.0"}));
}

// A window drawn at a new scale asks for new sizes: a trim lets go of those not asked for since
// the trim before, so a resize does not keep a font for every size it passed through.
TEST(InterFontLibrary, ATrimKeepsTheSizesAskedForSinceTheTrimBefore) {
    QTemporaryDir resources;
    InterFontLibrary library(resources.path());
    library.font(13, 600);
    library.font(17.25, 600);
    library.trim();
    EXPECT_EQ(library.cacheKeys(), QStringList({"13.0:600.0", "17.25:600.0"}));
    library.font(13, 600);
    library.font(9, 400);
    library.trim();
    EXPECT_EQ(library.cacheKeys(), QStringList({"13.0:600.0", "9.0:400.0"}));
    library.release();
    EXPECT_TRUE(library.cacheKeys().isEmpty());
}

TEST(InterFontLibrary, LooksInFontsFirstAndInTheResourceBundleOnlyWhenItIsThere) {
    QTemporaryDir resources;
    const QDir root(resources.path());
    {
        InterFontLibrary library(root.path());
        library.registerFonts();
        EXPECT_TRUE(library.fontsFolder().isEmpty());
    }
    {
        // A resource bundle without the font is no place to find it.
        root.mkpath("Tilewick_Tilewick.bundle");
        InterFontLibrary library(root.path());
        library.registerFonts();
        EXPECT_TRUE(library.fontsFolder().isEmpty());
    }
    touch(root.filePath("Tilewick_Tilewick.bundle/Fonts/InterVariable.ttf"));
    {
        InterFontLibrary library(root.path());
        library.registerFonts();
        EXPECT_EQ(library.fontsFolder(), root.filePath("Tilewick_Tilewick.bundle/Fonts"));
    }
    touch(root.filePath("Fonts/InterVariable.ttf"));
    {
        InterFontLibrary library(root.path());
        library.registerFonts();
        EXPECT_EQ(library.fontsFolder(), root.filePath("Fonts"));
    }
}

TEST_F(InterFonts, FamiliesAlreadyAvailableCountAsRegistered) {
    interFont(12, 400); // the application folder's fonts are registered now
    QTemporaryDir resources;
    touch(QDir(resources.path()).filePath("Fonts/InterVariable.ttf")); // not a font: registration fails
    InterFontLibrary library(resources.path());
    EXPECT_TRUE(library.registerFonts());
    EXPECT_EQ(QFontInfo(library.font(13, 517)).family(), "Inter W517");
}

// The program registers the fonts on a thread of its own while it starts: the first font asked
// for waits for them, and a folder without fonts still gives the system font.
TEST_F(InterFonts, FontsRegisteredInTheBackgroundAreWaitedFor) {
    InterFontLibrary library(TILEWICK_TEST_APP_DIR "/Contents/Resources");
    library.registerFontsInBackground();
    library.registerFontsInBackground();
    EXPECT_EQ(QFontInfo(library.font(13, 720)).family(), "Inter W720");
    EXPECT_TRUE(library.registerFonts());
    EXPECT_EQ(library.registrationCount(), 1);
    library.endBackgroundRegistration();

    QTemporaryDir empty;
    InterFontLibrary none(empty.path());
    none.registerFontsInBackground();
    EXPECT_EQ(none.font(13, 720).family(), QFontDatabase::systemFont(QFontDatabase::GeneralFont).family());
    EXPECT_FALSE(none.registerFonts());
}

// No system font is sure to have the globe a hotkey shows for the fn key: text in the interface
// font draws it from the bundled font made of our own symbol drawing, not as a missing-glyph box.
TEST_F(InterFonts, TextWithTheGlobeDrawsItFromTheBundledSymbolFont) {
    QTextLayout layout(QStringLiteral("⌃⌥⌘ and 🌐"), interFont(14, 400));
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    QStringList families;
    for (const QGlyphRun& run : layout.glyphRuns())
        families << run.rawFont().familyName();
    EXPECT_TRUE(families.contains(symbolFamily())) << families.join(", ").toStdString();
    EXPECT_TRUE(families.contains(interFamily(400))) << families.join(", ").toStdString();
}

} // namespace
