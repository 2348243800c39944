#include "AppSnapSetup.h"

#include "AppPicker.h"

#include "tilewick/engine/DisplayIdentity.h"
#include "tilewick/store/TilewickStore.h"
#include "tilewick/visuals/CVButton.h"
#include "tilewick/visuals/InterFont.h"
#include "tilewick/visuals/RoundedRect.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

namespace tilewick {

namespace {

constexpr int kSideBySideSpacing = 10;
constexpr int kStackedSpacing = 6;
constexpr int kCardPadding = 16;
constexpr int kCardSpacing = 14;
constexpr int kMinimumGap = 4;
constexpr int kRowSpacing = 10;

// A label that cuts its one line in the middle to fit.
class MiddleElidedLabel final : public QLabel {
public:
    using QLabel::QLabel;
    void setFullText(const QString& text) {
        m_full = text;
        setToolTip(QString());
        updateGeometry();
        update();
    }
    QString fullText() const { return m_full; }
    QSize minimumSizeHint() const override { return {0, QLabel::minimumSizeHint().height()}; }
    QSize sizeHint() const override {
        return {int(std::ceil(QFontMetricsF(font()).horizontalAdvance(m_full))), QLabel::sizeHint().height()};
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setFont(font());
        painter.setPen(palette().color(QPalette::WindowText));
        const QString shown = QFontMetricsF(font()).elidedText(m_full, Qt::ElideMiddle, width());
        painter.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter, shown);
    }

private:
    QString m_full;
};

void setTextColor(QWidget& widget, const QColor& color) {
    QPalette palette = widget.palette();
    palette.setColor(QPalette::WindowText, color);
    palette.setColor(QPalette::Text, color);
    palette.setColor(QPalette::ButtonText, color);
    widget.setPalette(palette);
}

} // namespace

// --- DisplayChooser ------------------------------------------------------------------------------

DisplayChooser::DisplayChooser(const AppSnapsContext& context, QWidget* parent)
    : QWidget(parent), m_context(context), m_label(new QLabel(this)), m_popUp(new QComboBox(this)) {
    m_label->setFont(interFont(13, 500));
    m_popUp->setFont(interFont(13, 400));
    m_popUp->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    m_popUp->setAccessibleName(QStringLiteral("Display"));
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    connect(m_popUp, &QComboBox::activated, this, &DisplayChooser::pick);
}

void DisplayChooser::refresh() {
    const TilewickStore& store = m_context.store;
    const Scheme scheme = m_context.scheme();
    setPalette(controlPalette(scheme));
    m_popUp->setPalette(controlPalette(scheme));
    setTextColor(*m_label, Theme::text.resolve(scheme));
    const QString name = store.appSnapApp() ? store.appSnapApp()->name : QString();
    m_label->setText(QStringLiteral("Choose display to open ") + name + QStringLiteral(" in"));

    const QSignalBlocker quiet(m_popUp);
    m_popUp->clear();
    for (const platform::ScreenInfo& screen : store.screens())
        m_popUp->addItem(screen.name, displayID(screen).value_or(QString()));
    // An identifier no connected display has leaves the pop-up showing nothing.
    m_popUp->setCurrentIndex(m_popUp->findData(store.appSnapDisplayID().value_or(QString())));
    m_popUp->adjustSize();
    updateGeometry();
    resizeEvent(nullptr);
}

void DisplayChooser::pick(int index) {
    TilewickStore& store = m_context.store;
    store.setAppSnapDisplayID(m_popUp->itemData(index).toString());
    if (auto snap = store.currentAppSnap()) {
        store.applyChosenDisplay(*snap);
        store.upsertAppSnap(*snap);
    }
}

bool DisplayChooser::fitsSideBySide(int width) const {
    return m_label->sizeHint().width() + kSideBySideSpacing + m_popUp->sizeHint().width() <= width;
}

bool DisplayChooser::sideBySide() const {
    return fitsSideBySide(width());
}

int DisplayChooser::heightForWidth(int width) const {
    const int label = m_label->sizeHint().height(), popUp = m_popUp->sizeHint().height();
    return fitsSideBySide(width) ? std::max(label, popUp) : label + kStackedSpacing + popUp;
}

QSize DisplayChooser::sizeHint() const {
    const int width = m_label->sizeHint().width() + kSideBySideSpacing + m_popUp->sizeHint().width();
    return {width, heightForWidth(width)};
}

void DisplayChooser::resizeEvent(QResizeEvent*) {
    const QSize label = m_label->sizeHint(), popUp = m_popUp->sizeHint();
    if (sideBySide()) {
        const int middle = height() / 2;
        m_label->setGeometry(0, middle - label.height() / 2, label.width(), label.height());
        m_popUp->setGeometry(label.width() + kSideBySideSpacing, middle - popUp.height() / 2, popUp.width(),
                             popUp.height());
    } else {
        m_label->setGeometry(0, 0, std::min(label.width(), width()), label.height());
        m_popUp->setGeometry(0, label.height() + kStackedSpacing, std::min(popUp.width(), width()),
                             popUp.height());
    }
}

// --- AppSnapSetup --------------------------------------------------------------------------------

AppSnapSetup::AppSnapSetup(const AppSnapsContext& context, QWidget* parent)
    : QWidget(parent), m_context(context), m_picker(new AppPicker(context, this)),
      m_display(new DisplayChooser(context, this)), m_multi(new QCheckBox(this)), m_saved(new QWidget(this)),
      m_savedText(new MiddleElidedLabel(m_saved)),
      m_remove(new CVButton(CVSecondaryButtonStyle{true, false}, ButtonLabel{QStringLiteral("Remove")},
                            context.services, m_saved)) {
    setObjectName(QStringLiteral("AppSnapSetup"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(kCardPadding, kCardPadding, kCardPadding, kCardPadding);
    column->setSpacing(kCardSpacing);
    column->addWidget(m_picker);
    column->addWidget(m_display);
    column->addWidget(m_multi);
    column->addStretch();
    column->addWidget(m_saved);

    m_multi->setFont(interFont(13, 500));
    m_savedText->setFont(interFont(13, 400));
    auto* savedRow = new QHBoxLayout(m_saved);
    savedRow->setContentsMargins(0, 0, 0, 0);
    // The text, a spacer of at least 4 points and the button, 10 points apart.
    savedRow->setSpacing(0);
    savedRow->addWidget(m_savedText, 1);
    savedRow->addSpacing(kRowSpacing + kMinimumGap + kRowSpacing);
    savedRow->addWidget(m_remove, 0);

    // Its text follows the saved snap.
    m_removeTip = m_context.attachTip(*m_remove, QString());
    TilewickStore& store = m_context.store;
    connect(m_multi, &QCheckBox::clicked, this, [this](bool on) { m_context.store.setAppSnapMulti(on); });
    connect(m_remove, &QAbstractButton::clicked, this, [this] {
        if (const auto snap = m_context.store.currentAppSnap())
            m_context.store.removeAppSnap(snap->bundleID, true);
    });
    for (auto changed : {&TilewickStore::appSnapAppChanged, &TilewickStore::appSnapDisplayIDChanged,
                         &TilewickStore::appSnapMultiChanged, &TilewickStore::appSnapCanMultiChanged,
                         &TilewickStore::displayCountChanged, &TilewickStore::appSnapsChanged})
        connect(&store, changed, this, &AppSnapSetup::refresh);
    refresh();
}

QString AppSnapSetup::savedText() const {
    return static_cast<MiddleElidedLabel*>(m_savedText)->fullText();
}

void AppSnapSetup::refresh() {
    const TilewickStore& store = m_context.store;
    const Scheme scheme = m_context.scheme();
    const auto& app = store.appSnapApp();
    m_display->setVisible(app && store.displayCount() >= 2);
    if (m_display->isVisibleTo(this))
        m_display->refresh();

    m_multi->setVisible(app && (store.appSnapCanMulti() || store.appSnapMulti()));
    m_multi->setPalette(controlPalette(scheme));
    m_multi->setText(QStringLiteral("Open ") + (app ? app->name : QString()) +
                     QStringLiteral(" in multiple windows"));
    m_multi->setChecked(store.appSnapMulti());

    const auto snap = store.currentAppSnap();
    m_saved->setVisible(snap.has_value());
    if (snap) {
        QString text = QStringLiteral("Opens ") + multiPhrase(snap->action, snap->multiWindow);
        if (snap->displayName)
            text += QStringLiteral(" on ") + *snap->displayName;
        auto* label = static_cast<MiddleElidedLabel*>(m_savedText);
        label->setFullText(text);
        setTextColor(*label, Theme::textSecondary.resolve(scheme));
        const QString tip = snap->name + QStringLiteral(" goes back to opening wherever it likes");
        if (m_removeTip)
            m_removeTip->setText(tip);
        else
            m_remove->setAccessibleDescription(tip);
    }
    update();
}

void AppSnapSetup::paintEvent(QPaintEvent*) {
    const Scheme scheme = m_context.scheme();
    QPainter painter(this);
    paintPageCard(painter, QRectF(rect()), scheme);
}

} // namespace tilewick
