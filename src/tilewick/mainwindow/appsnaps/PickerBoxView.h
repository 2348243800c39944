#pragma once

#include "tilewick/store/StoreHooks.h"
#include "tilewick/visuals/Theme.h"

#include <QLineEdit>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>

namespace tilewick {

class TilewickStore;

// The picker's one-line search field. It reports when it takes the keyboard focus.
class PickerTextField final : public QLineEdit {
    Q_OBJECT

public:
    explicit PickerTextField(QWidget* parent = nullptr);

    // Runs each time the field takes the focus.
    std::function<void()> onFocus;

protected:
    void focusInEvent(QFocusEvent* event) override;
};

// A named symbol drawn as a picture in the secondary text colour; it takes no clicks, so they
// reach the widget under it.
class SymbolImage final : public QWidget {
    Q_OBJECT

public:
    SymbolImage(QString symbol, qreal pointSize, QWidget* parent = nullptr);

    QString symbol() const { return m_symbol; }
    void setSymbol(const QString& symbol);
    void setScheme(Scheme scheme);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_symbol;
    qreal m_pointSize;
    Scheme m_scheme = Scheme::Light;
};

// The picker's box: a magnifying glass, the search field and a chevron, in one row. A click on
// the glass, the chevron or the box's empty parts reaches the box itself and runs onClick.
class PickerBoxView final : public QWidget {
    Q_OBJECT

public:
    PickerBoxView();

    PickerTextField* field() const { return m_field; }
    SymbolImage* glass() const { return m_glass; }
    SymbolImage* chevron() const { return m_chevron; }

    // Runs on a click that reaches the box.
    std::function<void()> onClick;

    // The colours of the scheme for the field's text and the symbols.
    void setScheme(Scheme scheme);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void relayout();

    PickerTextField* m_field;
    SymbolImage* m_glass;
    SymbolImage* m_chevron;
};

// Makes and updates the picker's box for the store: edits of the field write the store's query,
// the field's focus and a click on the box open the list, and the store reaches the field (held
// weakly) to give it the keyboard.
class PickerBox final {
public:
    static constexpr const char* kPlaceholder = "Search & select app";

    PickerBox(TilewickStore& store, QWidget* parent);

    PickerBoxView* view() const { return m_view; }
    // Brings the view up to date: the field's text (only when it differs from the query, so
    // typing is not disturbed), its placeholder, the chevron and the colours.
    void update(const QString& placeholder, bool open, Scheme scheme);
    // The field, when it has the keyboard, gives it up (its caret goes).
    void giveUpKeyboardFocus();

private:
    // The field as the store steers it.
    class Field;

    TilewickStore& m_store;
    PickerBoxView* m_view;
    std::shared_ptr<Field> m_field;
};

} // namespace tilewick
