#include "betakit/BetaFeedbackView.h"
#include "betakit/BetaScrubber.h"
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
#include <QTextDocument>

#include <gtest/gtest.h>

namespace {

using namespace betakit;
using Model = FeedbackModel;

// The feedback form on `feedback`, in the editing stage, 580 × `height` pixels, in the dark or the
// light scheme whatever the desktop's, drawn into a PNG file at `path` without showing a window.
// False before the kit starts or when the file could not be written.
bool renderForm(const BetaFeedback& feedback, bool dark, int height, const QString& path) {
    const auto config = VeldorBeta::configuration();
    if (!config || height <= 0)
        return false;
    KitViewServices services = KitViewServices::of(*config->platform());
    services.scheme = [dark] { return dark ? Scheme::Dark : Scheme::Light; };
    BetaFeedbackView view(
        FeedbackModel::make(*config, feedback), [] {}, services);
    // Never on screen: laid out at once at its size and drawn at one pixel per point.
    view.setAttribute(Qt::WA_DontShowOnScreen);
    view.setMinimumSize(0, 0);
    view.resize(BetaFeedbackView::kIdealSize.width(), height);
    view.show();
    QCoreApplication::sendPostedEvents();
    const QImage picture = view.grab().toImage();
    view.hide();
    return !picture.isNull() && picture.save(path, "PNG");
}

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
        BetaConfiguration c(sharedPlatform(), QStringLiteral("tile-wick"), QStringLiteral("Tilewick"),
                            QStringLiteral("5c2e71b04d9a83f6e0b1c7d2"), {}, nullptr);
        c.appVersion = QStringLiteral("1.0");
        c.appBuild = QStringLiteral("100");
        return c;
    }
    FeedbackTransport transport() {
        return {[this](platform::Runtime&, const QByteArray& report, const QUrl&, const QString&,
                       std::function<void(BetaSendResult)> done) {
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
        auto view = std::make_unique<BetaFeedbackView>(
            model, [this] { ++closes; }, services);
        view->resize(BetaFeedbackView::kIdealSize);
        return view;
    }
    static QImage render(BetaFeedbackView& view) {
        view.setAttribute(Qt::WA_DontShowOnScreen);
        view.show();
        QCoreApplication::sendPostedEvents();
        return view.grab().toImage();
    }
    // Shortcuts answer in the active window only.
    static void activate(QWidget& window) {
        window.show();
        QApplication::setActiveWindow(&window);
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

TEST_F(FeedbackFormTest, EveryFixedTextWordForWord) {
    auto view = makeView();
    const auto& p = view->pieces();
    EXPECT_EQ(p.kicker->text(), "BETA FEEDBACK");
    EXPECT_EQ(p.title->text(), "Tell us about Tilewick");
    EXPECT_EQ(p.headings, (QStringList{"What kind?", "How bad?", "Summary", "Tell us more",
                                       "Sign up for news (optional)"}));
    QStringList kinds, severities;
    for (const auto& [kind, choice] : p.kinds)
        kinds << choice->text();
    for (const auto& [severity, choice] : p.severities)
        severities << choice->text();
    EXPECT_EQ(kinds, (QStringList{"Problem", "Confusing", "Idea", "Love it"}));
    EXPECT_EQ(severities, (QStringList{"Minor", "Annoying", "Stops me working"}));
    EXPECT_EQ(p.summary->edit()->placeholderText(), "One line, in your own words");
    EXPECT_EQ(p.summaryWarning->text(), "Please keep the summary to 200 characters; the rest can go below.");
    EXPECT_EQ(p.details->placeholder()->text(), "What happened, and what did you expect to happen?");
    EXPECT_EQ(p.email->edit()->placeholderText(), "name@example.com");
    EXPECT_EQ(p.emailNote->text(),
              "Receive news every time there is a beta update. We keep only your email address, "
              "just for this. Leave the list any time.");
    EXPECT_EQ(p.diagnostics->text(), "Include diagnostic information");
    ASSERT_EQ(p.explanation.size(), 3);
    EXPECT_EQ(p.explanation[0]->text(),
              "Adds Tilewick\u2019s own activity log from the last 3 days, plus any crash "
              "reports from Tilewick. It helps us find and fix problems.");
    const auto plain = [](const KitText* t) {
        QTextDocument doc;
        doc.setHtml(t->text());
        return doc.toPlainText();
    };
    EXPECT_EQ(plain(p.explanation[1]),
              "What\u2019s included: the app version, your system\u2019s version, your type of computer, the "
              "options "
              "you\u2019ve "
              "chosen in Tilewick, and a record of what Tilewick did, such as \u201Cexport started\u201D or "
              "\u201Cexport failed: error 12\u201D.");
    EXPECT_EQ(
        plain(p.explanation[2]),
        "What\u2019s never included: your name, email address or your computer\u2019s name; the names or "
        "contents "
        "of your files, documents, contacts or messages; screenshots; anything from other apps; anything "
        "that could identify you. The log is built so it can\u2019t record those things, and every report "
        "is checked again before it\u2019s sent.");
    EXPECT_EQ(p.previewLink->text(), "Show exactly what will be sent");
    EXPECT_EQ(p.privacyNote->text(),
              "Reports go only to Veldor Pellrath. We use them to improve Tilewick, never "
              "sell or share them, and delete them 90 days after the beta ends.");
    EXPECT_EQ(p.sendingText->text(), "Sending\u2026");
    EXPECT_EQ(p.cancel->text(), "Cancel");
    EXPECT_EQ(p.send->text(), "Send");
    EXPECT_EQ(p.mail->text(), "Send by email instead");
    EXPECT_EQ(p.tryAgain->text(), "Try again");
    EXPECT_EQ(p.thanks->text(), "Thank you!");
    EXPECT_EQ(p.close->text(), "Close");
}

TEST_F(FeedbackFormTest, KindAndSeverityChoices) {
    auto view = makeView();
    const auto& p = view->pieces();
    view->show();
    // A new problem report: the severity section with nothing chosen.
    EXPECT_TRUE(p.severitySection->isVisibleTo(view.get()));
    for (const auto& [severity, choice] : p.severities)
        EXPECT_FALSE(choice->selected());

    p.severities.at(BetaFeedback::Severity::Blocking)->click();
    p.kinds.at(BetaFeedback::Kind::Idea)->click();
    EXPECT_FALSE(p.severitySection->isVisibleTo(view.get()));
    EXPECT_EQ(p.details->placeholder()->text(), "What would you like Tilewick to do?");
    EXPECT_EQ(model->feedback().severity, BetaFeedback::Severity::Blocking);
    EXPECT_TRUE(p.kinds.at(BetaFeedback::Kind::Idea)->selected());
    EXPECT_EQ(
        std::count_if(p.kinds.begin(), p.kinds.end(), [](const auto& k) { return k.second->selected(); }), 1);

    p.kinds.at(BetaFeedback::Kind::Idea)->click(); // choosing the chosen kind changes nothing
    EXPECT_EQ(model->feedback().kind, BetaFeedback::Kind::Idea);
    p.kinds.at(BetaFeedback::Kind::Confusing)->click();
    EXPECT_EQ(p.details->placeholder()->text(), "What were you trying to do, and what got in the way?");
    p.kinds.at(BetaFeedback::Kind::Love)->click();
    EXPECT_EQ(p.details->placeholder()->text(), "What do you like? It helps us keep it.");
    p.kinds.at(BetaFeedback::Kind::Problem)->click();
    EXPECT_TRUE(p.severitySection->isVisibleTo(view.get()));
    EXPECT_TRUE(p.severities.at(BetaFeedback::Severity::Blocking)->selected());

    // The chosen severity again clears it.
    p.severities.at(BetaFeedback::Severity::Annoying)->click();
    p.severities.at(BetaFeedback::Severity::Annoying)->click();
    EXPECT_FALSE(model->feedback().severity);
    for (const auto& [severity, choice] : p.severities)
        EXPECT_FALSE(choice->selected());
}

TEST_F(FeedbackFormTest, TypingWritesTheModelAndTheRulesFollowEachKeystroke) {
    auto view = makeView();
    const auto& p = view->pieces();
    view->show();
    EXPECT_FALSE(p.send->isEnabled());
    QTest::keyClicks(p.summary->edit(), QString(201, u'a'));
    EXPECT_EQ(model->feedback().summary, QString(201, u'a'));
    EXPECT_FALSE(p.summaryWarning->isHidden());
    EXPECT_FALSE(p.send->isEnabled());
    QTest::keyClick(p.summary->edit(), Qt::Key_Backspace);
    EXPECT_TRUE(p.summaryWarning->isHidden());
    EXPECT_TRUE(p.send->isEnabled());
    // The clean summary is what counts: blanks around 200 characters show no warning.
    model->editFeedback([](BetaFeedback& f) { f.summary = "  " + QString(200, u'b') + "  "; });
    EXPECT_TRUE(p.summaryWarning->isHidden());
    EXPECT_EQ(p.summary->edit()->text(), model->feedback().summary);

    // The e-mail note: news, then the warning in the warning colour, then news again.
    EXPECT_EQ(p.emailNote->color().light, bkMuted.light);
    QTest::keyClicks(p.email->edit(), "s");
    EXPECT_EQ(p.emailNote->text(), "That doesn\u2019t look like an email address.");
    EXPECT_EQ(p.emailNote->color().light, bkBad.light);
    EXPECT_FALSE(p.send->isEnabled());
    QTest::keyClicks(p.email->edit(), "am@example.com");
    EXPECT_EQ(model->feedback().email, "sam@example.com");
    EXPECT_EQ(p.emailNote->color().light, bkMuted.light);
    EXPECT_TRUE(p.send->isEnabled());

    // A blank is text: the placeholder goes. Too long details only disable Send.
    QTest::keyClicks(p.details->edit(), " ");
    EXPECT_EQ(model->feedback().details, " ");
    EXPECT_TRUE(p.details->placeholder()->isHidden());
    model->editFeedback([](BetaFeedback& f) { f.details = QString(20001, u'x'); });
    EXPECT_FALSE(p.send->isEnabled());
    EXPECT_TRUE(p.summaryWarning->isHidden());

    p.diagnostics->click();
    EXPECT_TRUE(model->feedback().includeDiagnostics);
}

TEST_F(FeedbackFormTest, FooterFollowsTheStage) {
    BetaFeedback f;
    f.summary = "Left half";
    auto view = makeView(f);
    const auto& p = view->pieces();
    view->show();
    p.send->click();
    EXPECT_EQ(uploads.size(), 1u);
    EXPECT_FALSE(p.send->isEnabled());
    EXPECT_TRUE(p.cancel->isEnabled());
    EXPECT_TRUE(p.spinner->isVisible());
    EXPECT_TRUE(p.sendingText->isVisible());
    activate(*view);
    QTest::keyClick(view.get(), Qt::Key_Return); // Send is disabled: nothing more is sent
    EXPECT_EQ(uploads.size(), 1u);

    answer(BetaSendError::refused(QString("The key is not known to this server. ").repeated(12)));
    EXPECT_TRUE(p.failedRow->isVisible());
    EXPECT_FALSE(p.editingRow->isVisible());
    EXPECT_TRUE(p.error->text().startsWith("Couldn\u2019t send: The key is not known"));
    EXPECT_LE(p.error->height(), 3 * QFontMetrics(p.error->font()).lineSpacing() + 1);
    EXPECT_TRUE(p.error->text().endsWith(u'\u2026'));

    // Editing keeps the failed row; Try again follows readiness; mail always works.
    model->editFeedback([](BetaFeedback& f) { f.summary = QString(201, u'a'); });
    EXPECT_TRUE(p.failedRow->isVisible());
    EXPECT_FALSE(p.tryAgain->isEnabled());
    p.mail->click();
    ASSERT_EQ(mails.size(), 1u);
    EXPECT_EQ(mails[0].first, uploads[0]);
    model->editFeedback([](BetaFeedback& f) { f.summary = "Short again"; });
    p.tryAgain->click();
    EXPECT_EQ(uploads.size(), 2u);
    EXPECT_TRUE(p.editingRow->isVisible());

    answer(QStringLiteral("r-9"));
    EXPECT_FALSE(p.form->isVisible());
    EXPECT_TRUE(p.sentView->isVisible());
    EXPECT_EQ(closes, 0);
    QTest::keyClick(view.get(), Qt::Key_Return);
    EXPECT_EQ(closes, 1);
}

TEST_F(FeedbackFormTest, WordsFromTheServerAndTheUserShowAsTheyAreNeverAsMarkup) {
    BetaFeedback f;
    f.summary = "Left half";
    f.email = "<b>sam@example.com</b>";
    auto view = makeView(f);
    const auto& p = view->pieces();
    model->send();
    answer(BetaSendError::refused("<a href=\"https://elsewhere.example\">Sign in</a> again"));
    EXPECT_EQ(p.error->textFormat(), Qt::PlainText);
    EXPECT_EQ(p.error->text(), "Couldn\u2019t send: <a href=\"https://elsewhere.example\">Sign in</a> again");
    model->send();
    answer(QStringLiteral("r-2"));
    EXPECT_EQ(p.thanksMessage->textFormat(), Qt::PlainText);
    EXPECT_TRUE(p.thanksMessage->text().contains("<b>sam@example.com</b>"));
}

TEST_F(FeedbackFormTest, CancelAndEscapeClose) {
    auto view = makeView();
    activate(*view);
    view->pieces().cancel->click();
    QTest::keyClick(view.get(), Qt::Key_Escape);
    EXPECT_EQ(closes, 2);
}

TEST_F(FeedbackFormTest, ThankYouShowsTheAddressTrimmed) {
    struct Case {
        QString email;
        QString message;
    };
    const Case cases[] = {
        {"", "Your report has reached Veldor Pellrath."},
        {" \n", "Your report has reached Veldor Pellrath."},
        {"  sam@example.com\n",
         "Your report has reached Veldor Pellrath. We\u2019ll email sam@example.com when "
         "there\u2019s a new Tilewick beta."},
    };
    for (const Case& c : cases) {
        BetaFeedback f;
        f.email = c.email;
        auto view = makeView(f);
        EXPECT_EQ(view->pieces().thanksMessage->text(), c.message);
    }
}

TEST_F(FeedbackFormTest, AtItsMinimumTheColumnScrollsAndTheFooterStays) {
    auto view = makeView();
    view->resize(BetaFeedbackView::kMinimumSize);
    render(*view);
    const auto& p = view->pieces();
    EXPECT_GT(p.scroll->verticalScrollBar()->maximum(), 0);
    EXPECT_EQ(p.send->mapTo(view.get(), QPoint(0, p.send->height())).y(), 520 - 14);
}

TEST_F(FeedbackFormTest, PreviewSheetShowsTheExactReportAndClosesIntoAnUnchangedForm) {
    BetaFeedback f;
    f.summary = "Left half";
    f.includeDiagnostics = true;
    auto view = makeView(f);
    view->show();
    view->pieces().previewLink->click();
    PreviewSheet* sheet = view->previewSheet();
    ASSERT_TRUE(sheet);
    EXPECT_TRUE(sheet->isVisible());
    EXPECT_EQ(sheet->size(), QSize(640, 560));
    const QByteArray built =
        ReportBuilder::build(f, config(), runtime().clock().wallMillis(), BetaScrubber(platform()));
    EXPECT_EQ(sheet->report()->toPlainText().toUtf8(), built);
    EXPECT_TRUE(sheet->report()->isReadOnly());
    EXPECT_TRUE(sheet->report()->textInteractionFlags().testFlag(Qt::TextSelectableByMouse));
    EXPECT_EQ(sheet->report()->lineWrapMode(), QPlainTextEdit::NoWrap);
    EXPECT_EQ(sheet->sizeLabel()->text(), PreviewSheet::sizeText(QString::fromUtf8(built)));

    activate(*sheet);
    QTest::keyClick(sheet, Qt::Key_Return);
    EXPECT_FALSE(model->preview());
    EXPECT_FALSE(view->previewSheet());
    EXPECT_EQ(model->feedback(), f);
    EXPECT_EQ(model->stage(), Model::Stage(Model::Editing{}));
    // The remembered report is what Send uploads.
    runtime().advance(5);
    view->pieces().send->click();
    ASSERT_EQ(uploads.size(), 1u);
    EXPECT_EQ(uploads[0], built);

    // Dismissed another way, the preview is gone all the same.
    model->showPreview();
    ASSERT_TRUE(view->previewSheet());
    view->previewSheet()->reject();
    EXPECT_FALSE(model->preview());
}

TEST(PreviewSheetSize, WholeKilobytesOfUtf8PlusOne) {
    const std::pair<QString, const char*> cases[] = {
        {QString(), "1 KB"},           {QString(100, u'a'), "1 KB"},
        {QString(1023, u'a'), "1 KB"}, {QString(1024, u'a'), "2 KB"},
        {QString(2048, u'a'), "3 KB"}, {QString(1022, u'a') + u'\u2019', "2 KB"}, // three bytes
    };
    for (const auto& [text, size] : cases)
        EXPECT_EQ(PreviewSheet::sizeText(text), size) << text.size();
}

TEST_F(FeedbackFormTest, RenderToolDrawsTheFormAtItsSizeInTheSchemeAsked) {
    QTemporaryDir folder;
    const QString path = folder.filePath("form.png");
    BetaFeedback f;
    f.summary = QString(201, u'a');
    EXPECT_FALSE(renderForm(f, true, 700, path));
    EXPECT_FALSE(QFile::exists(path));

    VeldorBeta::start(config());
    logStartedElsewhere();
    appearance().force(Scheme::Light);
    for (int height : {700, 400}) {
        ASSERT_TRUE(renderForm(f, true, height, path));
        const QImage picture(path);
        EXPECT_EQ(picture.size(), QSize(580, height));
        EXPECT_EQ(QColor(picture.pixel(2, 2)), bkBackground.resolve(Scheme::Dark));
    }
    ASSERT_TRUE(renderForm(f, false, 760, path));
    EXPECT_EQ(QColor(QImage(path).pixel(2, 2)), bkBackground.resolve(Scheme::Light));
    EXPECT_FALSE(renderForm(f, false, 760, folder.filePath("missing/form.png")));
}

} // namespace

TEST_F(FeedbackFormTest, TheColumnEndsTwentyFourPointsBelowThePrivacyNote) {
    auto view = makeView(typed());
    render(*view);
    const auto& p = view->pieces();
    const QWidget* column = p.scroll->widget();
    const int noteBottom = p.privacyNote->mapTo(column, QPoint(0, p.privacyNote->height())).y();
    EXPECT_GT(p.scroll->verticalScrollBar()->maximum(), 0);
    EXPECT_EQ(column->height(), noteBottom + 24);
}

TEST_F(FeedbackFormTest, TheThankYouIsWholeWithALongAddress) {
    auto view = makeView(typed());
    model->send();
    answer(QStringLiteral("r-1"));
    render(*view);
    const KitText* message = view->pieces().thanksMessage;
    // Whatever it said before, the message takes the height of its lines (three with the
    // 60-character address).
    for (const QString address :
         {QStringLiteral("samuel.wellington.harrowgate.third@mail.longdomainexampl.com"),
          QStringLiteral("sam@example.com"), QStringLiteral("samuel.wellington.harrowgate@example.com")}) {
        model->editFeedback([&](BetaFeedback& f) { f.email = address; });
        render(*view);
        ASSERT_TRUE(message->text().endsWith("Tilewick beta.")) << address.size();
        const QFontMetrics metrics(message->font());
        const int needed =
            metrics.boundingRect(QRect(0, 0, message->width(), 10000), Qt::TextWordWrap, message->text())
                .height();
        EXPECT_GE(message->height(), needed) << address.size();
    }
}
