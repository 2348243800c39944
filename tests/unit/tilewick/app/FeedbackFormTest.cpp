#include "betakit/BetaFeedbackView.h"
#include "betakit/PreviewSheet.h"
#include "betakit/ReportBuilder.h"
#include "betakit/VeldorBeta.h"

#include "tilewick/visuals/InterFont.h"

#include "support/Golden.h"
#include "support/SimPlatformTest.h"

#include <QApplication>
#include <QImage>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using namespace betakit;
using Model = FeedbackModel;

// The program's feedback form as its users see it: Tilewick's fonts, both schemes.
class FeedbackFormTest : public SimPlatformTest {
protected:
    void SetUp() override {
        SimPlatformTest::SetUp();
        VeldorBeta::resetForTesting();
        // The kit draws with the fonts the program registers at start.
        ASSERT_TRUE(tilewick::InterFontLibrary::shared().registerFonts());
    }
    void TearDown() override {
        VeldorBeta::resetForTesting();
        SimPlatformTest::TearDown();
    }

    BetaConfiguration config() {
        BetaConfiguration c(QStringLiteral("tile-wick"), QStringLiteral("Tilewick"),
                            QStringLiteral("5c2e71b04d9a83f6e0b1c7d2"), {}, nullptr);
        c.appVersion = QStringLiteral("1.0");
        c.appBuild = QStringLiteral("100");
        return c;
    }
    FeedbackTransport transport() {
        return {[this](const QByteArray& report, const QUrl&, const QString&, std::function<void(BetaSendResult)> done) {
                    uploads.push_back(report);
                    answers.push_back(std::move(done));
                },
                [this](const QByteArray& report, const BetaConfiguration&, const QString& subject) {
                    mails.push_back({report, subject});
                }};
    }
    std::unique_ptr<BetaFeedbackView> makeView(BetaFeedback feedback = {}, Scheme scheme = Scheme::Light) {
        model = Model::make(config(), std::move(feedback), transport());
        KitViewServices services{[scheme] { return scheme; }, &runtime()};
        auto view = std::make_unique<BetaFeedbackView>(model, [this] { ++closes; }, services);
        view->resize(BetaFeedbackView::kIdealSize);
        return view;
    }
    static QImage render(BetaFeedbackView& view) {
        view.setAttribute(Qt::WA_DontShowOnScreen);
        view.show();
        QCoreApplication::sendPostedEvents();
        return view.grab().toImage();
    }
    void answer(BetaSendResult result) {
        auto done = std::move(answers.back());
        answers.pop_back();
        done(std::move(result));
    }
    static BetaFeedback typed() {
        BetaFeedback f;
        f.severity = BetaFeedback::Severity::Annoying;
        f.summary = QStringLiteral("Left half misses the dock on the second screen");
        f.details = QStringLiteral("With the dock on the left, the window slides under it.");
        f.email = QStringLiteral("sam@example.com");
        f.includeDiagnostics = true;
        return f;
    }

    std::shared_ptr<Model> model;
    std::vector<QByteArray> uploads;
    std::vector<std::function<void(BetaSendResult)>> answers;
    std::vector<std::pair<QByteArray, QString>> mails;
    int closes = 0;
};

TEST_F(FeedbackFormTest, GoldenPictures) {
    for (Scheme scheme : {Scheme::Light, Scheme::Dark}) {
        const QString suffix = scheme == Scheme::Dark ? "-dark" : "-light";
        {
            auto view = makeView(typed(), scheme);
            EXPECT_TRUE(matchesGolden(render(*view), "feedback/editing" + suffix));
            model->send();
            EXPECT_TRUE(matchesGolden(render(*view), "feedback/sending" + suffix));
            answer(BetaSendError::unreachable(QStringLiteral("Could not connect to the server.")));
            EXPECT_TRUE(matchesGolden(render(*view), "feedback/failed" + suffix));
        }
        {
            auto view = makeView(typed(), scheme);
            model->send();
            answer(QStringLiteral("r-1"));
            EXPECT_TRUE(matchesGolden(render(*view), "feedback/sent" + suffix));
        }
        {
            // The whole column, down to the privacy note.
            auto view = makeView(typed(), scheme);
            view->resize(580, 1180);
            EXPECT_TRUE(matchesGolden(render(*view), "feedback/whole-form" + suffix));
        }
        {
            BetaFeedback crash;
            crash.afterCrash = true;
            auto view = makeView(crash, scheme);
            EXPECT_TRUE(matchesGolden(render(*view), "feedback/after-crash" + suffix));
        }
    }
}

} // namespace
