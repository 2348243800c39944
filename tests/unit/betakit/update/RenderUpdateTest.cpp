#include "betakit/update/RunningSystem.h"
#include "betakit/update/UpdateView.h"

#include "UpdateTestSupport.h"

#include "support/Golden.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

using betakit::UpdateModel;
using betakit::UpdateView;
using betakit::VeldorBeta;
using Stage = betakit::UpdateModel::Stage;

// The kit draws with the Inter instances the program registers; here the build's own.
void registerBundledFonts() {
    static const bool registered = [] {
        const QDir fonts(TILEWICK_TEST_APP_DIR "/Contents/Resources/Tilewick_Tilewick.bundle/Fonts");
        for (const QString& name : fonts.entryList({"InterW*.ttf"}))
            QFontDatabase::addApplicationFont(fonts.filePath(name));
        return true;
    }();
    (void)registered;
}

// The picture of an offer is taller than the window, so its list of changes has more room.
constexpr int kAvailablePictureHeight = 560;

// The update window for the feed document `feedJson` with `installedBuild` installed, drawn into a
// PNG at `path` without showing it: the available stage (520 × 560) when the feed's build is newer,
// else the up-to-date stage (520 × 240). False, and no file, before the kit starts, for a feed that
// does not decode, or when the file can't be written.
bool renderUpdate(const QByteArray& feedJson, const QString& installedBuild, bool dark, const QString& path) {
    auto config = VeldorBeta::configuration();
    if (!config)
        return false;
    const auto decoded = betakit::UpdateFeed::decode(feedJson);
    if (!decoded.ok())
        return false;
    const betakit::UpdateFeed& feed = decoded.value();
    // The texts show the configured version; the list of changes counts from this build.
    config->appBuild = installedBuild;
    const qint64 installed = betakit::buildNumber(installedBuild).value_or(0);
    const bool offered = feed.isNewer(installed);
    const UpdateModel::Stage stage =
        offered ? UpdateModel::Stage::available(feed)
                : UpdateModel::Stage::upToDate(feed.latest.version,
                                               betakit::feedBuildNumber(feed.latest.build) < installed);
    const int height = offered ? kAvailablePictureHeight : UpdateView::heightOf(stage);

    UpdateModel model(*config, stage);
    betakit::UpdateViewServices services;
    services.kit.scheme = [dark] { return dark ? betakit::Scheme::Dark : betakit::Scheme::Light; };
    services.icon = QGuiApplication::windowIcon();
    services.systemName = betakit::runningSystemName(*config->platform());
    const QImage picture = UpdateView::picture(model, services, QSize(UpdateView::kWidth, height));
    if (picture.isNull())
        return false;

    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!picture.save(&buffer, "PNG") || png.isEmpty())
        return false;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const bool written = file.write(png) == png.size();
    file.close();
    return written && file.error() == QFileDevice::NoError;
}

// Build 121 ("1.3") with release notes for 119 to 121.
QByteArray sampleFeed() {
    const QJsonObject latest{{"version", "1.3"},
                             {"build", "121"},
                             {"url", "https://veldorpellrath.example/t/121.zip"},
                             {"bytes", 12'345'678},
                             {"sha256", QString(64, u'a')}};
    QJsonArray versions;
    versions.append(
        QJsonObject{{"version", "1.3"},
                    {"build", "121"},
                    {"date", "2026-12-01"},
                    {"changes", QJsonArray{"Windows snap to sixths and eighths.",
                                           "The floating keyboard fades in faster and no longer "
                                           "flickers when a second modifier joins.",
                                           "Fixed a crash when a display is unplugged mid-move."}}});
    versions.append(QJsonObject{{"version", "1.2"},
                                {"build", "120"},
                                {"changes", QJsonArray{"Default App Snaps remember the display."}}});
    versions.append(
        QJsonObject{{"version", "1.1"}, {"build", "119"}, {"changes", QJsonArray{"First public beta."}}});
    return QJsonDocument(QJsonObject{{"app", "tile-wick"}, {"latest", latest}, {"versions", versions}})
        .toJson();
}

class RenderUpdateTest : public UpdaterTest {
protected:
    void SetUp() override {
        UpdaterTest::SetUp();
        registerBundledFonts();
        bundle().setVersion("1.2");
        bundle().setBuild("120");
        setSystemName("Debian GNU/Linux");
    }
    QString output(const QString& name) { return paths().temporary() + u'/' + name; }
    void start() {
        VeldorBeta::start(configuration());
        logStartedElsewhere();
    }
};

TEST_F(RenderUpdateTest, NothingIsDrawnBeforeTheKitStartsOrForAFeedThatDoesNotDecode) {
    QDir().mkpath(paths().temporary());
    EXPECT_FALSE(renderUpdate(sampleFeed(), "120", false, output("a.png")));
    EXPECT_FALSE(QFile::exists(output("a.png")));
    start();
    EXPECT_FALSE(renderUpdate(R"({"app":"tile-wick","versions":[]})", "120", false, output("b.png")));
    EXPECT_FALSE(QFile::exists(output("b.png")));
    EXPECT_FALSE(renderUpdate(sampleFeed(), "120", false, output("missing/c.png")));
}

TEST_F(RenderUpdateTest, TheInstalledBuildChoosesTheStageAndTheHeight) {
    start();
    QDir().mkpath(paths().temporary());
    struct Case {
        QString installed;
        QSize size;
    };
    // "abc" counts as 0: the offer, with no changes listed.
    for (const Case& c : {Case{"120", {520, 560}}, Case{"121", {520, 240}}, Case{"125", {520, 240}},
                          Case{"abc", {520, 560}}}) {
        const QString path = output(c.installed + ".png");
        ASSERT_TRUE(renderUpdate(sampleFeed(), c.installed, false, path)) << qPrintable(c.installed);
        EXPECT_EQ(QImage(path).size(), c.size) << qPrintable(c.installed);
    }
    // An existing file is replaced.
    ASSERT_TRUE(renderUpdate(sampleFeed(), "121", false, output("120.png")));
    EXPECT_EQ(QImage(output("120.png")).size(), QSize(520, 240));
}

TEST_F(RenderUpdateTest, TheToolDrawsTheOfferAndTheAnswerInBothSchemes) {
    start();
    QDir().mkpath(paths().temporary());
    for (const auto& [installed, name] : {std::pair{"120", "available"}, {"125", "up-to-date-ahead"}}) {
        for (const bool dark : {false, true}) {
            const QString path = output(QString::fromLatin1(name) + ".png");
            ASSERT_TRUE(renderUpdate(sampleFeed(), installed, dark, path));
            EXPECT_TRUE(matchesGolden(
                QImage(path), QStringLiteral("betakit/update-%1-%2").arg(name, dark ? "dark" : "light")));
        }
    }
}

TEST_F(RenderUpdateTest, EveryOtherStageInBothSchemes) {
    start();
    const auto feed = betakit::UpdateFeed::decode(sampleFeed()).value();
    const std::vector<std::pair<Stage, QString>> stages{
        {Stage::tooOld("14.2"), "too-old"},
        {Stage::couldNotCheck(
             "Couldn’t reach veldorpellrath.example. Check your internet connection and try again."),
         "could-not-check"},
        {Stage::checking(), "checking"},
        {Stage::downloading(5'000'000, 12'345'678), "downloading"},
        {Stage::installing(), "installing"},
        {Stage::failed("The downloaded update is damaged (its checksum doesn’t match).", feed), "failed"},
    };
    for (const auto& [stage, name] : stages) {
        for (const bool dark : {false, true}) {
            UpdateModel model(configuration(), stage);
            betakit::UpdateViewServices services;
            services.kit.scheme = [dark] { return dark ? betakit::Scheme::Dark : betakit::Scheme::Light; };
            services.systemName = betakit::runningSystemName(platform());
            const QImage picture =
                UpdateView::picture(model, services, QSize(UpdateView::kWidth, UpdateView::heightOf(stage)));
            EXPECT_TRUE(matchesGolden(
                picture, QStringLiteral("betakit/update-%1-%2").arg(name, dark ? "dark" : "light")));
        }
    }
}

} // namespace
