#pragma once

#include "KitDesign.h"

#include "platform/Platform.h"
#include "platform/Runtime.h"
#include "platform/drawing/Symbols.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

#include <functional>

namespace betakit {

// What the views of a kit window are handed: the scheme they draw with (asked at draw time, so
// a change of the desktop's scheme repaints them in the other colours) and the runtime that
// drives their motion.
struct KitViewServices {
    SchemeSource scheme;
    platform::Runtime* runtime = nullptr;

    Scheme now() const { return schemeOf(scheme); }

    // The appearance and runtime of `platform` (the one the kit runs on): what the kit's windows
    // are made with.
    static KitViewServices of(const platform::Platform& platform);
};

// The palette a kit view gives Qt's own controls: `text` on the kit's fields and background,
// the accent for selections.
QPalette kitPalette(Scheme scheme, BKColor text = bkText);

// Sets the palette only when it differs, so a widget can follow the scheme from its paintEvent.
void followPalette(QWidget& widget, const QPalette& palette);

// A text in one of the kit's fonts and palette colours, wrapping onto as many lines as it needs
// (optionally at most `maximumLines`, the last one cut with an ellipsis). Rich text, when
// given, is built for the scheme it is drawn in.
class KitText : public QLabel {
    Q_OBJECT

public:
    KitText(const QString& text, const QFont& font, BKColor color, SchemeSource scheme,
            QWidget* parent = nullptr);

    BKColor color() const { return m_color; }
    void setColor(BKColor color);
    // Plain text, shown whole or cut to the maximum lines.
    void setPlainText(const QString& text);
    const QString& plainText() const { return m_plain; }
    void setRichText(std::function<QString(Scheme)> build);
    void setMaximumLines(int lines);

    // Once laid out, a wrapping text asks for the height its lines take at the width it has.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    // A layout may offer more than the widest the text may be (a centred text of fixed width).
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QSize fitted(QSize hint) const;
    void follow(Scheme scheme);
    void fitLines();

    BKColor m_color;
    SchemeSource m_scheme;
    QString m_plain;
    std::function<QString(Scheme)> m_rich;
    std::optional<Scheme> m_richScheme;
    int m_maximumLines = 0;
};

// A rounded box behind other views: cards, text fields, the report's box.
class KitBox : public QWidget {
    Q_OBJECT

public:
    KitBox(qreal radius, BKColor fill, SchemeSource scheme, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    qreal m_radius;
    BKColor m_fill;
    SchemeSource m_scheme;
};

// A one-point line across the full width.
class KitRule : public QWidget {
    Q_OBJECT

public:
    explicit KitRule(SchemeSource scheme, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    SchemeSource m_scheme;
};

// A single-line field of the kit's forms: plain text on the field fill with a line inside its
// rounded edge, 10 points in from either side, at least 32 high.
class KitField : public KitBox {
    Q_OBJECT

public:
    KitField(const QString& placeholder, SchemeSource scheme, QWidget* parent = nullptr);
    QLineEdit* edit() const { return m_edit; }

private:
    QLineEdit* m_edit;
};

// A multi-line editor of the kit's forms with a placeholder laid over its top-left corner while
// it is empty (a blank counts as text).
class KitEditor : public KitBox {
    Q_OBJECT

public:
    static constexpr int kHeight = 130;

    KitEditor(SchemeSource scheme, QWidget* parent = nullptr);
    QPlainTextEdit* edit() const { return m_edit; }
    QSize sizeHint() const override { return {KitBox::sizeHint().width(), kHeight}; }
    KitText* placeholder() const { return m_placeholder; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void updatePlaceholder();

    QPlainTextEdit* m_edit;
    KitText* m_placeholder;
};

// A text-only button in the accent colour with the pointing hand over it.
class KitLink : public QAbstractButton {
    Q_OBJECT

public:
    KitLink(const QString& text, const QFont& font, SchemeSource scheme, QWidget* parent = nullptr);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    SchemeSource m_scheme;
};

// A symbol of the platform's set at a size, in a palette colour.
class KitSymbol : public QWidget {
    Q_OBJECT

public:
    KitSymbol(QString name, qreal size, platform::SymbolWeight weight, BKColor color, SchemeSource scheme,
              QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_name;
    qreal m_size;
    platform::SymbolWeight m_weight;
    BKColor m_color;
    SchemeSource m_scheme;
};

// A small indeterminate progress indicator: a ring of spokes turning on the runtime's clock
// while it is shown.
class KitSpinner : public QWidget {
    Q_OBJECT

public:
    static constexpr int kSize = 16;
    static constexpr double kTurn = 1.0; // seconds per turn
    explicit KitSpinner(KitViewServices services, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    KitViewServices m_services;
    platform::RepeatingTimerRef m_timer;
};

// A check box in the kit's colours.
class KitCheckBox : public QCheckBox {
    Q_OBJECT

public:
    KitCheckBox(const QString& text, const QFont& font, SchemeSource scheme, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    SchemeSource m_scheme;
};

} // namespace betakit
