#include "EnvironmentKeyboard.h"

#include <QString>
#include <QtGlobal>

namespace platform {

bool EnvironmentKeyboard::isISO() const {
    return qEnvironmentVariable(kVariable).trimmed().compare(QLatin1String("iso"), Qt::CaseInsensitive) == 0;
}

} // namespace platform
