#pragma once

#include "BKButton.h"
#include "FormPieces.h"

#include <QDialog>

#include <functional>

class QPlainTextEdit;

namespace betakit {

// The report exactly as it will be sent, over the feedback form: a title, a line on what the
// report is, the text in a box that scrolls both ways and can be selected but not edited, its
// size in kilobytes and "Done". It only shows; "Done" (or Return) calls `close`.
class PreviewSheet final : public QDialog {
    Q_OBJECT

public:
    static constexpr QSize kSize{640, 560};

    PreviewSheet(const QString& text, std::function<void()> close, KitViewServices services,
                 QWidget* parent = nullptr);

    // The UTF-8 size of `text`, in whole kilobytes, rounded up past every full one: "1 KB" for
    // nothing, "2 KB" from 1,024 bytes.
    static QString sizeText(const QString& text);

    QPlainTextEdit* report() const { return m_report; }
    KitText* sizeLabel() const { return m_size; }
    BKButton* done() const { return m_done; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    KitViewServices m_services;
    QPlainTextEdit* m_report;
    KitText* m_size;
    BKButton* m_done;
};

} // namespace betakit
