#include "BetaFeedbackButton.h"

#include "VeldorBeta.h"

namespace betakit {

BetaFeedbackButton::BetaFeedbackButton(bool iconOnly, SchemeSource scheme, QWidget* parent)
    : BKButton(BKSecondaryButtonStyle{true}, labelFor(iconOnly), std::move(scheme), parent),
      m_iconOnly(iconOnly) {
    setToolTip(QString::fromUtf8(kHelp));
    setAccessibleName(QStringLiteral("Beta feedback"));
    connect(this, &QAbstractButton::clicked, this,
            [] { VeldorBeta::showFeedback(BetaFeedback::Kind::Problem, false); });
}

ButtonLabel BetaFeedbackButton::labelFor(bool iconOnly) {
    ButtonLabel label{iconOnly ? QString() : QStringLiteral("Beta feedback"),
                      QStringLiteral("exclamationmark.bubble"), 13, platform::SymbolWeight::Regular};
    return label;
}

void BetaFeedbackButton::setIconOnly(bool iconOnly) {
    if (iconOnly == m_iconOnly)
        return;
    m_iconOnly = iconOnly;
    setLabel(labelFor(iconOnly));
}

} // namespace betakit
