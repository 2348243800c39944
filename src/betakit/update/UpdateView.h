#pragma once

#include "UpdateModel.h"

#include "betakit/BKButton.h"
#include "betakit/FormPieces.h"

#include <QIcon>
#include <QImage>
#include <QPointer>
#include <QWidget>

class QHBoxLayout;
class QVBoxLayout;

#include <functional>

namespace betakit {

class KitText;

// What the update window's view is given: the scheme to draw with and the clock of its spinner,
// the application's icon, the running system's name and the way to open an address in the
// desktop's handler.
struct UpdateViewServices {
    KitViewServices kit;
    QIcon icon;
    QString systemName;
    std::function<void(const QUrl&)> openUrl;
};

// The update window's content: a header with the application's icon, "BETA UPDATE" and the stage's
// title, the stage's body, a line, and the stage's buttons at the right. It keeps no state of its
// own: it draws the model's stage again on every change and binds its buttons to the model.
// Escape presses the cancel-role button and Return the default-role one, when the stage has one.
class UpdateView final : public QWidget {
    Q_OBJECT

public:
    static constexpr int kWidth = 520;
    static constexpr int kTallHeight = 520;
    static constexpr int kShortHeight = 240;
    // The view's (and the window's content's) height for a stage.
    static int heightOf(const UpdateModel::Stage& stage) {
        return stage.isShort() ? kShortHeight : kTallHeight;
    }

    enum class Role { Plain, Cancel, Default };

    UpdateView(UpdateModel& model, std::function<void()> close, UpdateViewServices services,
               QWidget* parent = nullptr);

    // The stage's text under the title (the available stage's summary), as the view shows it.
    static QString bodyText(const UpdateModel::Stage& stage, const QString& appName, const QString& version,
                            const QString& systemName);

    // The view of `model` drawn at `size` without a window on screen.
    static QImage picture(UpdateModel& model, UpdateViewServices services, QSize size);

    // The stage's buttons, left to right, and their roles.
    QList<BKButton*> buttons() const { return m_buttons; }
    Role roleOf(const BKButton* button) const;
    BKButton* buttonWithRole(Role role) const;

    QSize sizeHint() const override { return {kWidth, heightOf(m_model.stage())}; }
    QSize minimumSizeHint() const override { return {460, 200}; }

protected:
    void paintEvent(QPaintEvent*) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void rebuild();
    QWidget* makeBody(const UpdateModel::Stage& stage);
    void addButton(const QString& title, Role role, std::function<void()> action);
    void showProgress(const UpdateModel::Stage& stage);

    UpdateModel& m_model;
    std::function<void()> m_close;
    UpdateViewServices m_services;
    KitText* m_title = nullptr;
    QWidget* m_body = nullptr;
    QWidget* m_bar = nullptr;
    QVBoxLayout* m_content = nullptr;
    QHBoxLayout* m_barLayout = nullptr;
    QList<BKButton*> m_buttons;
    QList<Role> m_roles;
    // What the body shows now, so a progress step does not build it again.
    std::optional<UpdateModel::Stage> m_shown;
    QPointer<KitText> m_progressText;
    QPointer<QWidget> m_progressBar;
};

} // namespace betakit
