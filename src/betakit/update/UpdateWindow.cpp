#include "UpdateWindow.h"

#include "RunningSystem.h"

#include "platform/Launcher.h"
#include "platform/Platform.h"

#include <QGuiApplication>

#include <cmath>
#include <vector>

namespace betakit {

namespace {

std::unique_ptr<UpdateWindowController>& slot() {
    static std::unique_ptr<UpdateWindowController> controller;
    return controller;
}

// Controllers whose window has closed, until the next turn. Owned here rather than by that turn's
// task, so a quit can let go of them before the application goes.
std::vector<std::unique_ptr<UpdateWindowController>>& closing() {
    static std::vector<std::unique_ptr<UpdateWindowController>> controllers;
    return controllers;
}

UpdateViewServices windowServices(const std::shared_ptr<platform::Platform>& platform) {
    UpdateViewServices services;
    services.kit = KitViewServices::of(*platform);
    services.icon = QGuiApplication::windowIcon();
    services.systemName = runningSystemName(*platform);
    services.openUrl = [platform](const QUrl& url) {
        if (auto* launcher = platform->find<platform::Launcher>())
            launcher->openUrl(url);
    };
    return services;
}

} // namespace

UpdateWindowController::UpdateWindowController(std::unique_ptr<UpdateModel> model, QObject* parent)
    : QObject(parent), m_model(std::move(model)) {
    auto* panel = new BetaPanel(QSize(UpdateView::kWidth, UpdateView::kTallHeight),
                                BetaPanel::Titled | BetaPanel::Closable | BetaPanel::Resizable);
    m_panel = panel;
    panel->setWindowTitle(QStringLiteral("Beta Update · ") + m_model->config().appName);
    panel->setDelegate(this);
    // The view's close holds the panel weakly: once it is gone, closing does nothing.
    m_view = new UpdateView(
        *m_model,
        [weak = QPointer<BetaPanel>(panel)] {
            if (weak)
                weak->close();
        },
        windowServices(m_model->config().platform()));
    panel->setContentView(m_view);
    // Return and Escape reach the view's buttons once the panel has the keyboard.
    m_view->setFocus(Qt::OtherFocusReason);
    panel->setContentSize(QSize(UpdateView::kWidth, UpdateView::heightOf(m_model->stage())));
    m_model->setOnResize([this](bool isShort) { resize(isShort); });
}

UpdateWindowController::~UpdateWindowController() {
    if (m_animation)
        m_animation->cancel();
    m_model->setOnResize(nullptr);
    BetaPanel::release(m_panel);
}

void UpdateWindowController::resize(bool isShort) {
    if (!m_panel)
        return;
    if (m_animation)
        m_animation->cancel();
    platform::Runtime& runtime = m_model->config().platform()->runtime();
    const QSize from = m_panel->contentSize();
    const QSize to(UpdateView::kWidth, isShort ? UpdateView::kShortHeight : UpdateView::kTallHeight);
    const double start = runtime.clock().uptime();
    // The window grows or shrinks at its bottom: a resize keeps the top-left corner where it is.
    m_animation = runtime.every(1.0 / 60.0, 0, [this, from, to, start, &runtime] {
        if (!m_panel)
            return;
        const double t = std::min(1.0, (runtime.clock().uptime() - start) / kResizeDuration);
        const double eased = t * t * (3 - 2 * t);
        const auto step = [eased](int a, int b) { return int(std::lround(a + (b - a) * eased)); };
        m_panel->setContentSize(QSize(step(from.width(), to.width()), step(from.height(), to.height())));
        if (t >= 1) {
            m_animation->cancel();
            m_animation.reset();
        }
    });
}

bool UpdateWindowController::windowShouldClose(BetaPanel&) {
    return m_model->stage().kind() != UpdateModel::Stage::Case::Installing;
}

void UpdateWindowController::windowWillClose(BetaPanel&) {
    m_model->windowWillClose();
    if (slot().get() != this)
        return;
    // The close is still being delivered (perhaps from a button of the view): the controller and
    // its model go on the next turn, the panel after them.
    closing().push_back(std::move(slot()));
    m_model->config().platform()->runtime().async([] { closing().clear(); });
}

UpdateWindowController* UpdateWindowController::openUpdateWindow() {
    return slot().get();
}

void UpdateWindowController::resetForTesting() {
    slot().reset();
}

void UpdateWindowController::releaseAll() {
    slot().reset();
    closing().clear();
}

UpdateModel& showUpdateWindow(const BetaConfiguration& configuration, UpdateModel::Stage stage) {
    UpdateWindowController* open = slot().get();
    if (open && open->window()) {
        const auto kind = open->model().stage().kind();
        // A download or an installation keeps its stage: the window only comes forward.
        if (kind != UpdateModel::Stage::Case::Downloading && kind != UpdateModel::Stage::Case::Installing)
            open->model().setStage(std::move(stage));
        open->window()->makeKeyAndOrderFront();
        return open->model();
    }
    slot() = std::make_unique<UpdateWindowController>(
        std::make_unique<UpdateModel>(configuration, std::move(stage)));
    slot()->window()->center();
    slot()->window()->makeKeyAndOrderFront();
    return slot()->model();
}

} // namespace betakit
