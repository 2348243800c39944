#include "AboutView.h"

#include "betakit/VeldorPellrathMark.h"
#include "tilewick/visuals/InterFont.h"
#include "tilewick/visuals/QuarterIcon.h"
#include "tilewick/visuals/Theme.h"

#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>
#include <QUrl>

#include <algorithm>
#include <cmath>

namespace tilewick {

namespace {

using namespace Qt::StringLiterals;

constexpr qreal kSide = 48;
constexpr qreal kTop = 28;
constexpr qreal kBottom = 24;
constexpr qreal kIcon = 96;
constexpr qreal kNameTop = 12;
constexpr qreal kVersionTop = 4;
constexpr qreal kMakerTop = 22;
constexpr qreal kLicenceTop = 22;
constexpr QSizeF kMark{32, 24};
constexpr qreal kMakerSpacing = 10;
constexpr qreal kCreditSpacing = 2;

const QString kName = u"Tilewick"_s;
const QString kCredit = u"by Veldor Pellrath"_s;
const QString kLicence = u"Inter typeface: SIL Open Font License"_s;

const QFont& nameFont() {
    return interFont(22, 700);
}
const QFont& versionFont() {
    return interFont(12, 450);
}
const QFont& creditFont() {
    return interFont(14, 600);
}
const QFont& linkFont() {
    return interFont(12, 500);
}
const QFont& licenceFont() {
    return interFont(10.5, 450);
}

QSizeF textSize(const QFont& font, const QString& text) {
    const QFontMetricsF metrics(font);
    return {std::ceil(metrics.horizontalAdvance(text)), std::ceil(metrics.height())};
}

QString textOrDash(const QHash<QString, platform::PropertyListValue>& info, const QString& key) {
    const auto value = info.constFind(key);
    if (value == info.constEnd() || value->type != platform::PropertyListValue::Type::String)
        return u"\u2013"_s;
    return value->text;
}

} // namespace

QString versionLine(const QHash<QString, platform::PropertyListValue>& info) {
    return u"Version "_s + textOrDash(info, u"CFBundleShortVersionString"_s) + u" (build "_s +
           textOrDash(info, u"CFBundleVersion"_s) + u")"_s;
}

QString versionLineOf(const QString& bundlePath) {
    return versionLine(platform::readPropertyList(bundlePath + u"/Contents/Info.plist"_s));
}

struct AboutView::Geometry {
    qreal width = 0;
    qreal height = 0;
    QRectF icon;
    QRectF name;
    QRectF version;
    QRectF mark;
    QRectF credit;
    QRectF link;
    QRectF licence;
};

AboutView::AboutView(PanelServices services, QString versionLine, QWidget* parent)
    : QWidget(parent), m_services(std::move(services)), m_version(std::move(versionLine)) {
    setMouseTracking(true);
}

AboutView::Geometry AboutView::geometryFor(qreal available) const {
    const QSizeF name = textSize(nameFont(), kName);
    const QSizeF version = textSize(versionFont(), m_version);
    const QSizeF credit = textSize(creditFont(), kCredit);
    const QSizeF link = textSize(linkFont(), kLinkLabel);
    const QSizeF licence = textSize(licenceFont(), kLicence);
    const qreal creditsWidth = std::max(credit.width(), link.width());
    const qreal creditsHeight = credit.height() + kCreditSpacing + link.height();
    const QSizeF maker(kMark.width() + kMakerSpacing + creditsWidth, std::max(kMark.height(), creditsHeight));
    const qreal content = std::max({kIcon, name.width(), version.width(), maker.width(), licence.width()});

    Geometry g;
    g.width = std::max(available, std::max(kMinimumWidth, content + 2 * kSide));
    const qreal centre = g.width / 2;
    const auto centred = [centre](qreal top, QSizeF size) {
        return QRectF(centre - size.width() / 2, top, size.width(), size.height());
    };
    qreal y = kTop;
    g.icon = centred(y, {kIcon, kIcon});
    y += kIcon + kNameTop;
    g.name = centred(y, name);
    y += name.height() + kVersionTop;
    g.version = centred(y, version);
    y += version.height() + kMakerTop;
    const QRectF row = centred(y, maker);
    g.mark = QRectF(row.left(), row.center().y() - kMark.height() / 2, kMark.width(), kMark.height());
    const qreal creditsLeft = g.mark.right() + kMakerSpacing;
    const qreal creditsTop = row.center().y() - creditsHeight / 2;
    g.credit = QRectF(QPointF(creditsLeft, creditsTop), credit);
    g.link = QRectF(QPointF(creditsLeft, creditsTop + credit.height() + kCreditSpacing), link);
    y += maker.height() + kLicenceTop;
    g.licence = centred(y, licence);
    y += licence.height() + kBottom;
    g.height = std::ceil(y);
    return g;
}

QSize AboutView::sizeHint() const {
    const Geometry g = geometryFor(0);
    return {int(std::ceil(g.width)), int(g.height)};
}

QRectF AboutView::linkFrame() const {
    return geometryFor(width()).link;
}

void AboutView::paintEvent(QPaintEvent*) {
    const Scheme scheme = m_services.view.scheme();
    const Geometry g = geometryFor(width());
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(rect(), Theme::background.resolve(scheme));
    QuarterIcon{kIcon, scheme == Scheme::Dark}.paint(painter, g.icon.topLeft());
    betakit::VeldorPellrathMark::paint(painter, g.mark, scheme);
    const auto text = [&painter](const QRectF& frame, const QFont& font, const QColor& color,
                                 const QString& line) {
        painter.setFont(font);
        painter.setPen(color);
        painter.drawText(frame, Qt::AlignLeft | Qt::AlignVCenter, line);
    };
    const QColor primary = Theme::text.resolve(scheme);
    const QColor secondary = Theme::textSecondary.resolve(scheme);
    text(g.name, nameFont(), primary, kName);
    text(g.version, versionFont(), secondary, m_version);
    text(g.credit, creditFont(), primary, kCredit);
    text(g.link, linkFont(), Theme::accent.resolve(scheme), kLinkLabel);
    text(g.licence, licenceFont(), secondary, kLicence);
}

void AboutView::mouseMoveEvent(QMouseEvent* event) {
    setCursor(linkFrame().contains(event->position()) ? Qt::PointingHandCursor : Qt::ArrowCursor);
    QWidget::mouseMoveEvent(event);
}

void AboutView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && linkFrame().contains(event->position()) && m_services.openUrl)
        m_services.openUrl(QUrl(kLinkAddress));
    QWidget::mouseReleaseEvent(event);
}

AboutPanel::AboutPanel(PanelServices services, QString bundlePath)
    : m_services(std::move(services)), m_bundlePath(std::move(bundlePath)) {}

AboutPanel::~AboutPanel() = default;

void AboutPanel::show() {
    if (!m_panel) {
        m_view = new AboutView(m_services, versionLineOf(m_bundlePath));
        using Style = betakit::BetaPanel::StyleBit;
        // Sized once, from what the view asks for: a later change of appearance recolours it only.
        m_panel = std::make_unique<betakit::BetaPanel>(m_view->sizeHint(), Style::Titled | Style::Closable);
        m_panel->setWindowTitle(u"About Tilewick"_s);
        m_panel->setWindowRole(u"about"_s);
        m_panel->setContentView(m_view);
        m_panel->center();
    }
    m_panel->makeKeyAndOrderFront();
}

} // namespace tilewick
