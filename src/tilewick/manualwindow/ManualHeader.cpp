#include "ManualHeader.h"

#include "ManualDocument.h"
#include "ManualViewState.h"
#include "TextBlock.h"

#include "tilewick/manual/ManualContent.h"
#include "tilewick/visuals/InterFont.h"
#include "tilewick/visuals/QuarterIcon.h"
#include "tilewick/visuals/RoundedRect.h"
#include "tilewick/visuals/Symbols.h"
#include "tilewick/visuals/Theme.h"

#include <QApplication>
#include <QFocusEvent>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace tilewick {

namespace {

using namespace Qt::StringLiterals;

constexpr qreal kFieldPadding = 10;
constexpr qreal kFieldSpacing = 7;
constexpr qreal kSymbol = 12;
constexpr qreal kClear = 14;
constexpr qreal kFieldRadius = 8;

constexpr qreal kTop = 16;
constexpr qreal kIcon = 34;
constexpr qreal kRowSpacing = 12;
constexpr qreal kMinSpacer = 12;
constexpr qreal kTabsSpacing = 10;
constexpr qreal kTabPadding = 11;
constexpr qreal kTabTop = 6;
constexpr qreal kTabBottom = 9;
constexpr qreal kTabGap = 2;
// How far one line of a wheel's notch scrolls the tab strip (a scroll area's single step).
constexpr qreal kWheelLine = 20;
constexpr qreal kUnderline = 2;

const QFont& brandFont() {
    static const QFont font = tracked(interFont(11.5, 500), 1.4);
    return font;
}

const QFont& tabFont() {
    return interFont(13.5, 600);
}

qreal lineHeight(const QFont& font) {
    return std::ceil(QFontMetricsF(font).height());
}

qreal textWidth(const QFont& font, const QString& text) {
    return std::ceil(QFontMetricsF(font).horizontalAdvance(text));
}

// The clear button: the filled cross in a circle.
class ClearButton final : public QAbstractButton {
public:
    ClearButton(ViewServices services, QWidget* parent)
        : QAbstractButton(parent), m_services(std::move(services)) {
        setCursor(Qt::ArrowCursor);
        setFocusPolicy(Qt::NoFocus);
        setAccessibleName(u"Clear the search"_s);
    }
    QSize sizeHint() const override { return {int(kClear), int(kClear)}; }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        Symbols::paint(painter, u"xmark.circle.fill"_s, QRectF(rect()).center(), kClear,
                       Theme::textSecondary.resolve(m_services.scheme()));
    }

private:
    ViewServices m_services;
};

} // namespace

ManualSearchField::ManualSearchField(ManualViewState& state, ViewServices services, QWidget* parent)
    : QWidget(parent), m_state(state), m_services(std::move(services)), m_edit(new QLineEdit(this)),
      m_clear(new ClearButton(m_services, this)) {
    setFixedSize(kSize);
    setCursor(Qt::IBeamCursor);
    m_edit->setFrame(false);
    m_edit->setFont(interFont(14, 340));
    m_edit->setPlaceholderText(u"Search the manual"_s);
    m_edit->setAttribute(Qt::WA_MacShowFocusRect, false);
    m_edit->setAccessibleName(u"Search the manual"_s);
    m_edit->installEventFilter(this);
    m_clear->hide();
    connect(m_edit, &QLineEdit::textEdited, &m_state, &ManualViewState::setQuery);
    connect(m_edit, &QLineEdit::returnPressed, &m_state, &ManualViewState::submitSearch);
    connect(m_clear, &QAbstractButton::clicked, &m_state, &ManualViewState::clearSearch);
    connect(&m_state, &ManualViewState::queryChanged, this, &ManualSearchField::followQuery);
    connect(&m_state, &ManualViewState::searchingChanged, this, &ManualSearchField::followFocus);
    followQuery();
}

void ManualSearchField::followQuery() {
    if (m_edit->text() != m_state.query())
        m_edit->setText(m_state.query());
    const bool hadClear = m_clear->isVisible();
    m_clear->setVisible(!m_state.query().isEmpty());
    if (hadClear != m_clear->isVisible())
        resizeEvent(nullptr);
}

void ManualSearchField::followFocus() {
    if (m_state.searching()) {
        if (!m_edit->hasFocus())
            m_edit->setFocus(Qt::OtherFocusReason);
    } else if (m_edit->hasFocus()) {
        m_edit->clearFocus();
    }
    update();
}

bool ManualSearchField::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_edit) {
        switch (event->type()) {
        case QEvent::FocusIn:
            m_state.setSearching(true);
            break;
        case QEvent::FocusOut:
            // The window going to the background takes the keyboard, not the field's focus.
            if (static_cast<QFocusEvent*>(event)->reason() != Qt::ActiveWindowFocusReason &&
                static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason)
                m_state.setSearching(false);
            break;
        case QEvent::KeyPress:
            if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
                m_state.escape();
                return true;
            }
            break;
        case QEvent::ShortcutOverride:
            // Escape belongs to the field, not to a window shortcut.
            if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
                event->accept();
                return true;
            }
            break;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void ManualSearchField::resizeEvent(QResizeEvent*) {
    const qreal editLeft = kFieldPadding + kSymbol + kFieldSpacing;
    qreal editRight = width() - kFieldPadding;
    if (m_clear->isVisible()) {
        m_clear->setGeometry(int(editRight - kClear), int((height() - kClear) / 2), int(kClear), int(kClear));
        editRight -= kClear + kFieldSpacing;
    }
    m_edit->setGeometry(int(editLeft), 0, int(editRight - editLeft), height());
}

void ManualSearchField::mousePressEvent(QMouseEvent* event) {
    m_state.setSearching(true);
    // A click beside the text still reaches the field.
    m_edit->setFocus(Qt::MouseFocusReason);
    event->accept();
}

void ManualSearchField::applyScheme(Scheme scheme) {
    if (m_appliedScheme == scheme)
        return;
    m_appliedScheme = scheme;
    QPalette palette = m_edit->palette();
    palette.setColor(QPalette::Base, Qt::transparent);
    palette.setColor(QPalette::Text, Theme::text.resolve(scheme));
    palette.setColor(QPalette::PlaceholderText, Theme::textSecondary.resolve(scheme));
    palette.setColor(QPalette::Highlight, Theme::accent.resolve(scheme, 0.35));
    palette.setColor(QPalette::HighlightedText, Theme::text.resolve(scheme));
    m_edit->setPalette(palette);
}

void ManualSearchField::paintEvent(QPaintEvent*) {
    const Scheme scheme = m_services.scheme();
    applyScheme(scheme);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const RoundedRect box{QRectF(rect()), kFieldRadius};
    box.fill(painter, Theme::raised.resolve(scheme));
    box.strokeInside(painter, (m_state.searching() ? Theme::accent : Theme::border).resolve(scheme), 1);
    Symbols::paint(painter, u"magnifyingglass"_s, {kFieldPadding + kSymbol / 2, height() / 2.0}, kSymbol,
                   Theme::textSecondary.resolve(scheme), SymbolWeight::Medium);
}

ManualHeader::ManualHeader(ManualViewState& state, ViewServices services, QWidget* parent)
    : QWidget(parent), m_state(state), m_services(std::move(services)),
      m_field(new ManualSearchField(m_state, m_services, this)) {
    setMouseTracking(true);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(&m_state, &ManualViewState::currentChanged, this, qOverload<>(&QWidget::update));
    connect(&m_state, &ManualViewState::queryChanged, this, qOverload<>(&QWidget::update));
}

ManualHeader::Geometry ManualHeader::geometryFor(qreal width) const {
    Geometry g;
    const ManualDocument::Column column = ManualDocument::columnFor(width);
    g.left = column.left;
    g.column = column.width;
    g.rowTop = kTop;
    const qreal texts = lineHeight(brandFont()) + lineHeight(interFont(20, 700));
    g.rowHeight = std::max({kIcon, texts, qreal(ManualSearchField::kSize.height())});
    g.tabsTop = g.rowTop + g.rowHeight + kTabsSpacing;
    g.tabHeight = kTabTop + lineHeight(tabFont()) + kTabBottom;
    g.height = g.tabsTop + g.tabHeight;
    return g;
}

QSize ManualHeader::sizeHint() const {
    const Geometry g = geometryFor(ManualDocument::kColumn + 2 * ManualDocument::kSidePadding);
    return {int(ManualDocument::kColumn + 2 * ManualDocument::kSidePadding), int(std::ceil(g.height))};
}

QSize ManualHeader::minimumSizeHint() const {
    return {0, sizeHint().height()};
}

QRectF ManualHeader::tabStrip() const {
    // The strip reaches a tab's padding past the column on both sides, so the first tab's text
    // starts at the column's edge.
    const Geometry g = geometryFor(width());
    return {g.left - kTabPadding, g.tabsTop, g.column + 2 * kTabPadding, g.tabHeight};
}

qreal ManualHeader::tabsWidth() {
    qreal total = 0;
    for (const Manual::Section& section : Manual::sections())
        total += kTabPadding + textWidth(tabFont(), section.title) + kTabPadding + kTabGap;
    return Manual::sections().isEmpty() ? 0 : total - kTabGap;
}

qreal ManualHeader::maximumTabsOffset() const {
    return std::max<qreal>(0, tabsWidth() - tabStrip().width());
}

void ManualHeader::setTabsOffset(qreal offset) {
    offset = std::clamp<qreal>(offset, 0, maximumTabsOffset());
    if (offset == m_tabsOffset)
        return;
    m_tabsOffset = offset;
    update();
}

QList<QRectF> ManualHeader::tabFrames() const {
    const Geometry g = geometryFor(width());
    QList<QRectF> frames;
    qreal x = g.left - kTabPadding - m_tabsOffset;
    for (const Manual::Section& section : Manual::sections()) {
        const qreal w = kTabPadding + textWidth(tabFont(), section.title) + kTabPadding;
        frames.append({x, g.tabsTop, w, g.tabHeight});
        x += w + kTabGap;
    }
    return frames;
}

std::optional<QString> ManualHeader::markedTab() const {
    if (m_state.searchMode())
        return std::nullopt;
    for (const Manual::Section& section : Manual::sections())
        if (section.id == m_state.current())
            return section.id;
    return std::nullopt;
}

int ManualHeader::tabAt(QPointF point) const {
    if (!tabStrip().contains(point))
        return -1;
    const QList<QRectF> frames = tabFrames();
    for (qsizetype i = 0; i < frames.size(); ++i)
        if (frames[i].contains(point))
            return int(i);
    return -1;
}

void ManualHeader::resizeEvent(QResizeEvent*) {
    setTabsOffset(m_tabsOffset); // a wider window needs less of the scroll, or none
    const Geometry g = geometryFor(width());
    const QSize field = ManualSearchField::kSize;
    m_field->move(int(g.left + g.column - field.width()), int(g.rowTop + (g.rowHeight - field.height()) / 2));
}

void ManualHeader::paintEvent(QPaintEvent*) {
    const Scheme scheme = m_services.scheme();
    const Geometry g = geometryFor(width());
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QuarterIcon{kIcon, scheme == Scheme::Dark}.paint(painter, {g.left, g.rowTop + (g.rowHeight - kIcon) / 2});

    const qreal textLeft = g.left + kIcon + kRowSpacing;
    const qreal textRoom = std::max<qreal>(0, m_field->x() - kMinSpacer - textLeft);
    const qreal brand = lineHeight(brandFont());
    const qreal title = lineHeight(interFont(20, 700));
    const qreal textTop = g.rowTop + (g.rowHeight - brand - title) / 2;
    painter.setFont(brandFont());
    painter.setPen(Theme::accent.resolve(scheme));
    painter.drawText(QRectF(textLeft, textTop, textRoom, brand), Qt::AlignLeft | Qt::AlignVCenter,
                     u"TILEWICK"_s);
    painter.setFont(interFont(20, 700));
    painter.setPen(Theme::text.resolve(scheme));
    painter.drawText(QRectF(textLeft, textTop + brand, textRoom, title), Qt::AlignLeft | Qt::AlignVCenter,
                     u"Manual"_s);

    const std::optional<QString> marked = markedTab();
    const QList<QRectF> frames = tabFrames();
    const QList<Manual::Section>& sections = Manual::sections();
    painter.setFont(tabFont());
    painter.setClipRect(tabStrip());
    for (qsizetype i = 0; i < sections.size(); ++i) {
        const bool selected = marked == sections[i].id;
        const QRectF frame = frames[i];
        painter.setPen((selected ? Theme::accent : Theme::textSecondary).resolve(scheme));
        painter.drawText(QRectF(frame.left() + kTabPadding, frame.top() + kTabTop,
                                frame.width() - 2 * kTabPadding, lineHeight(tabFont())),
                         Qt::AlignLeft | Qt::AlignVCenter, sections[i].title);
        if (selected)
            painter.fillRect(QRectF(frame.left(), frame.bottom() - kUnderline, frame.width(), kUnderline),
                             Theme::accent.resolve(scheme));
    }
}

void ManualHeader::mouseMoveEvent(QMouseEvent* event) {
    setCursor(tabAt(event->position()) >= 0 ? Qt::PointingHandCursor : Qt::ArrowCursor);
    QWidget::mouseMoveEvent(event);
}

void ManualHeader::wheelEvent(QWheelEvent* event) {
    if (!tabStrip().contains(event->position()) || maximumTabsOffset() == 0) {
        event->ignore();
        return;
    }
    // A touchpad gives pixels; a wheel gives notches, each as far as a scroll area goes for one.
    // The wheel's vertical turn scrolls the strip too, as a sideways strip does on this desktop.
    const QPoint pixels = event->pixelDelta();
    const QPoint angle = event->angleDelta();
    qreal delta = 0;
    if (!pixels.isNull())
        delta = pixels.x() != 0 ? pixels.x() : pixels.y();
    else
        delta =
            (angle.x() != 0 ? angle.x() : angle.y()) / 120.0 * QApplication::wheelScrollLines() * kWheelLine;
    setTabsOffset(m_tabsOffset - delta);
    event->accept();
}

void ManualHeader::mouseReleaseEvent(QMouseEvent* event) {
    const int tab = event->button() == Qt::LeftButton ? tabAt(event->position()) : -1;
    if (tab >= 0)
        m_state.jump(Manual::sections()[tab].id);
    QWidget::mouseReleaseEvent(event);
}

} // namespace tilewick
