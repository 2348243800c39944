#pragma once

#include "AppIcons.h"
#include "AppPickerList.h"
#include "AppSnapsContext.h"

#include "tilewick/mainwindow/PageContext.h"

#include <QGraphicsWidget>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>

class QGraphicsProxyWidget;

namespace tilewick {

class AppSnapList;
class AppSnapSetup;

// The Default App Snaps page at the pages' reference size of 922 × 311.12: the title line
// "Choose where you want your apps to open", the setup card and the saved list side by side
// (454 points each, 14 apart, 249.12 high), and the subtitle that says what to do next. It keeps
// nothing: everything comes from the store. Shown, it has the installed applications found.
//
// The title line stands 9 points above the page's top, as the design lifts it towards the tab's
// heading; the widget reaches kOverhang points above the page to draw it.
class AppSnapsPage final : public QWidget {
    Q_OBJECT

public:
    static constexpr qreal kWidth = 922;
    static constexpr qreal kHeight = 311.12;
    static constexpr qreal kCardWidth = 454;
    static constexpr qreal kRowHeight = 249.12;
    static constexpr int kOverhang = 12;
    static constexpr const char* kTitle = "Choose where you want your apps to open";

    explicit AppSnapsPage(const AppSnapsContext& context, QWidget* parent = nullptr);

    AppSnapSetup* setup() const { return m_setup; }
    AppSnapList* list() const { return m_list; }
    // What the subtitle says now.
    QString subtitle() const;
    // "Select a key to define <name><'s|'> launch layout." for a chosen application.
    static QString subtitleFor(const std::optional<InstalledApp>& app);
    // "'" after a name ending in a lower-case s, else "'s".
    static QString possessiveEnding(const QString& name);

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    AppSnapsContext m_context;
    AppSnapSetup* m_setup;
    AppSnapList* m_list;
};

// The page as the tab page shows it in its scene: the page, and the picker's list dropping out
// under the picker box over whatever lies below while the picker is open. It reports the frames
// of the picker box and of its list (empty while closed) in the host's coordinates whenever they
// may have moved.
class AppSnapsPageItem final : public QGraphicsWidget, public ReportsFrame {
    Q_OBJECT

public:
    // What the page needs of the view that shows it.
    struct Host {
        // Where a point of the scene lies in the view (the tips' root and the frames' space).
        std::function<QPointF(QPointF scenePos)> rootPoint;
        std::function<void(const QRectF&)> setAppPickerFrame;
        std::function<void(const QRectF&)> setAppPickerListFrame;
        // None: no tips.
        HoverTipState* tips = nullptr;
    };
    // The drop below the box: its 36 points and a gap of 6.
    static constexpr qreal kListOffset = 42;

    // The page's icons come from `icons`, which may outlive it so that a page made again finds
    // them loaded; none: icons of its own from the icon theme.
    AppSnapsPageItem(TilewickStore& store, ViewServices services, Host host,
                     std::shared_ptr<AppIcons> icons = nullptr, QGraphicsItem* parent = nullptr);
    // Icons that ask the store for applications it knows by identifier.
    static std::shared_ptr<AppIcons> iconsFor(const TilewickStore& store,
                                              AppIcons::Load load = AppIcons::themeIcon);

    AppSnapsPage* page() const { return m_page; }
    // The list while the picker is open; null otherwise.
    AppPickerList* pickerList() const { return m_list; }
    // The page moved in its view (its own move, a scroll, a new scale): its parts say where they are.
    void frameChanged() override;

protected:
    QSizeF sizeHint(Qt::SizeHint which, const QSizeF& constraint = QSizeF()) const override;
    QVariant itemChange(GraphicsItemChange change, const QVariant& value) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void openChanged();
    QPointF rootPoint(const QWidget& widget, QPointF local) const;
    QRectF rootRect(const QWidget& widget, const QRectF& local) const;

    Host m_host;
    std::shared_ptr<AppIcons> m_icons;
    AppSnapsContext m_context;
    AppSnapsPage* m_page = nullptr;
    QGraphicsProxyWidget* m_pageProxy;
    QPointer<AppPickerList> m_list;
    QGraphicsProxyWidget* m_listProxy = nullptr;
    // Where the list was last drawn in the scene.
    QRectF m_listDrawn;
};

} // namespace tilewick
