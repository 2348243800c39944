#include "FormPieces.h"

#include "platform/Platform.h"
#include "platform/drawing/RoundedRect.h"

#include <QPainter>
#include <QResizeEvent>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace betakit {

KitViewServices KitViewServices::of(const platform::Platform& platform) {
    auto* appearance = platform.find<platform::Appearance>();
    return {[appearance] { return appearance ? appearance->scheme() : Scheme::Light; }, &platform.runtime()};
}

QPalette kitPalette(Scheme scheme, BKColor text) {
    QPalette palette;
    const QColor ink = text.resolve(scheme);
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::WindowText, ink);
        palette.setColor(group, QPalette::Text, ink);
        palette.setColor(group, QPalette::ButtonText, ink);
        palette.setColor(group, QPalette::Window, bkBackground.resolve(scheme));
        palette.setColor(group, QPalette::Base, bkField.resolve(scheme));
        palette.setColor(group, QPalette::AlternateBase, bkSurface.resolve(scheme));
        palette.setColor(group, QPalette::Button, bkSurface.resolve(scheme));
        palette.setColor(group, QPalette::Mid, bkLine.resolve(scheme));
        palette.setColor(group, QPalette::Dark, bkLine.resolve(scheme));
        palette.setColor(group, QPalette::Light, bkSurface.resolve(scheme));
        palette.setColor(group, QPalette::Highlight, bkAccent.resolve(scheme));
        palette.setColor(group, QPalette::HighlightedText, Qt::white);
        palette.setColor(group, QPalette::PlaceholderText, bkMuted.resolve(scheme));
        palette.setColor(group, QPalette::Link, bkAccent.resolve(scheme));
    }
    return palette;
}

void followPalette(QWidget& widget, const QPalette& palette) {
    if (widget.palette() != palette)
        widget.setPalette(palette);
}

// KitText

KitText::KitText(const QString& text, const QFont& font, BKColor color, SchemeSource scheme, QWidget* parent)
    : QLabel(parent), m_color(color), m_scheme(std::move(scheme)) {
    setFont(font);
    setWordWrap(true);
    setTextFormat(Qt::PlainText);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setPlainText(text);
    follow(schemeOf(m_scheme));
}

void KitText::setColor(BKColor color) {
    m_color = color;
    follow(schemeOf(m_scheme));
}

void KitText::setPlainText(const QString& text) {
    m_rich = nullptr;
    m_plain = text;
    setTextFormat(Qt::PlainText);
    fitLines();
}

void KitText::setRichText(std::function<QString(Scheme)> build) {
    m_rich = std::move(build);
    m_richScheme.reset();
    setTextFormat(Qt::RichText);
    follow(schemeOf(m_scheme));
}

void KitText::setMaximumLines(int lines) {
    m_maximumLines = lines;
    fitLines();
}

void KitText::follow(Scheme scheme) {
    QPalette palette = this->palette();
    palette.setColor(QPalette::WindowText, m_color.resolve(scheme));
    followPalette(*this, palette);
    if (m_rich && m_richScheme != scheme) {
        m_richScheme = scheme;
        setText(m_rich(scheme));
    }
}

void KitText::fitLines() {
    if (m_rich)
        return;
    if (m_maximumLines <= 0 || width() <= 0) {
        if (text() != m_plain)
            setText(m_plain);
        return;
    }
    // Lay the text out at this width; past the last allowed line, cut the rest into that line.
    QTextLayout layout(m_plain, font());
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    int lines = 0;
    int lastStart = 0;
    bool more = false;
    while (true) {
        QTextLine line = layout.createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(width());
        if (lines == m_maximumLines) {
            more = true;
            break;
        }
        lastStart = line.textStart();
        ++lines;
    }
    layout.endLayout();
    QString shown = m_plain;
    if (more) {
        const QString rest = m_plain.mid(lastStart);
        shown = m_plain.left(lastStart) +
                QFontMetrics(font()).elidedText(QString(rest).replace(u'\n', u' '), Qt::ElideRight, width());
    }
    if (text() != shown)
        setText(shown);
}

void KitText::paintEvent(QPaintEvent* event) {
    follow(schemeOf(m_scheme));
    QLabel::paintEvent(event);
}

QSize KitText::fitted(QSize hint) const {
    // A label guesses its wrapped height for a width of its own choosing, which is not the width
    // the layout gives it: too tall, a column ends in blank space; too short, the last line goes.
    if (wordWrap() && width() > 0)
        hint.setHeight(heightForWidth(width()));
    return hint;
}

int KitText::heightForWidth(int width) const {
    return QLabel::heightForWidth(std::min(width, maximumWidth()));
}

QSize KitText::sizeHint() const {
    return fitted(QLabel::sizeHint());
}

QSize KitText::minimumSizeHint() const {
    return fitted(QLabel::minimumSizeHint());
}

void KitText::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    fitLines();
    if (wordWrap() && event->oldSize().width() != width())
        updateGeometry();
}

// KitBox and KitRule

KitBox::KitBox(qreal radius, BKColor fill, SchemeSource scheme, QWidget* parent)
    : QWidget(parent), m_radius(radius), m_fill(fill), m_scheme(std::move(scheme)) {}

void KitBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const Scheme scheme = schemeOf(m_scheme);
    const platform::RoundedRect shape{QRectF(rect()), m_radius};
    shape.fill(painter, m_fill.resolve(scheme));
    shape.strokeInside(painter, bkLine.resolve(scheme), 1.0);
}

KitRule::KitRule(SchemeSource scheme, QWidget* parent) : QWidget(parent), m_scheme(std::move(scheme)) {
    setFixedHeight(1);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void KitRule::paintEvent(QPaintEvent*) {
    QPainter(this).fillRect(rect(), bkLine.resolve(schemeOf(m_scheme)));
}

// KitField and KitEditor

namespace {

// Qt's own text controls draw on the box below them.
void seeThrough(QWidget& widget) {
    QPalette palette = widget.palette();
    palette.setColor(QPalette::Base, Qt::transparent);
    widget.setPalette(palette);
    widget.setAutoFillBackground(false);
}

} // namespace

KitField::KitField(const QString& placeholder, SchemeSource scheme, QWidget* parent)
    : KitBox(8, bkField, std::move(scheme), parent), m_edit(new QLineEdit(this)) {
    m_edit->setFrame(false);
    m_edit->setFont(bkFont(13, 340));
    m_edit->setPlaceholderText(placeholder);
    m_edit->setTextMargins(0, 0, 0, 0);
    seeThrough(*m_edit);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 0, 10, 0);
    layout->addWidget(m_edit);
    setMinimumHeight(32);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFocusProxy(m_edit);
}

KitEditor::KitEditor(SchemeSource scheme, QWidget* parent)
    : KitBox(8, bkField, scheme, parent), m_edit(new QPlainTextEdit(this)),
      m_placeholder(new KitText({}, bkFont(13, 340), bkMuted, scheme, this)) {
    m_edit->setFrameShape(QFrame::NoFrame);
    m_edit->setFont(bkFont(13, 340));
    m_edit->setTabChangesFocus(true);
    seeThrough(*m_edit);
    seeThrough(*m_edit->viewport());
    // 6 points around the text, and 5 more at the sides of its lines, where the placeholder sits.
    m_edit->document()->setDocumentMargin(0);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(11, 6, 11, 6);
    layout->addWidget(m_edit);
    m_placeholder->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_placeholder->raise();
    m_edit->setMinimumHeight(0);
    setMinimumHeight(kHeight);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFocusProxy(m_edit);
    connect(m_edit, &QPlainTextEdit::textChanged, this, &KitEditor::updatePlaceholder);
    updatePlaceholder();
}

void KitEditor::updatePlaceholder() {
    m_placeholder->setVisible(m_edit->document()->isEmpty());
}

void KitEditor::resizeEvent(QResizeEvent* event) {
    KitBox::resizeEvent(event);
    const int width = this->width() - 22;
    m_placeholder->setGeometry(11, 6, width, m_placeholder->heightForWidth(width));
}

// KitLink

KitLink::KitLink(const QString& text, const QFont& font, SchemeSource scheme, QWidget* parent)
    : QAbstractButton(parent), m_scheme(std::move(scheme)) {
    setText(text);
    setFont(font);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize KitLink::sizeHint() const {
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(text()) + 1, metrics.height()};
}

void KitLink::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QColor ink = bkAccent.resolve(schemeOf(m_scheme));
    if (isDown())
        ink.setAlphaF(0.7f);
    painter.setPen(ink);
    painter.setFont(font());
    painter.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter, text());
}

// KitSymbol

KitSymbol::KitSymbol(QString name, qreal size, platform::SymbolWeight weight, BKColor color,
                     SchemeSource scheme, QWidget* parent)
    : QWidget(parent), m_name(std::move(name)), m_size(size), m_weight(weight), m_color(color),
      m_scheme(std::move(scheme)) {
    const int side = int(std::ceil(size));
    setFixedSize(side, side);
}

void KitSymbol::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    platform::Symbols::paint(painter, m_name, QRectF(rect()).center(), m_size,
                             m_color.resolve(schemeOf(m_scheme)), m_weight);
}

// KitSpinner

KitSpinner::KitSpinner(KitViewServices services, QWidget* parent)
    : QWidget(parent), m_services(std::move(services)) {
    setFixedSize(kSize, kSize);
}

void KitSpinner::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (m_services.runtime && !m_timer)
        m_timer = m_services.runtime->every(kTurn / 12, 0, [this] { update(); });
}

void KitSpinner::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    if (m_timer)
        m_timer->cancel();
    m_timer.reset();
}

void KitSpinner::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const double now = m_services.runtime ? m_services.runtime->clock().uptime() : 0.0;
    const int lead = int(std::fmod(now / kTurn, 1.0) * 12);
    const QColor ink = bkMuted.resolve(m_services.now());
    const QPointF centre = QRectF(rect()).center();
    for (int spoke = 0; spoke < 12; ++spoke) {
        QColor color = ink;
        // The leading spoke darkest, the ones behind it fading.
        color.setAlphaF(float(1.0 - ((lead - spoke + 12) % 12) / 13.0));
        const double angle = spoke * std::numbers::pi / 6 - std::numbers::pi / 2;
        const QPointF direction(std::cos(angle), std::sin(angle));
        painter.setPen(QPen(color, 1.6, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(centre + direction * 3.6, centre + direction * 7.0);
    }
}

// KitCheckBox

KitCheckBox::KitCheckBox(const QString& text, const QFont& font, SchemeSource scheme, QWidget* parent)
    : QCheckBox(text, parent), m_scheme(std::move(scheme)) {
    setFont(font);
    setPalette(kitPalette(schemeOf(m_scheme)));
}

void KitCheckBox::paintEvent(QPaintEvent* event) {
    followPalette(*this, kitPalette(schemeOf(m_scheme)));
    QCheckBox::paintEvent(event);
}

} // namespace betakit
