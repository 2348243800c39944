#include "betakit/FeedbackModel.h"
#include "betakit/BetaScrubber.h"
#include "betakit/ReportBuilder.h"

#include "support/SimPlatformTest.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

using namespace betakit;
using Model = FeedbackModel;

// Uploads and mail drafts as the model hands them over; the test answers uploads when it likes.
struct ScriptedTransport {
    struct Upload {
        QByteArray report;
        QUrl endpoint;
        QString key;
        std::function<void(BetaSendResult)> done;
    };
    struct Mail {
        QByteArray report;
        QString appName;
        QString subject;
    };
    std::vector<Upload> uploads;
    std::vector<Mail> mails;

    FeedbackTransport transport() {
        return {[this](platform::Runtime&, const QByteArray& report, const QUrl& endpoint, const QString& key,
                       std::function<void(BetaSendResult)> done) {
                    uploads.push_back({report, endpoint, key, std::move(done)});
                },
                [this](const QByteArray& report, const BetaConfiguration& config, const QString& subject) {
                    mails.push_back({report, config.appName, subject});
                }};
    }
    void answer(BetaSendResult result) {
        auto done = std::move(uploads.back().done);
        done(std::move(result));
    }
};

class FeedbackModelTest : public SimPlatformTest {
protected:
    BetaConfiguration config() {
        BetaConfiguration c(sharedPlatform(), QStringLiteral("tile-wick"), QStringLiteral("Tilewick"),
                            QStringLiteral("5c2e71b04d9a83f6e0b1c7d2"), {}, nullptr);
        c.endpoint = QUrl(QStringLiteral("https://reports.example/beta/report"));
        c.appVersion = QStringLiteral("1.0");
        c.appBuild = QStringLiteral("100");
        return c;
    }
    static BetaFeedback ready() {
        BetaFeedback f;
        f.summary = QStringLiteral("Left half misses the panel");
        return f;
    }
    std::shared_ptr<Model> make(BetaFeedback feedback = ready()) {
        return Model::make(config(), std::move(feedback), scripted.transport());
    }
    QByteArray reportNow(const BetaFeedback& feedback) {
        return ReportBuilder::build(feedback, config(), runtime().clock().wallMillis(),
                                    BetaScrubber(platform()));
    }

    ScriptedTransport scripted;
};

TEST_F(FeedbackModelTest, StartsEditingWithNothingRemembered) {
    BetaFeedback given = ready();
    given.kind = BetaFeedback::Kind::Idea;
    const auto model = make(given);
    EXPECT_EQ(model->stage(), Model::Stage(Model::Editing{}));
    EXPECT_EQ(model->feedback(), given);
    EXPECT_FALSE(model->preview());
    EXPECT_FALSE(model->shown());
    EXPECT_FALSE(model->lastSent());
    EXPECT_TRUE(scripted.uploads.empty());
}

TEST_F(FeedbackModelTest, PreviewShowsTheReportAndRemembersItWithoutCheckingReadiness) {
    const auto model = make(BetaFeedback{});
    QSignalSpy previews(model.get(), &Model::previewChanged);
    QSignalSpy stages(model.get(), &Model::stageChanged);
    model->showPreview();
    const QByteArray expected = reportNow(BetaFeedback{});
    ASSERT_TRUE(model->preview());
    EXPECT_EQ(model->preview()->toUtf8(), expected);
    ASSERT_TRUE(model->shown());
    EXPECT_EQ(model->shown()->report, expected);
    EXPECT_EQ(model->shown()->feedback, BetaFeedback{});
    EXPECT_EQ(previews.count(), 1);
    EXPECT_EQ(stages.count(), 0);
    EXPECT_TRUE(loggedEvents(QStringLiteral("beta.feedback_send")).isEmpty());

    model->dismissPreview();
    EXPECT_FALSE(model->preview());
    EXPECT_TRUE(model->shown());
    EXPECT_EQ(previews.count(), 2);
}

TEST_F(FeedbackModelTest, SendUsesThePreviewedBytesOnlyWhileTheFeedbackIsUnchanged) {
    struct Case {
        const char* name;
        std::function<void(Model&)> edit;
        bool reusesPreview;
    };
    const Case cases[] = {
        {"untouched", [](Model&) {}, true},
        {"summary edited", [](Model& m) { m.editFeedback([](BetaFeedback& f) { f.summary += u'!'; }); },
         false},
        {"diagnostics switched",
         [](Model& m) { m.editFeedback([](BetaFeedback& f) { f.includeDiagnostics = true; }); }, false},
        {"severity chosen",
         [](Model& m) {
             m.editFeedback([](BetaFeedback& f) { f.severity = BetaFeedback::Severity::Minor; });
         },
         false},
        {"edited and reverted",
         [](Model& m) {
             m.editFeedback([](BetaFeedback& f) { f.details = QStringLiteral("more"); });
             m.editFeedback([](BetaFeedback& f) { f.details.clear(); });
         },
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        scripted.uploads.clear();
        const auto model = make();
        model->showPreview();
        const QByteArray previewed = model->shown()->report;
        model->dismissPreview();
        runtime().advance(7); // a report built now carries another time stamp
        c.edit(*model);
        model->send();
        ASSERT_EQ(scripted.uploads.size(), 1u);
        const QByteArray expected = c.reusesPreview ? previewed : reportNow(model->feedback());
        EXPECT_NE(previewed, reportNow(model->feedback()));
        EXPECT_EQ(scripted.uploads[0].report, expected);
        EXPECT_EQ(model->lastSent(), expected);
        EXPECT_EQ(scripted.uploads[0].endpoint, config().endpoint);
        EXPECT_EQ(scripted.uploads[0].key, config().appKey);
    }
}

TEST_F(FeedbackModelTest, SendWalksTheStagesAndKeepsWhatWasTyped) {
    const auto model = make();
    QSignalSpy stages(model.get(), &Model::stageChanged);
    model->send();
    EXPECT_EQ(model->stage(), Model::Stage(Model::Sending{}));
    scripted.answer(QStringLiteral("r-42"));
    EXPECT_EQ(model->stage(), Model::Stage(Model::Sent{QStringLiteral("r-42")}));
    EXPECT_EQ(model->feedback(), ready());
    EXPECT_EQ(stages.count(), 2);

    const auto failing = make();
    failing->send();
    scripted.answer(BetaSendError::refused(QStringLiteral("Key unknown")));
    EXPECT_EQ(failing->stage(),
              Model::Stage(Model::Failed{BetaSendError::refused(QStringLiteral("Key unknown"))}));
    // Editing after a failure stays failed until the next try, which sends again.
    failing->editFeedback([](BetaFeedback& f) { f.details = QStringLiteral("Also on the second screen"); });
    EXPECT_TRUE(std::holds_alternative<Model::Failed>(failing->stage()));
    failing->send();
    EXPECT_EQ(failing->stage(), Model::Stage(Model::Sending{}));
    EXPECT_EQ(scripted.uploads.size(), 3u);
}

TEST_F(FeedbackModelTest, SendDoesNothingWhenNotReadyOrAlreadySending) {
    BetaFeedback notReady = ready();
    notReady.email = QStringLiteral("x");
    const auto blocked = make(notReady);
    blocked->send();
    EXPECT_EQ(blocked->stage(), Model::Stage(Model::Editing{}));
    EXPECT_FALSE(blocked->lastSent());
    EXPECT_TRUE(scripted.uploads.empty());

    const auto model = make();
    model->editFeedback([](BetaFeedback& f) { f.includeDiagnostics = true; });
    model->send();
    model->send();
    EXPECT_EQ(scripted.uploads.size(), 1u);
    EXPECT_EQ(loggedEvents(QStringLiteral("beta.feedback_send")),
              QStringList{QStringLiteral("beta.feedback_send diagnostics=true")});
}

TEST_F(FeedbackModelTest, PreviewWhileSendingLeavesTheUploadItsReport) {
    const auto model = make();
    model->send();
    const QByteArray sending = scripted.uploads[0].report;
    runtime().advance(3);
    model->editFeedback([](BetaFeedback& f) { f.details = QStringLiteral("later"); });
    model->showPreview();
    EXPECT_TRUE(model->preview());
    EXPECT_NE(model->shown()->report, sending);
    EXPECT_EQ(model->lastSent(), sending);
    EXPECT_EQ(model->stage(), Model::Stage(Model::Sending{}));
}

TEST_F(FeedbackModelTest, MailCarriesTheFailedAttemptsBytesElseAFreshReport) {
    const auto never = make();
    never->sendByEmail();
    ASSERT_EQ(scripted.mails.size(), 1u);
    EXPECT_EQ(scripted.mails[0].report, reportNow(ready()));
    EXPECT_FALSE(never->lastSent());
    EXPECT_EQ(never->stage(), Model::Stage(Model::Editing{}));

    const auto model = make();
    model->send();
    const QByteArray attempted = scripted.uploads[0].report;
    scripted.answer(BetaSendError::unreachable(QStringLiteral("Connection refused")));
    runtime().advance(2);
    model->editFeedback([](BetaFeedback& f) { f.summary = QStringLiteral("Something else entirely"); });
    model->sendByEmail();
    ASSERT_EQ(scripted.mails.size(), 2u);
    EXPECT_EQ(scripted.mails[1].report, attempted);
    EXPECT_EQ(scripted.mails[1].appName, QStringLiteral("Tilewick"));
    EXPECT_TRUE(std::holds_alternative<Model::Failed>(model->stage()));
    EXPECT_EQ(loggedEvents(QStringLiteral("beta.feedback_send")).size(), 1);
}

TEST_F(FeedbackModelTest, MailSubjectNamesTheKindAndTheSummaryOnOneLine) {
    struct Case {
        BetaFeedback::Kind kind;
        QString summary;
        QString subject;
    };
    const Case cases[] = {
        {BetaFeedback::Kind::Idea, QStringLiteral("  Snap to\nthirds  "),
         QStringLiteral("[Tilewick beta] Idea: Snap to thirds")},
        {BetaFeedback::Kind::Love, QStringLiteral("All of it"),
         QStringLiteral("[Tilewick beta] Love it: All of it")},
        {BetaFeedback::Kind::Problem, QString(), QStringLiteral("[Tilewick beta] Problem: ")},
        {BetaFeedback::Kind::Confusing, QString(250, u'a'),
         QStringLiteral("[Tilewick beta] Confusing: ") + QString(250, u'a')},
    };
    for (const Case& c : cases) {
        BetaFeedback f;
        f.kind = c.kind;
        f.summary = c.summary;
        make(f)->sendByEmail();
        EXPECT_EQ(scripted.mails.back().subject, c.subject);
    }
}

TEST_F(FeedbackModelTest, AnUploadUnderWayKeepsItsModelUntilItEnds) {
    std::weak_ptr<Model> watched;
    std::optional<Model::Stage> ended;
    {
        const auto model = make();
        watched = model;
        QObject::connect(model.get(), &Model::stageChanged,
                         [&ended, raw = model.get()] { ended = raw->stage(); });
        model->send();
    }
    ASSERT_FALSE(watched.expired());
    scripted.answer(QStringLiteral("r-7"));
    EXPECT_EQ(ended, Model::Stage(Model::Sent{QStringLiteral("r-7")}));
    EXPECT_TRUE(watched.expired());
}

} // namespace
