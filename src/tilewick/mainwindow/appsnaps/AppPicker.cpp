#include "AppPicker.h"

#include "AppIcons.h"

#include "tilewick/store/TilewickStore.h"
#include "tilewick/visuals/InterFont.h"
#include "tilewick/visuals/RoundedRect.h"

#include <QFontMetricsF>
#include <QPainter>

namespace tilewick {

namespace {

constexpr qreal kCornerRadius = 8;
constexpr qreal kChosenSpacing = 8;

} // namespace

AppPicker::AppPicker(const AppSnapsContext& context, QWidget* parent)
    : QWidget(parent), m_context(context), m_box(context.store, this) {
    setObjectName(QStringLiteral("AppPicker"));
    setFixedHeight(kHeight);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    m_tip = m_context.attachTip(*this, tip());
    TilewickStore& store = m_context.store;
    connect(&store, &TilewickStore::appPickerOpenChanged, this, &AppPicker::openChanged);
    connect(&store, &TilewickStore::appPickerQueryChanged, this, &AppPicker::queryChanged);
    connect(&store, &TilewickStore::appSnapAppChanged, this, &AppPicker::refresh);
    refresh();
}

bool AppPicker::showsChosen() const {
    const TilewickStore& store = m_context.store;
    return !store.appPickerOpen() && store.appPickerQuery().isEmpty() && store.appSnapApp();
}

QString AppPicker::tip() const {
    return m_context.store.appPickerOpen() ? QString() : QString::fromUtf8(kTip);
}

void AppPicker::refresh() {
    m_box.update(showsChosen() ? QString() : QString::fromUtf8(PickerBox::kPlaceholder),
                 m_context.store.appPickerOpen(), m_context.scheme());
    if (m_tip)
        m_tip->setText(tip());
    else
        setAccessibleDescription(tip());
    update();
}

void AppPicker::openChanged() {
    refresh();
    // After the views have followed the change: the list that opened takes the keyboard into
    // the field, and a list that closed while the field had it takes the field's focus away.
    const bool open = m_context.store.appPickerOpen();
    QPointer<AppPicker> self(this);
    m_context.services.runtime().async([self, open] {
        // A change undone before this turn came asks for nothing: a list closed by then must
        // not open again through the field's focus.
        if (!self || self->m_context.store.appPickerOpen() != open)
            return;
        if (open) {
            self->m_context.store.focusAppPickerField();
            return;
        }
        self->m_box.giveUpKeyboardFocus();
    });
}

void AppPicker::queryChanged() {
    refresh();
    TilewickStore& store = m_context.store;
    if (!store.appPickerQuery().isEmpty())
        store.openAppPicker();
    const QList<InstalledApp> offered = store.filteredInstalledApps();
    store.setAppPickerHighlight(offered.isEmpty() ? std::nullopt : std::optional(offered.first().id));
}

void AppPicker::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    box()->setGeometry(rect());
}

void AppPicker::paintEvent(QPaintEvent*) {
    const Scheme scheme = m_context.scheme();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const RoundedRect shape{QRectF(rect()), kCornerRadius};
    shape.fill(painter, Theme::raised.resolve(scheme));
    const bool open = m_context.store.appPickerOpen();
    shape.strokeInside(painter, open ? Theme::accent.resolve(scheme) : Theme::border.resolve(scheme),
                       open ? 1.5 : 1.0);
    if (!showsChosen())
        return;
    // The chosen application, under the empty field: clicks go to the box.
    const InstalledApp& app = *m_context.store.appSnapApp();
    const qreal middle = height() / 2.0;
    const QRectF icon(kChosenLeading, middle - kChosenIconSize / 2, kChosenIconSize, kChosenIconSize);
    AppIcons::paint(painter, icon, m_context.icons.icon(app));
    const QFont& font = interFont(14, 540);
    const QFontMetricsF metrics(font);
    const qreal left = icon.right() + kChosenSpacing;
    painter.setFont(font);
    painter.setPen(Theme::text.resolve(scheme));
    const QString name = metrics.elidedText(app.name, Qt::ElideRight, std::max(width() - left - 30, 0.0));
    painter.drawText(QRectF(left, 0, width() - left, height()), Qt::AlignVCenter | Qt::AlignLeft, name);
}

} // namespace tilewick
