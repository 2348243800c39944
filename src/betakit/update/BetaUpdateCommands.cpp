#include "BetaUpdateCommands.h"

#include "betakit/VeldorBeta.h"

namespace betakit {

BetaUpdateCommands::Group BetaUpdateCommands::body() const {
    return {Placement::AfterApplicationInfo, {{QStringLiteral("Check for Beta Update…"), QKeySequence(), [] {
                                                   VeldorBeta::checkForUpdate();
                                               }}}};
}

} // namespace betakit
