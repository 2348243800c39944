#include "betakit/update/BetaDownload.h"
#include "betakit/update/UpdateModel.h"

#include "AppFixture.h"
#include "UpdateTestSupport.h"

#include "support/FillableFolder.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QNetworkReply>
#include <QRegularExpression>

namespace {

using betakit::UpdateError;
using betakit::UpdateResult;

class Download : public UpdaterTest {
protected:
    void SetUp() override {
        UpdaterTest::SetUp();
        body = QByteArray(300000, 'z');
    }
    std::optional<UpdateResult<QString>> download(const QString& path) {
        std::optional<UpdateResult<QString>> result;
        task = downloadForCheck(
            server.url(path), [this](double fraction) { fractions.push_back(fraction); },
            [&](UpdateResult<QString> r) { result.emplace(std::move(r)); });
        pumpUntil([&] { return result.has_value(); });
        return result;
    }
    // The archives in the temporary folder.
    QStringList archives() {
        return QDir(paths().temporary()).entryList({"beta-update-*.zip"}, QDir::Files | QDir::Hidden);
    }

    QByteArray body;
    std::vector<double> fractions;
    std::shared_ptr<betakit::UpdateTask> task;
};

TEST_F(Download, TheArchiveGoesToANewFileInTheTemporaryFolder) {
    server.serve("/a.zip", {200, body});
    const auto result = download("/a.zip");
    ASSERT_TRUE(result && result->ok()) << qPrintable(result->error().description());
    EXPECT_TRUE(QFileInfo(result->value())
                    .fileName()
                    .contains(QRegularExpression(
                        "^beta-update-[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\\.zip$")))
        << qPrintable(result->value());
    EXPECT_EQ(QFileInfo(result->value()).path(), paths().temporary());
    EXPECT_EQ(readFile(result->value()), body);
    ASSERT_FALSE(fractions.empty());
    EXPECT_DOUBLE_EQ(fractions.back(), 1.0);
    EXPECT_TRUE(std::is_sorted(fractions.begin(), fractions.end()));
    EXPECT_EQ(server.requests()[0].headers.value("user-agent"), "VeldorBetaKit/1");
}

TEST_F(Download, WithoutALengthNoFractionIsReportedAndTheFileStillComes) {
    server.serve("/a.zip", {200, body, false});
    const auto result = download("/a.zip");
    ASSERT_TRUE(result && result->ok());
    EXPECT_EQ(readFile(result->value()), body);
    EXPECT_TRUE(fractions.empty());
}

TEST_F(Download, AFailedDownloadLeavesNoArchive) {
    server.serve("/missing.zip", {404, "not here"});
    auto result = download("/missing.zip");
    ASSERT_TRUE(result && !result->ok());
    EXPECT_EQ(result->error(), UpdateError::beta("The download server answered 404."));
    EXPECT_TRUE(archives().isEmpty());

    // A server that stalls mid-download: the idle time-out ends it after 60 s without a byte.
    server.serve("/stall.zip", {200, body, true, 1000});
    result.reset();
    qint64 received = 0;
    task = betakit::BetaDownload::fetch(
        platform(), server.url("/stall.zip"), [&](qint64 r, qint64) { received = r; },
        [&](UpdateResult<QString> r) { result.emplace(std::move(r)); });
    pumpUntil([&] { return received == 1000; });
    EXPECT_EQ(archives().size(), 1); // being written
    runtime().advance(59.9);
    pumpBriefly();
    EXPECT_FALSE(result.has_value());
    runtime().advance(0.1);
    pumpUntil([&] { return result.has_value(); });
    EXPECT_EQ(betakit::updateErrorText(result->error()),
              "Couldn’t reach veldorpellrath.example. Check your internet connection and try again.");
    EXPECT_TRUE(archives().isEmpty());

    // Cancelled mid-download.
    result.reset();
    received = 0;
    task = betakit::BetaDownload::fetch(
        platform(), server.url("/stall.zip"), [&](qint64 r, qint64) { received = r; },
        [&](UpdateResult<QString> r) { result.emplace(std::move(r)); });
    pumpUntil([&] { return received == 1000; });
    task->cancel();
    pumpUntil([&] { return result.has_value(); });
    EXPECT_TRUE(result->error().isCancellation());
    EXPECT_TRUE(archives().isEmpty());
}

TEST_F(Download, ABodyLargerThanAnnouncedIsStoppedAsDamaged) {
    server.serve("/a.zip", {200, body, false});
    std::optional<UpdateResult<QString>> result;
    task = betakit::BetaDownload::fetch(
        platform(), server.url("/a.zip"), nullptr,
        [&](UpdateResult<QString> r) { result.emplace(std::move(r)); }, 1000);
    pumpUntil([&] { return result.has_value(); });
    EXPECT_EQ(result->error(), UpdateError::beta("The download didn’t arrive intact. Please try again."));
    EXPECT_TRUE(archives().isEmpty());
}

TEST_F(Download, OnlyWebAddressesAreDownloaded) {
    for (const QString& address : {QString("file:///etc/passwd"), QString("ftp://127.0.0.1/a.zip")}) {
        std::optional<UpdateResult<QString>> result;
        task = downloadForCheck(QUrl(address), nullptr,
                                [&](UpdateResult<QString> r) { result.emplace(std::move(r)); });
        pumpUntil([&] { return result.has_value(); });
        EXPECT_TRUE(result->error().description().contains("isn’t an http or https address"));
    }
    EXPECT_TRUE(archives().isEmpty());
}

// A server that sends a byte now and then never looks idle, yet would never finish: it fails as
// a stalled one does, a minute after the last time enough arrived.
TEST_F(Download, AServerThatDripsFailsAsAStalledOneDoes) {
    server.serve("/drip.zip", {200, body, true, 0});
    std::optional<UpdateResult<QString>> result;
    qint64 received = 0;
    task = betakit::BetaDownload::fetch(
        platform(), server.url("/drip.zip"), [&](qint64 r, qint64) { received = r; },
        [&](UpdateResult<QString> r) { result.emplace(std::move(r)); });
    pumpUntil([&] { return server.requests().size() == 1; });
    pumpBriefly();
    for (int drop = 1; drop <= 2; ++drop) {
        runtime().advance(25);
        server.sendMore("z");
        pumpUntil([&] { return received == drop; });
    }
    EXPECT_FALSE(result.has_value());
    runtime().advance(10);
    ASSERT_TRUE(pumpUntil([&] { return result.has_value(); }));
    EXPECT_EQ(result->error(), UpdateError::network(QNetworkReply::TimeoutError, "The request timed out."));
    EXPECT_TRUE(archives().isEmpty());
}

// The announced size is checked before anything is asked: past what an update may unpack to, or
// past the free space of the temporary folder, nothing is downloaded.
TEST_F(Download, AnArchiveTooLargeOrWithoutRoomIsNotAskedFor) {
    server.serve("/a.zip", {200, body});
    const auto fetch = [&](qint64 announced) {
        std::optional<UpdateResult<QString>> result;
        task = betakit::BetaDownload::fetch(
            platform(), server.url("/a.zip"), nullptr,
            [&](UpdateResult<QString> r) { result.emplace(std::move(r)); }, announced);
        pumpUntil([&] { return result.has_value(); });
        return result;
    };
    EXPECT_EQ(fetch(5'000'000'000)->error(),
              UpdateError::beta("The new build is larger than an update can be, so it wasn’t downloaded."));

    FillableFolder disk(FillableFolder::Kind::Tmpfs);
    if (!disk.unavailable().empty())
        GTEST_SKIP() << disk.unavailable();
    QDir(paths().temporary()).removeRecursively();
    ASSERT_TRUE(QFile::link(disk.path(), paths().temporary()));
    disk.setFull(true);
    EXPECT_EQ(fetch(body.size())->error(),
              UpdateError::beta("There’s not enough disk space to download the new build."));
    EXPECT_TRUE(server.requests().isEmpty());
    QFile::remove(paths().temporary());
}

TEST_F(Download, ADiskThatFillsIsSaidInWords) {
    server.serve("/a.zip", {200, body});
    FillableFolder disk(FillableFolder::Kind::FileSizeLimit, 100'000);
    disk.setFull(true);
    std::optional<UpdateResult<QString>> result;
    task = betakit::BetaDownload::fetch(
        platform(), server.url("/a.zip"), nullptr,
        [&](UpdateResult<QString> r) { result.emplace(std::move(r)); }, body.size());
    pumpUntil([&] { return result.has_value(); });
    disk.setFull(false);
    EXPECT_EQ(betakit::updateErrorText(result->error()),
              "There’s not enough disk space to download the new build.");
    EXPECT_TRUE(archives().isEmpty());
}

} // namespace
