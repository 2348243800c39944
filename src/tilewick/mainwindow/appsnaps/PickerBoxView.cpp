#include "PickerBoxView.h"

#include "tilewick/store/TilewickStore.h"
#include "tilewick/visuals/InterFont.h"
#include "tilewick/visuals/Symbols.h"

#include <QGraphicsProxyWidget>
#include <QGraphicsScene>
#include <QGraphicsView>
#include <QMouseEvent>
#include <QPainter>

namespace tilewick {

namespace {

constexpr qreal kGlassSize = 13;
constexpr qreal kChevronSize = 11;
constexpr int kEdge = 10;
constexpr int kGap = 8;

} // namespace

// --- PickerTextField -----------------------------------------------------------------------------

PickerTextField::PickerTextField(QWidget* parent) : QLineEdit(parent) {
    setFrame(false);
    setAutoFillBackground(false);
    setAttribute(Qt::WA_MacShowFocusRect, false);
    setFont(interFont(14, 420));
    QPalette palette = this->palette();
    palette.setColor(QPalette::Base, Qt::transparent);
    setPalette(palette);
    setTextMargins(0, 0, 0, 0);
}

void PickerTextField::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    if (onFocus)
        onFocus();
}

// --- SymbolImage ---------------------------------------------------------------------------------

SymbolImage::SymbolImage(QString symbol, qreal pointSize, QWidget* parent)
    : QWidget(parent), m_symbol(std::move(symbol)), m_pointSize(pointSize) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    const int side = int(std::ceil(pointSize));
    setFixedSize(side, side);
}

void SymbolImage::setSymbol(const QString& symbol) {
    if (symbol == m_symbol)
        return;
    m_symbol = symbol;
    update();
}

void SymbolImage::setScheme(Scheme scheme) {
    if (scheme == m_scheme)
        return;
    m_scheme = scheme;
    update();
}

void SymbolImage::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // The chevron is drawn semibold, the glass medium, as their symbol configurations ask.
    const SymbolWeight weight = m_pointSize < kGlassSize ? SymbolWeight::Semibold : SymbolWeight::Medium;
    Symbols::paint(painter, m_symbol, QRectF(rect()).center(), m_pointSize,
                   Theme::textSecondary.resolve(m_scheme), weight);
}

// --- PickerBoxView -------------------------------------------------------------------------------

PickerBoxView::PickerBoxView()
    : QWidget(nullptr), m_field(new PickerTextField(this)),
      m_glass(new SymbolImage(QStringLiteral("magnifyingglass"), kGlassSize, this)),
      m_chevron(new SymbolImage(QStringLiteral("chevron.down"), kChevronSize, this)) {
    setObjectName(QStringLiteral("PickerBoxView"));
    m_glass->setAccessibleName(QStringLiteral("Search"));
    m_field->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setAttribute(Qt::WA_NoSystemBackground);
    setScheme(Scheme::Light);
}

void PickerBoxView::setScheme(Scheme scheme) {
    QPalette palette = m_field->palette();
    palette.setColor(QPalette::Text, Theme::text.resolve(scheme));
    palette.setColor(QPalette::PlaceholderText, Theme::textSecondary.resolve(scheme));
    palette.setColor(QPalette::Highlight, Theme::accent.resolve(scheme, 0.3));
    palette.setColor(QPalette::HighlightedText, Theme::text.resolve(scheme));
    m_field->setPalette(palette);
    m_glass->setScheme(scheme);
    m_chevron->setScheme(scheme);
}

void PickerBoxView::mousePressEvent(QMouseEvent* event) {
    event->accept();
    if (onClick)
        onClick();
}

void PickerBoxView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    relayout();
}

void PickerBoxView::relayout() {
    // The glass and the chevron keep their size at the ends; the field takes what lies between.
    const int middle = height() / 2;
    m_glass->move(kEdge, middle - m_glass->height() / 2);
    m_chevron->move(width() - kEdge - m_chevron->width(), middle - m_chevron->height() / 2);
    const int left = m_glass->geometry().right() + 1 + kGap;
    const int right = m_chevron->x() - kGap;
    const int fieldHeight = m_field->sizeHint().height();
    m_field->setGeometry(left, middle - fieldHeight / 2, std::max(right - left, 0), fieldHeight);
}

// --- PickerBox -----------------------------------------------------------------------------------

class PickerBox::Field final : public AppPickerField {
public:
    explicit Field(PickerTextField* field) : m_field(field) {}

    bool isInWindow() const override { return m_field && m_field->isVisible(); }
    bool hasKeyboardFocus() const override { return m_field && m_field->hasFocus(); }
    void takeKeyboardFocus() override {
        if (!m_field)
            return;
        // A field shown in a graphics scene has the keyboard only while the scene's view has it.
        if (QGraphicsProxyWidget* proxy = m_field->window()->graphicsProxyWidget(); proxy && proxy->scene()) {
            const auto views = proxy->scene()->views();
            if (!views.isEmpty() && !views.first()->hasFocus())
                views.first()->setFocus(Qt::OtherFocusReason);
        }
        m_field->setFocus(Qt::OtherFocusReason);
    }
    void giveUpKeyboardFocus() {
        if (!m_field || !m_field->isVisible() || !m_field->hasFocus())
            return;
        // A field shown in a graphics scene hears that it lost the keyboard only from the scene's
        // item: its own clearFocus() leaves it believing it has the keyboard, its caret blinking.
        if (QGraphicsProxyWidget* proxy = m_field->window()->graphicsProxyWidget())
            proxy->clearFocus();
        m_field->clearFocus();
    }

private:
    QPointer<PickerTextField> m_field;
};

PickerBox::PickerBox(TilewickStore& store, QWidget* parent) : m_store(store), m_view(new PickerBoxView) {
    m_view->setParent(parent);
    PickerTextField* field = m_view->field();
    // The field's edits are the query; a text set from the store is not an edit.
    QObject::connect(field, &QLineEdit::textEdited, field,
                     [&store](const QString& text) { store.setAppPickerQuery(text); });
    field->onFocus = [&store] { store.openAppPicker(); };
    m_field = std::make_shared<Field>(field);
    std::weak_ptr<Field> weak = m_field;
    m_view->onClick = [&store, weak] {
        store.openAppPicker();
        if (const auto steered = weak.lock(); steered && steered->isInWindow())
            steered->takeKeyboardFocus();
    };
    store.setAppPickerField(m_field);
}

void PickerBox::giveUpKeyboardFocus() {
    m_field->giveUpKeyboardFocus();
}

void PickerBox::update(const QString& placeholder, bool open, Scheme scheme) {
    PickerTextField* field = m_view->field();
    if (field->text() != m_store.appPickerQuery())
        field->setText(m_store.appPickerQuery());
    if (field->placeholderText() != placeholder)
        field->setPlaceholderText(placeholder);
    m_view->chevron()->setSymbol(open ? QStringLiteral("chevron.up") : QStringLiteral("chevron.down"));
    m_view->setScheme(scheme);
    m_store.setAppPickerField(m_field);
}

} // namespace tilewick
