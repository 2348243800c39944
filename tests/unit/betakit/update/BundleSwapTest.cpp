#include "betakit/update/BundleSwap.h"
#include "betakit/update/UpdateLeftovers.h"

#include "AppFixture.h"

#include "support/SimPlatformTest.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QRegularExpression>

#include <csignal>
#include <unistd.h>

namespace {

using betakit::kSwapScript;
using betakit::stagingRoot;

TEST(SwapScript, IsSixLinesOfExactlyThreeHundredTwentyCharacters) {
    EXPECT_EQ(kSwapScript.size(), 320);
    const QStringList lines = kSwapScript.split('\n');
    ASSERT_EQ(lines.size(), 6);
    EXPECT_FALSE(kSwapScript.endsWith('\n'));
    EXPECT_EQ(lines[0], R"(pid="$1"; target="$2"; staged="$3"; staging="$4")");
    EXPECT_EQ(
        lines[3],
        R"(  if mv "$staged" "$target"; then rm -rf "$staging"; else mv "$staging/previous.app" "$target"; fi)");
    EXPECT_EQ(lines[5], R"([ "$5" = reopen ] && open "$target")");
}

class BundleSwap : public SimPlatformTest {
protected:
    void SetUp() override {
        SimPlatformTest::SetUp();
        root = paths().root() + "/My Apps";
        target = root + "/Tilewick.app";
        staging = root + "/.Tilewick-update-1A2B3C4D";
        staged = staging + "/Tilewick.app";
        launches = paths().root() + "/launches.log";
        makeApp(target, "com.corvane.tilewick", "119", launches);
        makeApp(staged, "com.corvane.tilewick", "124", launches);
    }
    QString build(const QString& app) {
        return QString::fromUtf8(readFile(app + "/Contents/Resources/notes.txt"));
    }
    QStringList temporaryFiles() {
        return QDir(paths().temporary()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    }

    QString root, target, staging, staged, launches;
};

TEST_F(BundleSwap, TheStagingRootIsTheFolderBesideTheTargetThatHoldsTheStagedApplication) {
    EXPECT_EQ(stagingRoot(staged, target), staging);
    makeApp(staging + "/Tilewick 1.124/Tilewick.app", "com.corvane.tilewick", "124");
    EXPECT_EQ(stagingRoot(staging + "/Tilewick 1.124/Tilewick.app", target), staging);
    // Beside the target itself, elsewhere, inside the target, the target itself, a link to it.
    EXPECT_EQ(stagingRoot(root + "/Other.app", target), std::nullopt);
    EXPECT_EQ(stagingRoot(paths().root() + "/elsewhere/x/Tilewick.app", target), std::nullopt);
    EXPECT_EQ(stagingRoot(target + "/Contents/Tilewick.app", target), std::nullopt);
    QFile::link(target, root + "/.link");
    EXPECT_EQ(stagingRoot(root + "/.link/Tilewick.app", target), std::nullopt);
}

TEST_F(BundleSwap, NoStagingRootIsRefusedBeforeAnythingIsWritten) {
    const auto error =
        betakit::launchSwapScript(platform(), target + "/Contents/Tilewick.app", target, 999999, true);
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->description(),
              "The new build isn’t in a staging folder beside the app, so it wasn’t installed.");
    EXPECT_TRUE(temporaryFiles().isEmpty());
    EXPECT_EQ(build(target), "Build 119\n");
}

TEST_F(BundleSwap, AfterAProcessThatIsGoneTheSwapIsAtOnceAndOpensNothing) {
    LivingProcess gone;
    const qint64 pid = gone.pid();
    gone.end();
    ASSERT_EQ(betakit::launchSwapScript(platform(), staged, target, pid, false), std::nullopt);
    ASSERT_TRUE(waitForOutside([&] { return !QFileInfo::exists(staging); }));
    EXPECT_EQ(build(target), "Build 124\n");
    EXPECT_EQ(QDir(root).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{"Tilewick.app"});
    EXPECT_FALSE(QFileInfo::exists(launches));
    // The script stays in the temporary folder; nothing else of ours is there but its `open`.
    const QStringList left = temporaryFiles();
    ASSERT_EQ(left.size(), 2);
    EXPECT_TRUE(left[0].contains(QRegularExpression("^beta-update-[0-9A-F-]{36}\\.bin$")));
    EXPECT_TRUE(left[1].contains(QRegularExpression("^beta-update-[0-9A-F-]{36}\\.sh$")));
    EXPECT_EQ(readFile(paths().temporary() + "/" + left[1]), kSwapScript.toUtf8());
}

TEST_F(BundleSwap, TheSwapWaitsForTheProcessThenReopensTheNewBuild) {
    QuickSleep sleep(paths().root() + "/quick");
    LivingProcess program;
    ASSERT_EQ(betakit::launchSwapScript(platform(), staged, target, program.pid(), true), std::nullopt);
    ASSERT_TRUE(waitForOutside([&] { return sleep.polls() >= 3; }));
    EXPECT_EQ(build(target), "Build 119\n");
    program.end();
    ASSERT_TRUE(waitForOutside([&] { return readFile(launches).endsWith('\n'); }));
    EXPECT_EQ(readFile(launches), "launched 124 from " + QFile::encodeName(target) + "/Contents/bin\n");
    EXPECT_FALSE(QFileInfo::exists(staging));
}

TEST_F(BundleSwap, AFailedMoveLeavesTheOldBuildInPlaceAndReopensIt) {
    const std::vector<std::pair<const char*, std::function<void()>>> failures{
        {"the old folder can't be moved aside", [&] { QDir(staging).removeRecursively(); }},
        {"the new folder can't be moved in", [&] { QDir(staged).removeRecursively(); }},
    };
    for (const auto& [what, fail] : failures) {
        QFile::remove(launches);
        makeApp(staged, "com.corvane.tilewick", "124", launches);
        QuickSleep sleep(paths().root() + "/quick");
        LivingProcess program;
        ASSERT_EQ(betakit::launchSwapScript(platform(), staged, target, program.pid(), true), std::nullopt);
        ASSERT_TRUE(waitForOutside([&] { return sleep.polls() >= 1; }));
        fail();
        program.end();
        ASSERT_TRUE(waitForOutside([&] { return readFile(launches).endsWith('\n'); })) << what;
        EXPECT_EQ(readFile(launches), "launched 119 from " + QFile::encodeName(target) + "/Contents/bin\n")
            << what;
        EXPECT_EQ(build(target), "Build 119\n") << what;
        EXPECT_FALSE(QFileInfo::exists(staging + "/previous.app")) << what;
    }
}

// A kill -9 in the middle of the swap: its `mv` stops itself between its two steps, and the test
// kills it (or the whole script) there.
TEST_F(BundleSwap, AKillBetweenTheTwoStepsLeavesAnApplicationFolderAndNextStartRemovesTheRest) {
    struct Way {
        const char* what;
        bool exchange;
        bool wholeScript;
    };
    for (const Way way :
         {Way{"exchanged, the script killed", true, true}, Way{"exchanged, its mv killed", true, false},
          Way{"renamed twice, its mv killed", false, false}}) {
        SCOPED_TRACE(way.what);
        QDir(target).removeRecursively();
        QDir(staging).removeRecursively();
        QFile::remove(launches);
        makeApp(target, "com.corvane.tilewick", "119", launches);
        makeApp(staged, "com.corvane.tilewick", "124", launches);
        const QString paused = paths().root() + "/paused";
        QFile::remove(paused);
        qputenv("BETAKIT_TEST_SWAP_PAUSE", QFile::encodeName(paused));
        if (!way.exchange)
            qputenv("BETAKIT_TEST_NO_EXCHANGE", "1");
        LivingProcess gone;
        const qint64 pid = gone.pid();
        gone.end();
        ASSERT_EQ(betakit::launchSwapScript(platform(), staged, target, pid, true), std::nullopt);
        qunsetenv("BETAKIT_TEST_SWAP_PAUSE");
        qunsetenv("BETAKIT_TEST_NO_EXCHANGE");
        ASSERT_TRUE(waitForOutside([&] { return readFile(paused).endsWith('\n'); }));
        const pid_t mv = pid_t(readFile(paused).trimmed().toInt());
        // Exchanged, the new build is in place before the old one goes aside; renamed, it is not.
        if (way.exchange)
            EXPECT_EQ(build(target), "Build 124\n");
        else
            EXPECT_FALSE(QFileInfo::exists(target));
        // A swap that runs is no leftover.
        EXPECT_FALSE(betakit::removeUpdateLeftovers(paths().temporary(), target));
        EXPECT_TRUE(QFileInfo::exists(staging));

        ASSERT_EQ(kill(way.wholeScript ? -getpgid(mv) : mv, SIGKILL), 0);
        if (!way.wholeScript) {
            // The script goes on and opens the folder, the repaired one included, which then
            // holds the new build; the script and its helpers go.
            ASSERT_TRUE(waitForOutside([&] { return readFile(launches).endsWith('\n'); }));
            EXPECT_EQ(readFile(launches),
                      "launched 124 from " + QFile::encodeName(target) + "/Contents/bin\n");
        }
        EXPECT_EQ(build(target), "Build 124\n");
        // The next start removes the staging folder with the old build, and what the killed
        // script left in the temporary folder.
        ASSERT_TRUE(
            waitForOutside([&] { return betakit::removeUpdateLeftovers(paths().temporary(), target); }));
        EXPECT_EQ(QDir(root).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                  QStringList{"Tilewick.app"});
        EXPECT_EQ(temporaryFiles(), QStringList());
        EXPECT_EQ(build(target), "Build 124\n");
    }
}

} // namespace
