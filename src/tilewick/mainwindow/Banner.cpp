#include "Banner.h"

#include "FlowLayout.h"

#include "tilewick/store/TilewickStore.h"
#include "tilewick/visuals/CVButton.h"
#include "tilewick/visuals/InterFont.h"
#include "tilewick/visuals/RoundedRect.h"
#include "tilewick/visuals/Symbols.h"
#include "tilewick/visuals/Theme.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace tilewick {

namespace {

constexpr qreal kIconTop = 1;
constexpr qreal kButtonSpacing = 8;
constexpr qreal kStackBottom = 4;

const QFont& titleFont() {
    return interFont(13, 500);
}

const QFont& textFont() {
    return interFont(12, 340);
}

bool isDanger(StatusTone tone) {
    return tone == StatusTone::danger;
}

} // namespace

Banner::Banner(StatusTone tone, QString title, QString text, const QList<QWidget*>& actions,
               ViewServices services, QWidget* parent)
    : QWidget(parent), m_tone(tone), m_title(std::move(title)), m_text(std::move(text)), m_actions(actions),
      m_services(std::move(services)) {
    setAccessibleName(m_title);
    setAccessibleDescription(m_text);
    m_actionArea = new QWidget(this);
    m_flow = new FlowLayout(kButtonSpacing, m_actionArea);
    for (QWidget* action : actions) {
        action->setParent(m_actionArea);
        m_flow->addWidget(action);
    }
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

qreal Banner::contentWidth(qreal width) const {
    return std::max<qreal>(width - 2 * kPadding - kIconSize - kSpacing, 1);
}

qreal Banner::textHeight(qreal width) const {
    return QFontMetricsF(textFont())
        .boundingRect(QRectF(0, 0, contentWidth(width), 1e6), Qt::TextWordWrap, m_text)
        .height();
}

int Banner::heightForWidth(int width) const {
    qreal height = QFontMetricsF(titleFont()).height() + kLineSpacing + textHeight(width);
    if (!m_actions.isEmpty())
        height += kLineSpacing + m_flow->heightForWidth(int(contentWidth(width)));
    return int(std::ceil(height + 2 * kPadding));
}

QSize Banner::sizeHint() const {
    return {480, heightForWidth(480)};
}

void Banner::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const qreal left = kPadding + kIconSize + kSpacing;
    const qreal top =
        kPadding + QFontMetricsF(titleFont()).height() + kLineSpacing + textHeight(width()) + kLineSpacing;
    const qreal w = contentWidth(width());
    m_actionArea->setGeometry(QRectF(left, top, w, m_flow->heightForWidth(int(w))).toRect());
}

void Banner::paintEvent(QPaintEvent*) {
    const Scheme scheme = m_services.scheme();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const RoundedRect shape{QRectF(rect()), kCornerRadius};
    const ThemeColor& ink = isDanger(m_tone) ? Theme::danger : Theme::warn;
    shape.fill(painter, (isDanger(m_tone) ? Theme::dangerSoft : Theme::warnSoft).resolve(scheme));
    shape.strokeInside(painter, ink.resolve(scheme, 0.4), 1);
    const QPointF iconCentre(kPadding + kIconSize / 2, kPadding + kIconTop + kIconSize / 2);
    Symbols::paint(painter,
                   isDanger(m_tone) ? QStringLiteral("exclamationmark.octagon")
                                    : QStringLiteral("exclamationmark.triangle"),
                   iconCentre, kIconSize, ink.resolve(scheme));

    const qreal left = kPadding + kIconSize + kSpacing;
    const qreal w = contentWidth(width());
    const QFontMetricsF titleMetrics(titleFont());
    painter.setPen(Theme::text.resolve(scheme));
    painter.setFont(titleFont());
    painter.drawText(QRectF(left, kPadding, w, titleMetrics.height()), Qt::AlignLeft | Qt::AlignVCenter,
                     m_title);
    painter.setFont(textFont());
    painter.drawText(QRectF(left, kPadding + titleMetrics.height() + kLineSpacing, w, textHeight(width())),
                     Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, m_text);
}

BannerStack::BannerStack(TilewickStore& store, ViewServices services, QWidget* parent)
    : QWidget(parent), m_store(store), m_services(std::move(services)) {
    connect(&store, &TilewickStore::trustedChanged, this, &BannerStack::rebuild);
    connect(&store, &TilewickStore::conflictsChanged, this, &BannerStack::rebuild);
    rebuild();
}

QWidget* BannerStack::button(const BannerAction& action) {
    CVButton::Style style = CVSecondaryButtonStyle{true, false};
    if (action.primary)
        style = CVPrimaryButtonStyle{true};
    auto* button = new CVButton(style, ButtonLabel{action.title}, m_services);
    TilewickStore* store = &m_store;
    switch (action.kind) {
    case BannerAction::Kind::requestAccessibility:
        connect(button, &QAbstractButton::clicked, this, [store] { store->requestAccessibility(); });
        break;
    case BannerAction::Kind::quitConflictingApp:
        connect(button, &QAbstractButton::clicked, this,
                [store, app = action.app] { store->quitConflictingApp(app); });
        break;
    case BannerAction::Kind::openLoginItems:
        connect(button, &QAbstractButton::clicked, this, [store] { store->openLoginItems(); });
        break;
    case BannerAction::Kind::quitTilewick:
        connect(button, &QAbstractButton::clicked, this, [store] { store->quitTilewick(); });
        break;
    }
    return button;
}

void BannerStack::rebuild() {
    // A button may be what changed the store: its banner goes once the click is over.
    for (Banner* banner : std::as_const(m_banners)) {
        banner->hide();
        banner->deleteLater();
    }
    m_banners.clear();
    for (const BannerContent& content : BannerContent::stack(m_store.trusted(), m_store.conflicts())) {
        QList<QWidget*> buttons;
        for (const BannerAction& action : content.actions)
            buttons.append(button(action));
        auto* banner = new Banner(content.tone, content.title, content.text, buttons, m_services, this);
        banner->setObjectName(content.id);
        banner->show();
        m_banners.append(banner);
    }
    updateGeometry();
    resizeEvent(nullptr);
    emit changed();
}

int BannerStack::heightForWidth(int width) const {
    if (m_banners.isEmpty())
        return 0;
    int height = 0;
    for (const Banner* banner : m_banners)
        height += banner->heightForWidth(width);
    height += int(MainLayout::kBannerSpacing) * int(m_banners.size() - 1);
    return height +
           int(BannerContent::bottomPadding(m_store.trusted(), m_store.conflicts()) > 0 ? kStackBottom : 0);
}

void BannerStack::resizeEvent(QResizeEvent*) {
    int y = 0;
    for (Banner* banner : m_banners) {
        const int h = banner->heightForWidth(width());
        banner->setGeometry(0, y, width(), h);
        y += h + int(MainLayout::kBannerSpacing);
    }
}

} // namespace tilewick
