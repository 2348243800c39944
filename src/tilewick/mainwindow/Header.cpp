#include "Header.h"

#include "TipTracker.h"

#include "betakit/BetaFeedbackButton.h"
#include "betakit/VeldorPellrathMark.h"
#include "tilewick/store/TilewickStore.h"
#include "tilewick/visuals/Chip.h"
#include "tilewick/visuals/InterFont.h"
#include "tilewick/visuals/QuarterIcon.h"
#include "tilewick/visuals/RoundedRect.h"
#include "tilewick/visuals/Symbols.h"
#include "tilewick/visuals/Theme.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace tilewick {

namespace {

constexpr qreal kCreditSpacing = 7;
constexpr QSizeF kMarkSize(22, 17);
constexpr qreal kCreditLeading = 16;
// The least a flexible spacer takes between the two ends of the row.
constexpr qreal kSpacerMinimum = 8;
constexpr qreal kWarningSymbolSize = 16;
constexpr qreal kSwitchWidth = 28;
constexpr qreal kSwitchHeight = 16;
constexpr qreal kSwitchGap = 8;

QFont tracked(QFont font, qreal tracking) {
    font.setLetterSpacing(QFont::AbsoluteSpacing, tracking);
    return font;
}

const QFont& byFont() {
    return interFont(11.5, 340);
}

QFont makerFont() {
    return tracked(interFont(10.5, 500), 1.4);
}

// The cap height that both texts of the credit centre on, measured once.
qreal creditCapHeight() {
    static const qreal capHeight = QFontMetricsF(interFont(10.5, 500)).capHeight();
    return capHeight;
}

QSize ceilSize(QSizeF size) {
    return {int(std::ceil(size.width())), int(std::ceil(size.height()))};
}

const QString kMaker = QStringLiteral("VELDOR PELLRATH");

// The product icon at its size, light or dark with the scheme.
class IconView final : public QWidget {
public:
    explicit IconView(ViewServices services, QWidget* parent)
        : QWidget(parent), m_services(std::move(services)) {}
    void setSide(qreal side) {
        m_side = side;
        updateGeometry();
        update();
    }
    QSize sizeHint() const override { return ceilSize({m_side, m_side}); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        QuarterIcon{m_side, m_services.scheme() == Scheme::Dark}.paint(painter, {0, 0});
    }

private:
    ViewServices m_services;
    qreal m_side = 50;
};

// A status chip as a widget.
class ChipView final : public QWidget {
public:
    ChipView(Chip chip, ViewServices services, QWidget* parent)
        : QWidget(parent), m_chip(std::move(chip)), m_services(std::move(services)) {
        setAccessibleName(m_chip.text);
    }
    QSize sizeHint() const override { return ceilSize(m_chip.sizeHint()); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        m_chip.paint(painter, {0, 0}, m_services.scheme());
    }

private:
    Chip m_chip;
    ViewServices m_services;
};

} // namespace

SymbolView::SymbolView(QString name, qreal size, std::function<QColor()> color, QWidget* parent)
    : QWidget(parent), m_name(std::move(name)), m_size(size), m_color(std::move(color)) {}

QSize SymbolView::sizeHint() const {
    return ceilSize({m_size, m_size});
}

void SymbolView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    Symbols::paint(painter, m_name, QRectF(rect()).center(), m_size, m_color());
}

MakerCredit::MakerCredit(ViewServices services, QWidget* parent)
    : QWidget(parent), m_services(std::move(services)) {
    setAccessibleName(QStringLiteral("by Veldor Pellrath"));
}

QSize MakerCredit::sizeHint() const {
    const qreal by = QFontMetricsF(byFont()).horizontalAdvance(QStringLiteral("by"));
    const qreal maker = QFontMetricsF(makerFont()).horizontalAdvance(kMaker);
    const qreal height =
        std::max({kMarkSize.height(), QFontMetricsF(byFont()).height(), QFontMetricsF(makerFont()).height()});
    return ceilSize({by + kMarkSize.width() + maker + 2 * kCreditSpacing, height});
}

void MakerCredit::paintEvent(QPaintEvent*) {
    const Scheme scheme = m_services.scheme();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal middle = height() / 2.0;
    // Each text's baseline sits half a cap height below the middle, so capitals centre on it.
    const qreal baseline = middle + creditCapHeight() / 2;
    qreal x = 0;
    painter.setFont(byFont());
    painter.setPen(Theme::textSecondary.resolve(scheme));
    painter.drawText(QPointF(x, baseline), QStringLiteral("by"));
    x += QFontMetricsF(byFont()).horizontalAdvance(QStringLiteral("by")) + kCreditSpacing;
    betakit::VeldorPellrathMark::paint(
        painter, QRectF(QPointF(x, middle - kMarkSize.height() / 2), kMarkSize), scheme);
    x += kMarkSize.width() + kCreditSpacing;
    painter.setFont(makerFont());
    painter.setPen(Theme::text.resolve(scheme, 0.8));
    painter.drawText(QPointF(x, baseline), kMaker);
}

Wordmark::Wordmark(ViewServices services, QWidget* parent)
    : QWidget(parent), m_services(std::move(services)) {
    setAccessibleName(QStringLiteral("TILEWICK"));
}

void Wordmark::setFontSize(qreal size) {
    if (size == m_size)
        return;
    m_size = size;
    updateGeometry();
    update();
}

namespace {

QFont wordmarkFont(qreal size, bool first) {
    return tracked(first ? interFont(size, 750) : interFont(size, 600), -0.4);
}

} // namespace

QSize Wordmark::sizeHint() const {
    const QFontMetricsF first(wordmarkFont(m_size, true)), second(wordmarkFont(m_size, false));
    return ceilSize(
        {first.horizontalAdvance(QStringLiteral("TILE")) + second.horizontalAdvance(QStringLiteral("WICK")),
         std::max(first.height(), second.height())});
}

void Wordmark::paintEvent(QPaintEvent*) {
    const Scheme scheme = m_services.scheme();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QFont first = wordmarkFont(m_size, true), second = wordmarkFont(m_size, false);
    const QFontMetricsF metrics(first);
    const qreal baseline = (height() - metrics.height()) / 2 + metrics.ascent();
    const qreal firstWidth = metrics.horizontalAdvance(QStringLiteral("TILE"));
    painter.setFont(first);
    painter.setPen(Theme::text.resolve(scheme));
    painter.drawText(QPointF(0, baseline), QStringLiteral("TILE"));
    // The second run is filled with the window gradient over its own bounds.
    QPainterPath run;
    run.addText(QPointF(firstWidth, baseline), second, QStringLiteral("WICK"));
    const QRectF runBounds(firstWidth, 0, width() - firstWidth, height());
    painter.fillPath(run, Theme::accentGradient.resolve(runBounds, scheme));
}

ToggleSwitch::ToggleSwitch(const QString& label, ViewServices services, QWidget* parent)
    : QAbstractButton(parent), m_services(std::move(services)) {
    setText(label);
    setCheckable(true);
    setCursor(Qt::PointingHandCursor);
}

QSize ToggleSwitch::sizeHint() const {
    const QFontMetricsF metrics(interFont(13, 500));
    return ceilSize({metrics.horizontalAdvance(text()) + kSwitchGap + kSwitchWidth,
                     std::max(metrics.height(), kSwitchHeight)});
}

void ToggleSwitch::paintEvent(QPaintEvent*) {
    const Scheme scheme = m_services.scheme();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(isEnabled() ? 1.0 : 0.45);
    const QRectF all(rect());
    painter.setFont(interFont(13, 500));
    painter.setPen(Theme::text.resolve(scheme));
    painter.drawText(all.adjusted(0, 0, -(kSwitchGap + kSwitchWidth), 0), Qt::AlignLeft | Qt::AlignVCenter,
                     text());
    const QRectF track(all.right() - kSwitchWidth, all.center().y() - kSwitchHeight / 2, kSwitchWidth,
                       kSwitchHeight);
    const RoundedRect shape{track, kSwitchHeight / 2, CornerStyle::Circular};
    if (isChecked()) {
        shape.fill(painter, Theme::accent.resolve(scheme));
    } else {
        shape.fill(painter, Theme::border.resolve(scheme));
    }
    if (isDown())
        shape.fill(painter, QColor(0, 0, 0, 20));
    const qreal knob = kSwitchHeight - 3;
    const qreal knobX = isChecked() ? track.right() - 1.5 - knob : track.left() + 1.5;
    const QRectF knobRect(knobX, track.top() + 1.5, knob, knob);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, 30));
    painter.drawEllipse(knobRect.translated(0, 0.5));
    painter.setBrush(Qt::white);
    painter.drawEllipse(knobRect);
}

ManualButton::ManualButton(std::function<void()> showManual, ViewServices services, QWidget* parent)
    : CVButton(CVSecondaryButtonStyle{true, false},
               ButtonLabel{QString(), QStringLiteral("questionmark"), 12, SymbolWeight::Semibold},
               std::move(services), parent) {
    setAccessibleName(QStringLiteral("Tilewick Manual"));
    setEnabled(bool(showManual));
    if (showManual)
        connect(this, &QAbstractButton::clicked, this, [showManual] { showManual(); });
}

Header::Header(TilewickStore& store, ViewServices services, HoverTipState& tips, QWidget& tipRoot,
               std::function<void()> showManual, QWidget* parent)
    : RestoresWindowSize(store, parent), m_services(services) {
    setObjectName(QStringLiteral("Header"));
    auto* icon = new IconView(services, this);
    m_icon = icon;
    m_wordmark = new Wordmark(services, this);
    m_credit = new MakerCredit(services, this);
    m_chip = new ChipView(Chip{QStringLiteral("Needs Accessibility"), StatusTone::warn,
                               QStringLiteral("exclamationmark.triangle")},
                          services, this);
    m_symbol = new SymbolView(
        QStringLiteral("exclamationmark.triangle"), kWarningSymbolSize,
        [services] { return Theme::warn.resolve(services.scheme()); }, this);
    m_symbol->setAccessibleName(QStringLiteral("Needs Accessibility"));
    m_overlay = new ToggleSwitch(QStringLiteral("Keyboard Overlay"), services, this);
    m_login = new ToggleSwitch(QStringLiteral("Start at Login"), services, this);
    m_manual = new ManualButton(std::move(showManual), services, this);
    m_feedback = new betakit::BetaFeedbackButton(
        false, [services] { return services.scheme(); }, this);
    // The main window's own tip replaces the kit's help text.
    m_feedback->setToolTip(QString());

    TipTracker::attach(*m_icon, QString::fromUtf8(HeaderTips::icon), tips, tipRoot);
    TipTracker::attach(*m_symbol, QString::fromUtf8(HeaderTips::warning), tips, tipRoot);
    TipTracker::attach(*m_overlay, QString::fromUtf8(HeaderTips::overlay), tips, tipRoot);
    TipTracker::attach(*m_login, QString::fromUtf8(HeaderTips::login), tips, tipRoot);
    TipTracker::attach(*m_manual, QString::fromUtf8(HeaderTips::manual), tips, tipRoot);
    TipTracker::attach(*m_feedback, QString::fromUtf8(HeaderTips::feedback), tips, tipRoot);

    connect(m_overlay, &QAbstractButton::clicked, this,
            [this] { this->store().setKeyboardOverlay(!this->store().keyboardOverlay()); });
    connect(m_login, &QAbstractButton::clicked, this,
            [this] { this->store().setLaunchAtLogin(!this->store().launchAtLogin()); });
    connect(&store, &TilewickStore::keyboardOverlayChanged, this, &Header::refresh);
    connect(&store, &TilewickStore::launchAtLoginChanged, this, &Header::refresh);
    refresh();
}

void Header::refresh() {
    m_overlay->setChecked(store().keyboardOverlay());
    m_login->setChecked(store().launchAtLogin());
}

void Header::apply(const MainLayout& layout) {
    m_layout = layout;
    static_cast<IconView*>(m_icon)->setSide(layout.iconSize);
    m_wordmark->setFontSize(layout.wordmarkSize);
    m_chip->setVisible(layout.headerWarning == MainLayout::Warning::chip);
    m_symbol->setVisible(layout.headerWarning == MainLayout::Warning::symbol);
    m_overlay->setVisible(layout.overlaySwitch);
    m_login->setVisible(layout.loginSwitch);
    m_manual->setVisible(layout.helpButtons);
    m_feedback->setVisible(layout.helpButtons);
    m_feedback->setIconOnly(layout.feedbackIconOnly);
    relayout();
}

int Header::heightForLayout() const {
    int row = 0;
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (!child->isHidden())
            row = std::max(row, child->sizeHint().height());
    return int(std::ceil(m_layout.headerTop + row + MainLayout::kHeaderBottom));
}

void Header::resizeEvent(QResizeEvent* event) {
    RestoresWindowSize::resizeEvent(event);
    relayout();
}

void Header::relayout() {
    const qreal spacing = m_layout.headerSpacing;
    const qreal top = m_layout.headerTop;
    const qreal rowHeight = heightForLayout() - top - MainLayout::kHeaderBottom;
    const qreal available = width() - 2 * m_layout.pad;
    QList<QWidget*> trailing;
    for (QWidget* item : {m_chip, m_symbol, static_cast<QWidget*>(m_overlay), static_cast<QWidget*>(m_login),
                          static_cast<QWidget*>(m_manual), static_cast<QWidget*>(m_feedback)})
        if (!item->isHidden())
            trailing.append(item);
    qreal trailingWidth = 0;
    for (QWidget* item : trailing)
        trailingWidth += item->sizeHint().width() + spacing;
    // The first row that fits: with the credit, else without it.
    const qreal leading = m_icon->sizeHint().width() + spacing + m_wordmark->sizeHint().width() + spacing;
    const qreal withCredit = leading + kCreditLeading + m_credit->sizeHint().width() + spacing +
                             kSpacerMinimum + trailingWidth - (trailing.isEmpty() ? spacing : 0);
    m_showsCredit = withCredit <= available;
    m_credit->setVisible(m_showsCredit);

    auto place = [&](QWidget* item, qreal x) {
        const QSize size = item->sizeHint();
        item->setGeometry(
            QRectF(x, top + (rowHeight - size.height()) / 2, size.width(), size.height()).toRect());
        return x + size.width();
    };
    qreal x = m_layout.pad;
    x = place(m_icon, x) + spacing;
    x = place(m_wordmark, x) + spacing;
    if (m_showsCredit)
        place(m_credit, x + kCreditLeading);
    qreal right = width() - m_layout.pad;
    for (auto it = trailing.rbegin(); it != trailing.rend(); ++it) {
        right -= (*it)->sizeHint().width();
        place(*it, right);
        right -= spacing;
    }
}

} // namespace tilewick
