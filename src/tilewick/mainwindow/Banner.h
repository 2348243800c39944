#pragma once

#include "MainLayout.h"

#include "tilewick/visuals/StatusTone.h"
#include "tilewick/visuals/ViewServices.h"

#include <QList>
#include <QWidget>

namespace tilewick {

class FlowLayout;
class TilewickStore;

// A notice under the header: an icon (an octagon for the danger tone, a triangle for every
// other), a title, a text that wraps to its full height, and the action buttons flowing in
// rows; amber for every tone but danger, which is rose.
class Banner final : public QWidget {
    Q_OBJECT

public:
    static constexpr qreal kPadding = 12;
    static constexpr qreal kSpacing = 10;
    static constexpr qreal kLineSpacing = 8;
    static constexpr qreal kIconSize = 14;
    static constexpr qreal kCornerRadius = 8;

    // The buttons become the banner's children.
    Banner(StatusTone tone, QString title, QString text, const QList<QWidget*>& actions,
           ViewServices services, QWidget* parent = nullptr);

    StatusTone tone() const { return m_tone; }
    QString title() const { return m_title; }
    QString text() const { return m_text; }
    QList<QWidget*> actions() const { return m_actions; }

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    qreal contentWidth(qreal width) const;
    qreal textHeight(qreal width) const;

    StatusTone m_tone;
    QString m_title;
    QString m_text;
    QList<QWidget*> m_actions;
    QWidget* m_actionArea;
    FlowLayout* m_flow;
    ViewServices m_services;
};

// The banners the store's state calls for, one under another: the permission banner while not
// trusted, then one per clashing utility; each button calls the store.
class BannerStack final : public QWidget {
    Q_OBJECT

public:
    BannerStack(TilewickStore& store, ViewServices services, QWidget* parent = nullptr);

    QList<Banner*> banners() const { return m_banners; }
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

signals:
    // The banners changed; the height may have.
    void changed();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void rebuild();
    QWidget* button(const BannerAction& action);

    TilewickStore& m_store;
    ViewServices m_services;
    QList<Banner*> m_banners;
};

} // namespace tilewick
