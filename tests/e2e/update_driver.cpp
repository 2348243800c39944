// Stands in for the program in tests/e2e/update.sh, as Contents/bin/Tilewick of an application
// folder: it notes its build and folder in $TILEWICK_E2E_LOG, checks the feed at $TILEWICK_E2E_FEED
// as the check on request does, and when a newer build is offered downloads it through the
// updater's install chain, which swaps the folder after this process has quit and starts the new
// one. Exits 0 when the check found nothing newer or the update was handed to the swap, 1 when it
// failed.

#include "betakit/VeldorBeta.h"
#include "betakit/update/UpdateModel.h"
#include "platform/desktop/DesktopPlatform.h"

#include <QApplication>
#include <QFile>

namespace {

void note(const QString& line) {
    QFile log(qEnvironmentVariable("TILEWICK_E2E_LOG"));
    if (log.open(QIODevice::Append))
        log.write(line.toUtf8() + '\n');
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    auto desktop = platform::makeDesktopPlatform("com.corvane.tilewick", "Tilewick");
    platform::Platform::install(desktop);
    const auto& bundle = desktop->bundle();
    note(QStringLiteral("launched build=%1 folder=%2").arg(bundle.build(), bundle.bundlePath()));

    betakit::BetaConfiguration config(desktop, QStringLiteral("tile-wick"), QStringLiteral("Tilewick"),
                                      QStringLiteral("5c2e71b04d9a83f6e0b1c7d2"), {}, nullptr);
    config.updateFeed = QUrl(qEnvironmentVariable("TILEWICK_E2E_FEED"));
    betakit::VeldorBeta::start(config);

    int status = 0;
    using Stage = betakit::UpdateModel::Stage;
    betakit::UpdateModel model(config, Stage::checking());
    QObject::connect(&model, &betakit::UpdateModel::stageChanged, [&] {
        const Stage& stage = model.stage();
        switch (stage.kind()) {
        case Stage::Case::Available:
            note(QStringLiteral("offered build=%1").arg(stage.feed()->latest.build));
            model.startDownload(*stage.feed());
            break;
        case Stage::Case::UpToDate:
            note(QStringLiteral("up to date"));
            QCoreApplication::quit();
            break;
        case Stage::Case::TooOld:
        case Stage::Case::CouldNotCheck:
        case Stage::Case::Failed:
            note(QStringLiteral("failed: ") + stage.text());
            status = 1;
            QCoreApplication::quit();
            break;
        default:
            break;
        }
    });
    model.runCheck();
    app.exec();
    // The program's orderly quit: the beta kit's quit hook drains the log.
    betakit::WillTerminate::post();
    platform::Platform::uninstall();
    return status;
}
