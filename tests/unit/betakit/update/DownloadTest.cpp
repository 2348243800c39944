#include "betakit/update/BetaDownload.h"

#include "AppFixture.h"
#include "UpdateTestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QRegularExpression>

namespace {

using betakit::UpdateError;
using betakit::UpdateResult;
using betakit::VeldorBeta;

class Download : public UpdaterTest {
protected:
    void SetUp() override {
        UpdaterTest::SetUp();
        body = QByteArray(300000, 'z');
    }
    std::optional<UpdateResult<QString>> download(const QString& path) {
        std::optional<UpdateResult<QString>> result;
        task = VeldorBeta::downloadForCheck(
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
        server.url("/stall.zip"), [&](qint64 r, qint64) { received = r; },
        [&](UpdateResult<QString> r) { result.emplace(std::move(r)); });
    pumpUntil([&] { return received == 1000; });
    EXPECT_EQ(archives().size(), 1); // being written
    runtime().advance(59.9);
    pumpBriefly();
    EXPECT_FALSE(result.has_value());
    runtime().advance(0.1);
    pumpUntil([&] { return result.has_value(); });
    EXPECT_EQ(VeldorBeta::updateErrorText(result->error()),
              "Couldn’t reach veldorpellrath.example. Check your internet connection and try again.");
    EXPECT_TRUE(archives().isEmpty());

    // Cancelled mid-download.
    result.reset();
    received = 0;
    task = betakit::BetaDownload::fetch(
        server.url("/stall.zip"), [&](qint64 r, qint64) { received = r; },
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
        server.url("/a.zip"), nullptr, [&](UpdateResult<QString> r) { result.emplace(std::move(r)); }, 1000);
    pumpUntil([&] { return result.has_value(); });
    EXPECT_EQ(result->error(), UpdateError::beta("The download didn’t arrive intact. Please try again."));
    EXPECT_TRUE(archives().isEmpty());
}

TEST_F(Download, OnlyWebAddressesAreDownloaded) {
    for (const QString& address : {QString("file:///etc/passwd"), QString("ftp://127.0.0.1/a.zip")}) {
        std::optional<UpdateResult<QString>> result;
        task = VeldorBeta::downloadForCheck(QUrl(address), nullptr,
                                            [&](UpdateResult<QString> r) { result.emplace(std::move(r)); });
        pumpUntil([&] { return result.has_value(); });
        EXPECT_TRUE(result->error().description().contains("isn’t an http or https address"));
    }
    EXPECT_TRUE(archives().isEmpty());
}

} // namespace
