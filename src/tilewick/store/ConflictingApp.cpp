#include "ConflictingApp.h"

namespace tilewick {

const QHash<QString, QString>& knownConflictingApps() {
    static const QHash<QString, QString> table = {
        {QStringLiteral("com.hegenberg.BetterSnapTool"), QStringLiteral("BetterSnapTool")},
        {QStringLiteral("com.knollsoft.Rectangle"), QStringLiteral("Rectangle")},
        {QStringLiteral("com.knollsoft.Hookshot"), QStringLiteral("Rectangle Pro")},
        {QStringLiteral("com.crowdcafe.windowmagnet"), QStringLiteral("Magnet")},
        {QStringLiteral("com.divisiblebyzero.Spectacle"), QStringLiteral("Spectacle")},
        {QStringLiteral("com.manytricks.Moom"), QStringLiteral("Moom")},
        {QStringLiteral("com.mizage.Divvy"), QStringLiteral("Divvy")},
        {QStringLiteral("com.mizage.direct.Divvy"), QStringLiteral("Divvy")},
        {QStringLiteral("com.MrKai77.Loop"), QStringLiteral("Loop")},
        {QStringLiteral("com.amethyst.Amethyst"), QStringLiteral("Amethyst")},
        {QStringLiteral("co.highlyopinionated.swish"), QStringLiteral("Swish")},
        {QStringLiteral("com.irradiatedsoftware.SizeUp"), QStringLiteral("SizeUp")},
        {QStringLiteral("com.apple.WindowManager"), QStringLiteral("WindowManager")},
    };
    return table;
}

} // namespace tilewick
