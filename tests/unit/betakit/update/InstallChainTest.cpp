#include "betakit/update/UpdateModel.h"

#include "AppFixture.h"
#include "UpdateTestSupport.h"

#include "betakit/update/CodeSignature.h"
#include "betakit/update/UpdateLeftovers.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>

namespace {

using betakit::CodeSignature;
using betakit::UpdateModel;
using Stage = betakit::UpdateModel::Stage;

// The whole chain behind "Download" against the loopback server: the running application is a
// signed build 119 in <root>/Apps (its helpers are the built ones), the server offers a signed
// and notarised build 124, and the "program" the swap waits for is a child process of the test.
class InstallChain : public UpdaterTest {
protected:
    void SetUp() override {
        UpdaterTest::SetUp();
        apps = paths().root() + "/Apps";
        target = apps + "/Tilewick.app";
        launches = paths().root() + "/launches.log";
        makeApp(target, "com.corvane.tilewick", "119", launches);
        ASSERT_EQ(CodeSignature::sign(target, developerKey()), "");
        // Only the installed folder's requirement is read, so its helpers may be the built ones.
        for (const char* tool : {"ditto", "spctl", "mv"})
            QFile::link(QStringLiteral(TILEWICK_TEST_APP_DIR "/Contents/bin/") + tool,
                        target + "/Contents/bin/" + tool);
        bundle().setBundlePath(target);
        bundle().setBuild("119");

        const QString fresh = paths().root() + "/new/Tilewick.app";
        makeApp(fresh, "com.corvane.tilewick", "124", launches);
        ASSERT_EQ(CodeSignature::sign(fresh, developerKey()), "");
        ASSERT_EQ(CodeSignature::notarize(fresh, buildNotaryKey()), "");
        ZipWriter zip;
        zip.addTree(fresh);
        archive = zip.bytes();
        server.serve("/Tilewick-124.zip", {200, archive});

        UpdateModel::setProcessForTesting({[this] { return program.pid(); },
                                           [this] {
                                               ++terminations;
                                               program.end();
                                           }});
        model = std::make_unique<UpdateModel>(configuration(), Stage::available(offer()));
        QObject::connect(model.get(), &UpdateModel::stageChanged,
                         [this] { stages.push_back(model->stage()); });
    }

    betakit::UpdateFeed offer(const QString& path = "/Tilewick-124.zip") const {
        const QString digest =
            QString::fromLatin1(QCryptographicHash::hash(archive, QCryptographicHash::Sha256).toHex());
        return feed("124", server.url(path).toString(), archive.size(), digest);
    }
    QStringList archives() { return QDir(paths().temporary()).entryList({"beta-update-*.zip"}, QDir::Files); }
    QStringList besideTheApp() const {
        return QDir(apps).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }

    QString apps, target, launches;
    QByteArray archive;
    LivingProcess program;
    int terminations = 0;
    std::unique_ptr<UpdateModel> model;
    std::vector<Stage> stages;
};

TEST_F(InstallChain, DownloadsVerifiesSwapsAndReopensTheNewBuild) {
    QuickSleep sleep(paths().root() + "/quick");
    model->startDownload(offer());
    EXPECT_EQ(model->stage(), Stage::downloading(0, archive.size()));
    ASSERT_TRUE(pumpUntil([&] { return terminations == 1; }));
    EXPECT_EQ(model->stage(), Stage::installing());
    for (const Stage& stage : stages) {
        if (stage.kind() == Stage::Case::Downloading) {
            EXPECT_EQ(stage.total(), archive.size());
        }
    }
    EXPECT_EQ(stages[stages.size() - 2], Stage::downloading(archive.size(), archive.size()));
    EXPECT_EQ(loggedEvents(),
              QStringList({"beta.update_download build=124", "beta.update_installing build=124"}));
    EXPECT_TRUE(archives().isEmpty());

    ASSERT_TRUE(waitForOutside([&] { return readFile(launches).endsWith('\n'); }));
    EXPECT_EQ(readFile(launches), "launched 124 from " + QFile::encodeName(target) + "/Contents/bin\n");
    EXPECT_EQ(readFile(target + "/Contents/Resources/notes.txt"), "Build 124\n");
    EXPECT_EQ(besideTheApp(), QStringList{"Tilewick.app"});
}

TEST_F(InstallChain, AWindowCanStartTheDownloadOfAnOfferAsItIsShown) {
    QuickSleep sleep(paths().root() + "/quick");
    server.serve("/updates/tile-wick.json",
                 {200, UpdaterTest::feedJson("124", offer().latest.url.toString(), archive.size(),
                                             offer().latest.sha256)});
    model = std::make_unique<UpdateModel>(configuration(), Stage::checking());
    // The feed handed on lives in the stage that startDownload() replaces.
    QObject::connect(model.get(), &UpdateModel::stageChanged, [this] {
        if (model->stage().kind() == Stage::Case::Available)
            model->startDownload(*model->stage().feed());
    });
    model->runCheck();
    ASSERT_TRUE(pumpUntil([&] { return terminations == 1; }));
    EXPECT_EQ(model->offered()->latest.build, "124");
    ASSERT_TRUE(waitForOutside([&] { return readFile(launches).endsWith('\n'); }));
    EXPECT_EQ(readFile(target + "/Contents/Resources/notes.txt"), "Build 124\n");
}

TEST_F(InstallChain, WithoutALengthTheFeedsSizeIsTheTotal) {
    server.serve("/Tilewick-124.zip", {200, archive, false});
    model->startDownload(offer());
    ASSERT_TRUE(pumpUntil([&] { return terminations == 1; }));
    for (const Stage& stage : stages) {
        if (stage.kind() == Stage::Case::Downloading) {
            EXPECT_EQ(stage.total(), archive.size());
        }
    }
}

TEST_F(InstallChain, ACancelWhileDownloadingGoesBackToTheOfferAndLogsNoFailure) {
    server.serve("/Tilewick-124.zip", {200, archive, true, 1000});
    model->startDownload(offer());
    ASSERT_TRUE(pumpUntil([&] { return model->stage() == Stage::downloading(1000, archive.size()); }));
    model->cancelTask();
    ASSERT_TRUE(pumpUntil([&] { return model->stage().kind() == Stage::Case::Available; }));
    EXPECT_EQ(model->stage(), Stage::available(offer()));
    pumpBriefly(); // a progress report still under way does not bring the download back
    EXPECT_EQ(model->stage(), Stage::available(offer()));
    EXPECT_TRUE(loggedEvents("beta.update_failed").isEmpty());
    EXPECT_TRUE(archives().isEmpty());
    EXPECT_EQ(terminations, 0);
}

TEST_F(InstallChain, ALaterStartLeavesTheFilesOfADownloadUnderWayAndRemovesThemOnceItEnds) {
    server.serve("/Tilewick-124.zip", {200, archive, true, 1000});
    model->startDownload(offer());
    ASSERT_TRUE(pumpUntil([&] { return model->stage() == Stage::downloading(1000, archive.size()); }));
    writeFile(apps + "/.Tilewick-update-0B1C2D3E/x", "killed while unpacking");
    EXPECT_FALSE(betakit::removeUpdateLeftovers(paths().temporary(), target));
    EXPECT_EQ(archives().size(), 1);
    model->cancelTask();
    ASSERT_TRUE(pumpUntil([&] { return model->stage().kind() == Stage::Case::Available; }));
    EXPECT_TRUE(betakit::removeUpdateLeftovers(paths().temporary(), target));
    EXPECT_EQ(besideTheApp(), QStringList{"Tilewick.app"});
}

TEST_F(InstallChain, ACancelJustAfterTheDownloadFinishedWins) {
    model->startDownload(offer());
    // The transfer has ended once its idle check is gone; what follows waits for the runtime.
    QDeadlineTimer deadline(10000);
    while (runtime().pendingTimers() > 0 && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    ASSERT_EQ(archives().size(), 1);
    model->cancelTask();
    runtime().runUntilIdle();
    EXPECT_EQ(model->stage(), Stage::available(offer()));
    EXPECT_TRUE(archives().isEmpty());
    EXPECT_TRUE(loggedEvents("beta.update_failed").isEmpty());
    EXPECT_EQ(besideTheApp(), QStringList{"Tilewick.app"});
    EXPECT_EQ(terminations, 0);
}

TEST_F(InstallChain, ACancelWhileInstallingDoesNotStopIt) {
    QuickSleep sleep(paths().root() + "/quick");
    QObject::connect(model.get(), &UpdateModel::stageChanged, [this] {
        if (model->stage().kind() == Stage::Case::Installing)
            model->cancelTask();
    });
    model->startDownload(offer());
    ASSERT_TRUE(pumpUntil([&] { return terminations == 1; }));
    ASSERT_TRUE(waitForOutside([&] { return readFile(launches).endsWith('\n'); }));
    EXPECT_EQ(readFile(target + "/Contents/Resources/notes.txt"), "Build 124\n");
}

TEST_F(InstallChain, FailuresAreLoggedAndShownWithTheFeedAndLeaveNothing) {
    const std::vector<std::tuple<const char*, betakit::UpdateFeed, QString>> cases{
        {"not on the server", offer("/missing.zip"), "The download server answered 404."},
        {"another digest",
         [&] {
             auto wrong = offer();
             wrong.latest.sha256 = QString(64, u'0');
             return wrong;
         }(),
         "The download didn’t arrive intact. Please try again."},
        {"an older build in the archive (rollback)",
         [&] {
             auto newer = offer();
             newer.latest.build = "200";
             return newer;
         }(),
         "The download isn’t the build it should be. Please try again later."},
    };
    for (const auto& [what, offered, sentence] : cases) {
        model->setStage(Stage::available(offered));
        model->startDownload(offered);
        ASSERT_TRUE(pumpUntil([&] { return model->stage().kind() == Stage::Case::Failed; })) << what;
        EXPECT_EQ(model->stage(), Stage::failed(sentence, offered)) << what;
        EXPECT_TRUE(archives().isEmpty()) << what;
        EXPECT_EQ(besideTheApp(), QStringList{"Tilewick.app"}) << what;
    }
    EXPECT_EQ(loggedEvents("beta.update_failed").size(), 3);
    EXPECT_EQ(loggedEvents("beta.update_download"),
              QStringList({"beta.update_download build=124", "beta.update_download build=124",
                           "beta.update_download build=200"}));
    EXPECT_EQ(terminations, 0);
}

} // namespace
