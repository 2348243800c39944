#include "PreviewSheet.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QPainter>
#include <QPlainTextEdit>
#include <QShortcut>
#include <QVBoxLayout>

namespace betakit {

PreviewSheet::PreviewSheet(const QString& text, std::function<void()> close, KitViewServices services,
                           QWidget* parent)
    : QDialog(parent, Qt::Dialog), m_services(std::move(services)) {
    setWindowModality(Qt::WindowModal);
    setFixedSize(kSize);
    setPalette(kitPalette(m_services.now()));
    const SchemeSource& scheme = m_services.scheme;

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 20, 20, 20);
    layout->setSpacing(12);
    QFont titleFont = bkFont(20, 517);
    titleFont.setLetterSpacing(QFont::AbsoluteSpacing, -0.4);
    layout->addWidget(new KitText(QStringLiteral("Exactly what will be sent"), titleFont, bkText, scheme));
    layout->addWidget(
        new KitText(QStringLiteral("This is the complete report. It\u2019s compressed for the trip, "
                                   "and nothing is added on the way."),
                    bkFont(11.5, 400), bkMuted, scheme));

    auto* box = new KitBox(8, bkField, scheme);
    auto* boxLayout = new QVBoxLayout(box);
    boxLayout->setContentsMargins(1, 1, 1, 1);
    m_report = new QPlainTextEdit;
    m_report->setFrameShape(QFrame::NoFrame);
    m_report->setReadOnly(true);
    m_report->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_report->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_report->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_report->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    mono.setPointSizeF(11 * 0.75);
    m_report->setFont(mono);
    m_report->document()->setDocumentMargin(10);
    QPalette clear = m_report->palette();
    clear.setColor(QPalette::Base, Qt::transparent);
    m_report->setPalette(clear);
    m_report->viewport()->setAutoFillBackground(false);
    m_report->setPlainText(text);
    boxLayout->addWidget(m_report);
    layout->addWidget(box, 1);

    auto* bottom = new QHBoxLayout;
    m_size = new KitText(sizeText(text), bkFont(11.5, 400), bkMuted, scheme);
    m_size->setWordWrap(false);
    m_done = new BKButton(BKPrimaryButtonStyle{}, {QStringLiteral("Done")}, scheme);
    bottom->addWidget(m_size);
    bottom->addStretch(1);
    bottom->addWidget(m_done);
    layout->addLayout(bottom);

    connect(m_done, &QAbstractButton::clicked, this, [close = std::move(close)] { close(); });
    for (int key : {Qt::Key_Return, Qt::Key_Enter}) {
        auto* shortcut = new QShortcut(QKeySequence(key), this);
        connect(shortcut, &QShortcut::activated, m_done, &QAbstractButton::click);
    }
    m_done->setFocus();
}

QString PreviewSheet::sizeText(const QString& text) {
    return QString::number(text.toUtf8().size() / 1024 + 1) + QStringLiteral(" KB");
}

void PreviewSheet::paintEvent(QPaintEvent*) {
    const Scheme scheme = m_services.now();
    followPalette(*this, kitPalette(scheme));
    QPainter(this).fillRect(rect(), bkBackground.resolve(scheme));
}

} // namespace betakit
