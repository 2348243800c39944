#include "AppPickerList.h"

#include "AppIcons.h"
#include "PositionIcon.h"
#include "VisibleRows.h"

#include "tilewick/store/TilewickStore.h"
#include "tilewick/visuals/InterFont.h"
#include "tilewick/visuals/RoundedRect.h"
#include "tilewick/visuals/Shadow.h"

#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>

#include <algorithm>
#include <cmath>

namespace tilewick {

namespace {

constexpr qreal kCornerRadius = 8;
constexpr qreal kRowRadius = 6;
constexpr qreal kRowPadding = 8;
constexpr qreal kIconSize = 22;
constexpr qreal kRowSpacing = 10;
constexpr QSizeF kPositionSize(30, 18);
constexpr qreal kHeaderLeading = 12;
constexpr qreal kHeaderTop = 10;
constexpr qreal kHeaderBottom = 6;
constexpr qreal kMessagePadding = 12;
constexpr double kScrollFrame = 1.0 / 60;

QFont headerFont() {
    QFont font = interFont(11.5, 500);
    font.setLetterSpacing(QFont::AbsoluteSpacing, 1);
    font.setCapitalization(QFont::AllUppercase);
    return font;
}

// From the top of the list to the top of the rows: the header and its line.
qreal headerHeight() {
    return kHeaderTop + QFontMetricsF(headerFont()).height() + kHeaderBottom + 1;
}

} // namespace

// --- PickerRow -----------------------------------------------------------------------------------

PickerRow::PickerRow(const AppSnapsContext& context, InstalledApp app, QWidget* parent)
    : QWidget(parent), m_context(context), m_app(std::move(app)) {
    setFixedHeight(kHeight);
    setAttribute(Qt::WA_Hover);
    setAccessibleName(m_app.name);
}

bool PickerRow::highlighted() const {
    return m_context.store.appPickerHighlight() == m_app.id;
}

void PickerRow::enterEvent(QEnterEvent* event) {
    QWidget::enterEvent(event);
    m_context.store.setAppPickerHighlight(m_app.id);
}

void PickerRow::mousePressEvent(QMouseEvent* event) {
    m_pressed = event->button() == Qt::LeftButton;
    event->accept();
}

void PickerRow::mouseReleaseEvent(QMouseEvent* event) {
    const bool click =
        m_pressed && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    m_pressed = false;
    event->accept();
    if (click)
        m_context.store.chooseAppSnapApp(m_app);
}

void PickerRow::paintEvent(QPaintEvent*) {
    const Scheme scheme = m_context.scheme();
    const bool lit = highlighted();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (lit)
        RoundedRect{QRectF(rect()), kRowRadius}.fill(painter, Theme::accentSoft.resolve(scheme));
    const qreal middle = height() / 2.0;
    const QRectF icon(kRowPadding, middle - kIconSize / 2, kIconSize, kIconSize);
    AppIcons::paint(painter, icon, m_context.icons.icon(m_app));

    const auto& snaps = m_context.store.appSnaps();
    const auto saved = std::find_if(snaps.cbegin(), snaps.cend(),
                                    [&](const AppSnap& snap) { return snap.bundleID == m_app.id; });
    qreal right = width() - kRowPadding;
    if (saved != snaps.cend()) {
        const QRectF position(right - kPositionSize.width(), middle - kPositionSize.height() / 2,
                              kPositionSize.width(), kPositionSize.height());
        PositionIcon{*saved}.paint(painter, position, scheme);
        right = position.left() - 4;
    }
    const QFont& font = lit ? interFont(14, 540) : interFont(14, 420);
    const qreal left = icon.right() + kRowSpacing;
    const QString name =
        QFontMetricsF(font).elidedText(m_app.name, Qt::ElideRight, std::max(right - left, 0.0));
    painter.setFont(font);
    painter.setPen(Theme::text.resolve(scheme));
    painter.drawText(QRectF(left, 0, right - left, height()), Qt::AlignVCenter | Qt::AlignLeft, name);
}

// --- AppPickerList -------------------------------------------------------------------------------

AppPickerList::AppPickerList(const AppSnapsContext& context, QWidget* parent)
    : QWidget(parent), m_context(context), m_scroll(new QScrollArea(this)) {
    setObjectName(QStringLiteral("AppPickerList"));
    setAttribute(Qt::WA_TranslucentBackground);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setWidgetResizable(true);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_scroll->viewport()->setAutoFillBackground(false);
    m_scroll->setAutoFillBackground(false);
    m_scroll->setStyleSheet(QStringLiteral("QScrollArea { background: transparent; }"));

    TilewickStore& store = m_context.store;
    connect(&store, &TilewickStore::installedAppsChanged, this, &AppPickerList::rebuild);
    connect(&store, &TilewickStore::appPickerQueryChanged, this, &AppPickerList::rebuild);
    connect(&store, &TilewickStore::appSnapsChanged, this, [this] {
        for (PickerRow* row : rows())
            row->update();
    });
    connect(&store, &TilewickStore::appPickerHighlightChanged, this, [this] {
        for (PickerRow* row : rows())
            row->update();
        follow();
    });
    rebuild();
}

int AppPickerList::heightFor(qsizetype rows) {
    return int(std::min<qsizetype>(std::max<qsizetype>(rows, 1) * kRowPitch + 52, kMaxHeight));
}

QString AppPickerList::message() const {
    if (m_context.store.installedApps().isEmpty())
        return QString::fromUtf8(kWaiting);
    if (m_offered.isEmpty())
        return QStringLiteral("No app called \u201C") + m_context.store.appPickerQuery() +
               QStringLiteral("\u201D");
    return QString();
}

QRectF AppPickerList::cardRect() const {
    return QRectF(kShadowMargin, kShadowMargin, kWidth, heightFor(m_offered.size()));
}

QList<PickerRow*> AppPickerList::rows() const {
    QList<PickerRow*> rows;
    for (QWidget* row : m_rows->rows())
        rows.append(static_cast<PickerRow*>(row));
    return rows;
}

qsizetype AppPickerList::rowCount() const {
    return m_offered.size();
}

void AppPickerList::rebuild() {
    m_offered = m_context.store.filteredInstalledApps();
    stopScrolling();
    m_rows = new VisibleRows(*m_scroll, {PickerRow::kHeight, kRowPitch - PickerRow::kHeight, kPadding},
                             m_offered.size(), [this, offered = m_offered](qsizetype index, QWidget* parent) {
                                 return new PickerRow(m_context, offered[index], parent);
                             });
    replaceScrolledRows(*m_scroll, m_rows, m_context.scheme());

    const QRectF card = cardRect();
    const int top = int(std::ceil(headerHeight()));
    setFixedSize(kWidth + 2 * kShadowMargin, int(card.height()) + 2 * kShadowMargin);
    m_scroll->setGeometry(kShadowMargin, kShadowMargin + top, kWidth, int(card.height()) - top);
    m_scroll->setVisible(!m_offered.isEmpty());
    m_rows->place();
    update();
}

void AppPickerList::follow() {
    const auto& lit = m_context.store.appPickerHighlight();
    if (!lit)
        return;
    const auto row = std::find_if(m_offered.cbegin(), m_offered.cend(),
                                  [&](const InstalledApp& app) { return app.id == *lit; });
    if (row == m_offered.cend())
        return;
    QScrollBar* bar = m_scroll->verticalScrollBar();
    // While easing, the row already headed for counts as where the list is.
    const int current = m_scrollTimer ? int(m_scrolling.target()) : bar->value();
    const int viewport = m_scroll->viewport()->height();
    const QRect frame = m_rows->rowGeometry(row - m_offered.cbegin());
    int target = current;
    if (frame.top() < current)
        target = frame.top();
    else if (frame.bottom() + 1 > current + viewport)
        target = frame.bottom() + 1 - viewport;
    target = std::clamp(target, bar->minimum(), bar->maximum());
    if (target == current)
        return;
    if (m_context.services.reduceMotion()) {
        bar->setValue(target);
        return;
    }
    m_scrolling.set(bar->value());
    m_scrolling.retarget(target, m_context.services.now(), kScrollDuration, Transition::Curve::easeOut);
    if (!m_scrollTimer)
        m_scrollTimer = m_context.services.runtime().every(kScrollFrame, 0, [this] { scrollStep(); });
}

void AppPickerList::scrollStep() {
    const double now = m_context.services.now();
    m_scroll->verticalScrollBar()->setValue(int(std::lround(m_scrolling.valueAt(now))));
    if (!m_scrolling.isRunning(now))
        stopScrolling();
}

void AppPickerList::stopScrolling() {
    if (!m_scrollTimer)
        return;
    m_scrollTimer->cancel();
    m_scrollTimer.reset();
}

void AppPickerList::paintEvent(QPaintEvent*) {
    const Scheme scheme = m_context.scheme();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF card = cardRect();
    const RoundedRect shape{card, kCornerRadius};
    Shadow{QColor(0, 0, 0, int(std::lround(0.22 * 255))), 14, QPointF(0, 6)}.paint(painter, shape.path());
    shape.fill(painter, Theme::card.resolve(scheme));

    const QFont header = headerFont();
    painter.setFont(header);
    painter.setPen(Theme::textSecondary.resolve(scheme));
    const qreal lineY = card.top() + headerHeight() - 1;
    painter.drawText(QRectF(card.left() + kHeaderLeading, card.top() + kHeaderTop,
                            card.width() - 2 * kHeaderLeading,
                            lineY - kHeaderBottom - card.top() - kHeaderTop),
                     Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Choose app"));
    painter.fillRect(QRectF(card.left(), lineY, card.width(), 1), Theme::border.resolve(scheme));

    if (const QString text = message(); !text.isEmpty()) {
        painter.setFont(interFont(12, 400));
        const QRectF area(card.left() + kMessagePadding, lineY + 1 + kMessagePadding,
                          card.width() - 2 * kMessagePadding,
                          card.bottom() - lineY - 1 - 2 * kMessagePadding);
        painter.drawText(area, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, text);
    }
    shape.strokeInside(painter, Theme::border.resolve(scheme), 1);
}

} // namespace tilewick
