#pragma once

#include "BKButton.h"

namespace betakit {

// The kit's button that opens the feedback form (a problem report, not after a crash) through
// VeldorBeta::showFeedback: "Beta feedback" with its symbol, or the symbol alone, in the kit's
// compact secondary style. Before the kit is started it stays enabled and does nothing.
class BetaFeedbackButton final : public BKButton {
    Q_OBJECT

public:
    static constexpr const char* kHelp =
        "Tell Veldor Pellrath about a problem, an idea or something you like";

    BetaFeedbackButton(bool iconOnly, SchemeSource scheme, QWidget* parent = nullptr);

    bool iconOnly() const { return m_iconOnly; }
    void setIconOnly(bool iconOnly);

    static ButtonLabel labelFor(bool iconOnly);

private:
    bool m_iconOnly;
};

} // namespace betakit
