#include "BetaFeedbackView.h"

#include "Characters.h"
#include "PreviewSheet.h"
#include "VeldorPellrathMark.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QScrollArea>
#include <QShortcut>
#include <QVBoxLayout>

namespace betakit {

namespace {

QFont tracked(QFont font, qreal spacing) {
    font.setLetterSpacing(QFont::AbsoluteSpacing, spacing);
    return font;
}

QHBoxLayout* row(QWidget* owner, int spacing) {
    auto* layout = new QHBoxLayout(owner);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    return layout;
}

QVBoxLayout* column(QWidget* owner, int spacing) {
    auto* layout = new QVBoxLayout(owner);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    return layout;
}

// A leading phrase in the text colour, run on by the rest of its paragraph.
QString leadIn(const QString& lead, const QString& rest, Scheme scheme) {
    const QFont font = bkFont(11.5, 600);
    return QStringLiteral("<span style=\"font-family:'%1'; font-weight:%2; color:%3\">%4</span>%5")
        .arg(font.family(), QString::number(font.weight()), bkText.resolve(scheme).name(),
             lead.toHtmlEscaped(), rest.toHtmlEscaped());
}

// A key of the panel pressing the first of its buttons that is shown and enabled: Return the
// default button (Send, or Close once sent), Escape the cancel button.
void answerKey(QWidget* owner, QKeySequence key, QList<QAbstractButton*> buttons) {
    auto* shortcut = new QShortcut(key, owner);
    shortcut->setContext(Qt::WindowShortcut);
    QObject::connect(shortcut, &QShortcut::activated, owner, [buttons] {
        for (QAbstractButton* button : buttons) {
            if (button->isVisible()) {
                if (button->isEnabled())
                    button->click();
                return;
            }
        }
    });
}

} // namespace

BetaFeedbackView::BetaFeedbackView(std::shared_ptr<FeedbackModel> model, std::function<void()> close,
                                   KitViewServices services, QWidget* parent)
    : QWidget(parent), m_model(std::move(model)), m_close(std::move(close)), m_services(std::move(services)) {
    setMinimumSize(kMinimumSize);
    setPalette(kitPalette(m_services.now()));
    auto* stack = column(this, 0);
    stack->addWidget(buildForm());
    stack->addWidget(buildSentView());
    answerKey(this, QKeySequence(Qt::Key_Escape), {m_pieces.cancel});
    for (int key : {Qt::Key_Return, Qt::Key_Enter})
        answerKey(this, QKeySequence(key), {m_pieces.send, m_pieces.close});

    connect(m_model.get(), &FeedbackModel::feedbackChanged, this, &BetaFeedbackView::followFeedback);
    connect(m_model.get(), &FeedbackModel::stageChanged, this, &BetaFeedbackView::followStage);
    connect(m_model.get(), &FeedbackModel::previewChanged, this, &BetaFeedbackView::followPreview);
    followFeedback();
    followStage();
    followPreview();
}

BetaFeedbackView::~BetaFeedbackView() {
    delete m_sheet;
}

QString BetaFeedbackView::feedbackPrompt(const FeedbackModel& model) {
    switch (model.feedback().kind) {
    case BetaFeedback::Kind::Problem:
        return QStringLiteral("What happened, and what did you expect to happen?");
    case BetaFeedback::Kind::Confusing:
        return QStringLiteral("What were you trying to do, and what got in the way?");
    case BetaFeedback::Kind::Idea:
        return QStringLiteral("What would you like ") + model.config().appName + QStringLiteral(" to do?");
    case BetaFeedback::Kind::Love:
        return QStringLiteral("What do you like? It helps us keep it.");
    }
    return {};
}

QString BetaFeedbackView::thankYouMessage(const FeedbackModel& model) {
    const QString reached = QStringLiteral("Your report has reached Veldor Pellrath.");
    const QString address = Characters::trimmedSpace(model.feedback().email);
    if (address.isEmpty())
        return reached;
    return reached + QStringLiteral(" We\u2019ll email ") + address +
           QStringLiteral(" when there\u2019s a new ") + model.config().appName + QStringLiteral(" beta.");
}

std::pair<QString, BKColor> BetaFeedbackView::emailNote(const BetaFeedback& feedback) {
    if (feedback.isEmailValid())
        return {QStringLiteral("Receive news every time there is a beta update. We keep only your email "
                               "address, just for this. Leave the list any time."),
                bkMuted};
    return {QStringLiteral("That doesn\u2019t look like an email address."), bkBad};
}

// Building

QWidget* BetaFeedbackView::section(const QString& heading, QWidget* content, QWidget* below) {
    auto* box = new QWidget;
    auto* layout = column(box, 8);
    layout->addWidget(new KitText(heading, bkFont(13, 500), bkText, m_services.scheme));
    layout->addWidget(content);
    if (below)
        layout->addWidget(below);
    m_pieces.headings << heading;
    return box;
}

QWidget* BetaFeedbackView::buildForm() {
    auto* form = new QWidget;
    m_pieces.form = form;
    auto* layout = column(form, 0);

    auto* columnWidget = new QWidget;
    columnWidget->setAutoFillBackground(false);
    auto* items = column(columnWidget, 22);
    items->setContentsMargins(24, 24, 24, 24);
    items->addWidget(buildHeader());
    items->addWidget(section(QStringLiteral("What kind?"), buildKinds()));
    m_pieces.severitySection = section(QStringLiteral("How bad?"), buildSeverities());
    items->addWidget(m_pieces.severitySection);

    const SchemeSource& scheme = m_services.scheme;
    m_pieces.summary = new KitField(QStringLiteral("One line, in your own words"), scheme);
    m_pieces.summaryWarning =
        new KitText(QStringLiteral("Please keep the summary to 200 characters; the rest can go below."),
                    bkFont(11.5, 400), bkBad, scheme);
    items->addWidget(section(QStringLiteral("Summary"), m_pieces.summary, m_pieces.summaryWarning));
    connect(m_pieces.summary->edit(), &QLineEdit::textEdited, this, [this](const QString& text) {
        m_model->editFeedback([&](BetaFeedback& f) { f.summary = text; });
    });

    m_pieces.details = new KitEditor(scheme);
    items->addWidget(section(QStringLiteral("Tell us more"), m_pieces.details));
    connect(m_pieces.details->edit(), &QPlainTextEdit::textChanged, this, [this] {
        const QString text = m_pieces.details->edit()->toPlainText();
        m_model->editFeedback([&](BetaFeedback& f) { f.details = text; });
    });

    m_pieces.email = new KitField(QStringLiteral("name@example.com"), scheme);
    m_pieces.emailNote = new KitText({}, bkFont(11.5, 400), bkMuted, scheme);
    items->addWidget(
        section(QStringLiteral("Sign up for news (optional)"), m_pieces.email, m_pieces.emailNote));
    connect(m_pieces.email->edit(), &QLineEdit::textEdited, this,
            [this](const QString& text) { m_model->editFeedback([&](BetaFeedback& f) { f.email = text; }); });

    items->addWidget(buildDiagnosticsCard());
    m_pieces.privacyNote =
        new KitText(QStringLiteral("Reports go only to Veldor Pellrath. We use them to improve ") +
                        m_model->config().appName +
                        QStringLiteral(", never sell or share them, and delete them 90 days "
                                       "after the beta ends."),
                    bkFont(11.5, 400), bkMuted, scheme);
    items->addWidget(m_pieces.privacyNote);
    items->addStretch(1);

    auto* scroll = new QScrollArea;
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    scroll->viewport()->setAutoFillBackground(false);
    scroll->setWidget(columnWidget);
    m_pieces.scroll = scroll;
    layout->addWidget(scroll, 1);
    layout->addWidget(new KitRule(scheme));
    layout->addWidget(buildFooter());
    return form;
}

QWidget* BetaFeedbackView::buildHeader() {
    auto* header = new QWidget;
    auto* layout = row(header, 14);
    auto* mark = new VeldorPellrathMark(m_services.scheme);
    mark->setFixedSize(44, 44);
    layout->addWidget(mark, 0, Qt::AlignVCenter);
    auto* texts = new QWidget;
    auto* lines = column(texts, 6);
    m_pieces.kicker = new KitText(QStringLiteral("BETA FEEDBACK"), tracked(bkFont(11, 500), 1.1), bkAccent,
                                  m_services.scheme);
    m_pieces.title = new KitText({}, tracked(bkFont(20, 517), -0.4), bkText, m_services.scheme);
    lines->addWidget(m_pieces.kicker);
    lines->addWidget(m_pieces.title);
    layout->addWidget(texts, 1, Qt::AlignVCenter);
    return header;
}

QWidget* BetaFeedbackView::buildKinds() {
    static const std::map<BetaFeedback::Kind, const char*> symbols{
        {BetaFeedback::Kind::Problem, "exclamationmark.triangle"},
        {BetaFeedback::Kind::Confusing, "questionmark.circle"},
        {BetaFeedback::Kind::Idea, "lightbulb"},
        {BetaFeedback::Kind::Love, "heart"},
    };
    auto* kinds = new QWidget;
    auto* layout = row(kinds, 8);
    for (BetaFeedback::Kind kind : BetaFeedback::allKinds) {
        auto* choice =
            new BKChoice(BetaFeedback::title(kind), QString::fromLatin1(symbols.at(kind)), m_services.scheme);
        connect(choice, &QAbstractButton::clicked, this,
                [this, kind] { m_model->editFeedback([kind](BetaFeedback& f) { f.kind = kind; }); });
        m_pieces.kinds[kind] = choice;
        layout->addWidget(choice);
    }
    layout->addStretch(1);
    return kinds;
}

QWidget* BetaFeedbackView::buildSeverities() {
    auto* severities = new QWidget;
    auto* layout = row(severities, 8);
    for (BetaFeedback::Severity severity : BetaFeedback::allSeverities) {
        auto* choice = new BKChoice(BetaFeedback::title(severity), {}, m_services.scheme);
        connect(choice, &QAbstractButton::clicked, this, [this, severity] {
            // The chosen severity again clears it.
            m_model->editFeedback([severity](BetaFeedback& f) {
                if (f.severity == severity)
                    f.severity.reset();
                else
                    f.severity = severity;
            });
        });
        m_pieces.severities[severity] = choice;
        layout->addWidget(choice);
    }
    layout->addStretch(1);
    return severities;
}

QWidget* BetaFeedbackView::buildDiagnosticsCard() {
    const SchemeSource& scheme = m_services.scheme;
    const QString app = m_model->config().appName;
    auto* card = new KitBox(12, bkSurface, scheme);
    auto* layout = column(card, 10);
    layout->setContentsMargins(14, 14, 14, 14);

    m_pieces.diagnostics =
        new KitCheckBox(QStringLiteral("Include diagnostic information"), bkFont(13, 500), scheme);
    connect(m_pieces.diagnostics, &QCheckBox::toggled, this,
            [this](bool on) { m_model->editFeedback([on](BetaFeedback& f) { f.includeDiagnostics = on; }); });
    layout->addWidget(m_pieces.diagnostics);

    auto* explanation = new QWidget;
    auto* paragraphs = column(explanation, 8);
    paragraphs->setContentsMargins(20, 0, 0, 0);
    auto* adds = new KitText(QStringLiteral("Adds ") + app +
                                 QStringLiteral("\u2019s own activity log from the last 3 "
                                                "days, plus any crash reports from ") +
                                 app + QStringLiteral(". It helps us find and fix problems."),
                             bkFont(11.5, 400), bkMuted, scheme);
    auto* included = new KitText({}, bkFont(11.5, 400), bkMuted, scheme);
    const QString includedRest =
        QStringLiteral(" the app version, your system\u2019s version, your type of computer, the options "
                       "you\u2019ve chosen in ") +
        app + QStringLiteral(", and a record of what ") + app +
        QStringLiteral(" did, such as \u201Cexport started\u201D or \u201Cexport failed: "
                       "error 12\u201D.");
    included->setRichText([includedRest](Scheme s) {
        return leadIn(QStringLiteral("What\u2019s included:"), includedRest, s);
    });
    auto* never = new KitText({}, bkFont(11.5, 400), bkMuted, scheme);
    never->setRichText([](Scheme s) {
        return leadIn(
            QStringLiteral("What\u2019s never included:"),
            QStringLiteral(
                " your name, email address or your computer\u2019s name; the names or contents of your "
                "files, documents, contacts or messages; screenshots; anything from other apps; "
                "anything that could identify you. The log is built so it can\u2019t record "
                "those things, and every report is checked again before it\u2019s sent."),
            s);
    });
    for (KitText* paragraph : {adds, included, never}) {
        paragraphs->addWidget(paragraph);
        m_pieces.explanation << paragraph;
    }
    layout->addWidget(explanation);

    m_pieces.previewLink =
        new KitLink(QStringLiteral("Show exactly what will be sent"), bkFont(11.5, 500), scheme);
    connect(m_pieces.previewLink, &QAbstractButton::clicked, this, [this] { m_model->showPreview(); });
    auto* link = new QWidget;
    auto* linkRow = row(link, 0);
    linkRow->setContentsMargins(20, 0, 0, 0);
    linkRow->addWidget(m_pieces.previewLink);
    linkRow->addStretch(1);
    layout->addWidget(link);
    return card;
}

QWidget* BetaFeedbackView::buildFooter() {
    const SchemeSource& scheme = m_services.scheme;
    auto* footer = new QWidget;
    auto* rows = column(footer, 0);
    rows->setContentsMargins(24, 14, 24, 14);

    // Editing and sending.
    m_pieces.editingRow = new QWidget;
    auto* editing = row(m_pieces.editingRow, 10);
    m_pieces.spinner = new KitSpinner(m_services);
    m_pieces.sendingText = new KitText(QStringLiteral("Sending\u2026"), bkFont(11.5, 400), bkMuted, scheme);
    m_pieces.sendingText->setWordWrap(false);
    m_pieces.cancel = new BKButton(BKSecondaryButtonStyle{}, {QStringLiteral("Cancel")}, scheme);
    m_pieces.send = new BKButton(BKPrimaryButtonStyle{}, {QStringLiteral("Send")}, scheme);
    editing->addWidget(m_pieces.spinner);
    editing->addWidget(m_pieces.sendingText);
    editing->addStretch(1);
    editing->addWidget(m_pieces.cancel);
    editing->addWidget(m_pieces.send);
    connect(m_pieces.cancel, &QAbstractButton::clicked, this, [this] { m_close(); });
    connect(m_pieces.send, &QAbstractButton::clicked, this, [this] { m_model->send(); });
    rows->addWidget(m_pieces.editingRow);

    // Failed.
    m_pieces.failedRow = new QWidget;
    auto* failed = row(m_pieces.failedRow, 10);
    m_pieces.error = new KitText({}, bkFont(11.5, 400), bkBad, scheme);
    m_pieces.error->setMaximumLines(3);
    m_pieces.error->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    m_pieces.mail = new BKButton(BKSecondaryButtonStyle{}, {QStringLiteral("Send by email instead")}, scheme);
    m_pieces.tryAgain = new BKButton(BKPrimaryButtonStyle{}, {QStringLiteral("Try again")}, scheme);
    failed->addWidget(m_pieces.error, 1);
    failed->addSpacing(8 - failed->spacing() > 0 ? 8 - failed->spacing() : 0);
    failed->addWidget(m_pieces.mail);
    failed->addWidget(m_pieces.tryAgain);
    connect(m_pieces.mail, &QAbstractButton::clicked, this, [this] { m_model->sendByEmail(); });
    connect(m_pieces.tryAgain, &QAbstractButton::clicked, this, [this] { m_model->send(); });
    rows->addWidget(m_pieces.failedRow);
    return footer;
}

QWidget* BetaFeedbackView::buildSentView() {
    const SchemeSource& scheme = m_services.scheme;
    auto* sent = new QWidget;
    m_pieces.sentView = sent;
    auto* items = column(sent, 14);
    items->setContentsMargins(0, 0, 0, 24);
    items->addStretch(1);
    items->addWidget(
        new KitSymbol(QStringLiteral("checkmark.circle"), 40, platform::SymbolWeight::Light, bkGood, scheme),
        0, Qt::AlignHCenter);
    m_pieces.thanks = new KitText(QStringLiteral("Thank you!"), bkFont(20, 517), bkText, scheme);
    m_pieces.thanks->setWordWrap(false);
    items->addWidget(m_pieces.thanks, 0, Qt::AlignHCenter);
    m_pieces.thanksMessage = new KitText({}, bkFont(13, 340), bkMuted, scheme);
    m_pieces.thanksMessage->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_pieces.thanksMessage->setFixedWidth(380);
    items->addWidget(m_pieces.thanksMessage, 0, Qt::AlignHCenter);
    items->addStretch(1);
    m_pieces.close = new BKButton(BKPrimaryButtonStyle{}, {QStringLiteral("Close")}, scheme);
    connect(m_pieces.close, &QAbstractButton::clicked, this, [this] { m_close(); });
    items->addWidget(m_pieces.close, 0, Qt::AlignHCenter);
    return sent;
}

// Following the model

void BetaFeedbackView::followFeedback() {
    const BetaFeedback& f = m_model->feedback();
    const QString app = m_model->config().appName;
    m_pieces.title->setPlainText(f.afterCrash ? app + QStringLiteral(" quit unexpectedly. What happened?")
                                              : QStringLiteral("Tell us about ") + app);
    for (const auto& [kind, choice] : m_pieces.kinds)
        choice->setSelected(kind == f.kind);
    m_pieces.severitySection->setVisible(f.kind == BetaFeedback::Kind::Problem);
    for (const auto& [severity, choice] : m_pieces.severities)
        choice->setSelected(f.severity == severity);

    // Fields are written only when they differ, so typing keeps its cursor.
    if (m_pieces.summary->edit()->text() != f.summary)
        m_pieces.summary->edit()->setText(f.summary);
    m_pieces.summaryWarning->setVisible(Characters::exceeds(f.cleanSummary(), BetaFeedback::summaryLimit));
    if (m_pieces.details->edit()->toPlainText() != f.details)
        m_pieces.details->edit()->setPlainText(f.details);
    m_pieces.details->placeholder()->setPlainText(feedbackPrompt(*m_model));
    if (m_pieces.email->edit()->text() != f.email)
        m_pieces.email->edit()->setText(f.email);
    const auto [note, color] = emailNote(f);
    m_pieces.emailNote->setPlainText(note);
    m_pieces.emailNote->setColor(color);
    if (m_pieces.diagnostics->isChecked() != f.includeDiagnostics)
        m_pieces.diagnostics->setChecked(f.includeDiagnostics);

    m_pieces.send->setEnabled(f.isReady() && !m_model->isSending());
    m_pieces.tryAgain->setEnabled(f.isReady());
    m_pieces.thanksMessage->setPlainText(thankYouMessage(*m_model));
}

void BetaFeedbackView::followStage() {
    const FeedbackModel::Stage& stage = m_model->stage();
    const bool sent = std::holds_alternative<FeedbackModel::Sent>(stage);
    const auto* failed = std::get_if<FeedbackModel::Failed>(&stage);
    const bool sending = m_model->isSending();
    m_pieces.form->setVisible(!sent);
    m_pieces.sentView->setVisible(sent);
    m_pieces.editingRow->setVisible(!failed);
    m_pieces.failedRow->setVisible(failed != nullptr);
    m_pieces.spinner->setVisible(sending);
    m_pieces.sendingText->setVisible(sending);
    if (failed)
        m_pieces.error->setPlainText(QStringLiteral("Couldn\u2019t send: ") + failed->error.message());
    m_pieces.send->setEnabled(m_model->feedback().isReady() && !sending);
}

void BetaFeedbackView::followPreview() {
    const std::optional<QString>& preview = m_model->preview();
    if (preview && !m_sheet) {
        m_sheet = new PreviewSheet(
            *preview, [model = m_model] { model->dismissPreview(); }, m_services, this);
        // Dismissed any other way (Escape, the window manager) closes the preview all the same.
        connect(m_sheet, &QDialog::finished, this, [model = m_model] { model->dismissPreview(); });
        m_sheet->open();
    } else if (!preview && m_sheet) {
        PreviewSheet* sheet = m_sheet;
        m_sheet = nullptr;
        sheet->disconnect(this);
        sheet->hide();
        sheet->deleteLater();
    }
}

void BetaFeedbackView::paintEvent(QPaintEvent*) {
    const Scheme scheme = m_services.now();
    followPalette(*this, kitPalette(scheme));
    QPainter(this).fillRect(rect(), bkBackground.resolve(scheme));
}

} // namespace betakit
