#include "ChangelogView.h"

#include "PagePalette.h"

#include "tilewick/visuals/InterFont.h"
#include "tilewick/visuals/Theme.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace tilewick {

namespace {

using namespace Qt::StringLiterals;

constexpr qreal kHorizontal = 28;
constexpr qreal kVertical = 24;
constexpr qreal kDaySpacing = 26;
constexpr qreal kTitleSpacing = 10;
constexpr qreal kLineSpacing = 8;
constexpr qreal kBullet = 6;
constexpr qreal kBulletSpacing = 9;

} // namespace

ChangelogContent::ChangelogContent(ViewServices services, const Changelog::Calendar& calendar,
                                   QWidget* parent)
    : QWidget(parent), m_services(std::move(services)) {
    setCursor(Qt::IBeamCursor);
    setFocusPolicy(Qt::ClickFocus);
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    for (const Changelog::Day& day : Changelog::days(calendar)) {
        m_blocks.append({TextBlock(Changelog::dayTitle(day.start, calendar), interFont(17, 600)), {}, true});
        for (const QString& text : day.texts)
            m_blocks.append({TextBlock(text, interFont(13.5, 400)), {}, false});
    }
}

QStringList ChangelogContent::titles() const {
    QStringList list;
    for (const Block& block : m_blocks)
        if (block.title)
            list.append(block.text.text());
    return list;
}

qreal ChangelogContent::layoutFor(qreal width) {
    if (width == m_laidOutWidth)
        return m_height;
    m_laidOutWidth = width;
    m_bullets.clear();
    const qreal room = std::max<qreal>(1, width - 2 * kHorizontal);
    qreal y = kVertical;
    bool firstDay = true;
    bool firstLine = true;
    for (Block& block : m_blocks) {
        if (block.title) {
            if (!firstDay)
                y += kDaySpacing;
            firstDay = false;
            block.at = {kHorizontal, y};
            y += block.text.layout(room);
            firstLine = true;
            continue;
        }
        y += firstLine ? kTitleSpacing : kLineSpacing;
        firstLine = false;
        const qreal textLeft = kHorizontal + kBullet + kBulletSpacing;
        block.text.layout(std::max<qreal>(1, room - kBullet - kBulletSpacing));
        block.at = {textLeft, y};
        // The dot's bottom edge sits on the first line's baseline.
        m_bullets.append({kHorizontal, y + block.text.firstBaseline() - kBullet});
        y += block.text.height();
    }
    m_height = std::ceil(y + kVertical);
    return m_height;
}

int ChangelogContent::heightForWidth(int width) const {
    return int(const_cast<ChangelogContent*>(this)->layoutFor(width));
}

QSize ChangelogContent::sizeHint() const {
    return {int(ChangelogPanel::kSize.width()), heightForWidth(ChangelogPanel::kSize.width())};
}

qreal ChangelogContent::widestLine() const {
    qreal widest = 0;
    for (const Block& block : m_blocks)
        widest = std::max(widest, block.at.x() + block.text.idealWidth());
    return widest;
}

void ChangelogContent::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutFor(width());
}

ChangelogContent::Position ChangelogContent::positionAt(QPointF point) const {
    if (m_blocks.isEmpty())
        return {};
    // The block whose band holds the point: from its top down to the next block's top.
    qsizetype index = 0;
    for (qsizetype i = 0; i < m_blocks.size(); ++i)
        if (point.y() >= m_blocks[i].at.y())
            index = i;
    const Block& block = m_blocks[index];
    if (point.y() > block.at.y() + block.text.height())
        return {index, block.text.text().size()};
    return {index, block.text.positionAt(point - block.at)};
}

std::pair<ChangelogContent::Position, ChangelogContent::Position> ChangelogContent::selection() const {
    return std::minmax(m_anchor, m_focus);
}

void ChangelogContent::select(QPointF from, QPointF to) {
    m_anchor = positionAt(from);
    m_focus = positionAt(to);
    update();
}

QString ChangelogContent::selectedText() const {
    const auto [start, end] = selection();
    if (start == end)
        return {};
    QStringList lines;
    for (qsizetype i = start.block; i <= end.block && i < m_blocks.size(); ++i) {
        const QString& text = m_blocks[i].text.text();
        const qsizetype from = i == start.block ? start.offset : 0;
        const qsizetype to = i == end.block ? end.offset : text.size();
        lines.append(text.mid(from, to - from));
    }
    return lines.join(u'\n');
}

void ChangelogContent::paintEvent(QPaintEvent* event) {
    layoutFor(width());
    const Scheme scheme = m_services.scheme();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(event->rect(), Theme::background.resolve(scheme));
    painter.setPen(Qt::NoPen);
    for (const QPointF& bullet : m_bullets) {
        const QRectF dot(bullet, QSizeF(kBullet, kBullet));
        painter.setBrush(Theme::accentGradient.resolve(dot, scheme));
        painter.drawEllipse(dot);
    }
    const QColor text = Theme::text.resolve(scheme);
    const QColor accent = Theme::accent.resolve(scheme);
    const QColor highlight = Theme::accent.resolve(scheme, 0.28);
    const auto [start, end] = selection();
    for (qsizetype i = 0; i < m_blocks.size(); ++i) {
        const Block& block = m_blocks[i];
        const qsizetype from = i == start.block ? start.offset : (i > start.block ? 0 : -1);
        const qsizetype to = i == end.block ? end.offset : (i < end.block ? block.text.text().size() : -1);
        if (from >= 0 && to >= 0 && start != end)
            block.text.paint(painter, block.at, text, accent, from, to, highlight);
        else
            block.text.paint(painter, block.at, text, accent);
    }
}

void ChangelogContent::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        m_anchor = m_focus = positionAt(event->position());
        update();
    }
    QWidget::mousePressEvent(event);
}

void ChangelogContent::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() & Qt::LeftButton) {
        m_focus = positionAt(event->position());
        update();
    }
    QWidget::mouseMoveEvent(event);
}

void ChangelogContent::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Copy)) {
        if (const QString text = selectedText(); !text.isEmpty())
            QApplication::clipboard()->setText(text);
        return;
    }
    if (event->matches(QKeySequence::SelectAll) && !m_blocks.isEmpty()) {
        m_anchor = {};
        m_focus = {m_blocks.size() - 1, m_blocks.last().text.text().size()};
        update();
        return;
    }
    QWidget::keyPressEvent(event);
}

void ChangelogContent::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    QAction* copy = menu.addAction(u"Copy"_s);
    copy->setEnabled(!selectedText().isEmpty());
    connect(copy, &QAction::triggered, this, [this] { QApplication::clipboard()->setText(selectedText()); });
    menu.exec(event->globalPos());
}

ChangelogView::ChangelogView(ViewServices services, const Changelog::Calendar& calendar, QWidget* parent)
    : QScrollArea(parent), m_services(std::move(services)),
      m_content(new ChangelogContent(m_services, calendar)) {
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setWidget(m_content);
}

void ChangelogView::paintEvent(QPaintEvent* event) {
    const Scheme scheme = m_services.scheme();
    if (m_appliedScheme != scheme) {
        m_appliedScheme = scheme;
        applyPagePalette(*this, scheme);
    }
    QScrollArea::paintEvent(event);
}

ChangelogPanel::ChangelogPanel(PanelServices services, std::function<Changelog::Calendar()> calendar)
    : m_services(std::move(services)), m_calendar(std::move(calendar)) {
    if (!m_calendar) {
        m_calendar = [view = m_services.view] {
            return Changelog::Calendar::user(view.runtime().clock().wallMillis());
        };
    }
}

ChangelogPanel::~ChangelogPanel() = default;

ChangelogView* ChangelogPanel::view() const {
    return m_panel ? qobject_cast<ChangelogView*>(m_panel->contentView()) : nullptr;
}

void ChangelogPanel::show() {
    if (!m_panel) {
        using Style = betakit::BetaPanel::StyleBit;
        m_panel =
            std::make_unique<betakit::BetaPanel>(kSize, Style::Titled | Style::Closable | Style::Resizable);
        m_panel->setWindowTitle(u"Tilewick Changelog"_s);
        m_panel->setWindowRole(u"changelog"_s);
        m_panel->setMinimumSize(kMinimumSize);
        m_panel->center();
    }
    // Fresh content each time: the titles follow the day of this opening.
    m_panel->setContentView(new ChangelogView(m_services.view, m_calendar()));
    m_panel->makeKeyAndOrderFront();
}

} // namespace tilewick
