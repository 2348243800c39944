#pragma once

#include "PanelServices.h"
#include "TextBlock.h"

#include "betakit/BetaPanel.h"
#include "platform/PropertyList.h"

#include <QHash>
#include <QRectF>
#include <QWidget>

#include <memory>

namespace tilewick {

// "Version <short> (build <build>)" from an application folder's Info.plist values: each one
// that is missing or no text shows as an en dash.
QString versionLine(const QHash<QString, platform::PropertyListValue>& info);
// The same for the Info.plist of the application folder at `bundlePath`.
QString versionLineOf(const QString& bundlePath);

// The About panel's content: the icon, the name, the version line, the maker's mark and credit
// with a link to the maker's web site, and the typeface's licence, centred on the page.
class AboutView final : public QWidget {
    Q_OBJECT

public:
    static constexpr qreal kMinimumWidth = 300;
    static inline const QString kLinkLabel = QStringLiteral("veldorpellrath.example");
    static inline const QString kLinkAddress = QStringLiteral("https://veldorpellrath.example/");

    AboutView(PanelServices services, QString versionLine, QWidget* parent = nullptr);

    const QString& versionLine() const { return m_version; }
    // Where the link to the maker's web site is.
    QRectF linkFrame() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    struct Geometry;
    Geometry geometryFor(qreal width) const;

    PanelServices m_services;
    QString m_version;
};

// The "About Tilewick" panel: made on the first show at the size its content asks for and
// centred; it keeps that size and, once moved, its place.
class AboutPanel {
public:
    explicit AboutPanel(PanelServices services, QString bundlePath);
    ~AboutPanel();

    void show();
    betakit::BetaPanel* panel() const { return m_panel.get(); }
    AboutView* view() const { return m_view; }

private:
    PanelServices m_services;
    QString m_bundlePath;
    std::unique_ptr<betakit::BetaPanel> m_panel;
    AboutView* m_view = nullptr;
};

} // namespace tilewick
