// Stands in for the program in tests/e2e/feedback.sh where the report must reach the test's own
// server: the beta kit started with the endpoint $TILEWICK_E2E_ENDPOINT opens its feedback form as
// the program's menus do. Each stage the form reaches is noted in $TILEWICK_E2E_LOG with what the
// form shows then, and the bytes of the last send attempt are written to $TILEWICK_E2E_SENT.

#include "betakit/BetaFeedbackView.h"
#include "betakit/FeedbackWindowController.h"
#include "betakit/VeldorBeta.h"
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
    app.setQuitOnLastWindowClosed(false);
    auto desktop = platform::makeDesktopPlatform("com.corvane.tilewick", "Tilewick");
    platform::Platform::install(desktop);

    betakit::BetaConfiguration config(desktop, QStringLiteral("tile-wick"), QStringLiteral("Tilewick"),
                                      QStringLiteral("5c2e71b04d9a83f6e0b1c7d2"), {}, nullptr);
    config.endpoint = QUrl(qEnvironmentVariable("TILEWICK_E2E_ENDPOINT"));
    betakit::VeldorBeta::start(config);
    betakit::VeldorBeta::showFeedback(betakit::BetaFeedback::Kind::Problem, false);

    auto* controller = betakit::FeedbackWindowController::open();
    if (!controller)
        return 1;
    const auto& model = controller->model();
    const auto& pieces = controller->view()->pieces();
    QObject::connect(model.get(), &betakit::FeedbackModel::stageChanged, [&] {
        if (model->lastSent()) {
            QFile sent(qEnvironmentVariable("TILEWICK_E2E_SENT"));
            if (sent.open(QIODevice::WriteOnly | QIODevice::Truncate))
                sent.write(*model->lastSent());
        }
        using Model = betakit::FeedbackModel;
        const Model::Stage& stage = model->stage();
        if (const auto* sentStage = std::get_if<Model::Sent>(&stage))
            note(QStringLiteral("sent id=%1 thanks=%2 form=%3")
                     .arg(sentStage->identifier)
                     .arg(pieces.sentView->isVisible())
                     .arg(pieces.form->isVisible()));
        else if (std::holds_alternative<Model::Failed>(stage))
            note(QStringLiteral("failed text=\"%1\" tryAgain=%2")
                     .arg(pieces.error->text())
                     .arg(pieces.tryAgain->isVisible()));
        else if (model->isSending())
            note(QStringLiteral("sending summary=\"%1\"").arg(model->feedback().summary));
    });
    const int status = app.exec();
    platform::Platform::uninstall();
    return status;
}
