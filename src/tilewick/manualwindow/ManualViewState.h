#pragma once

#include "tilewick/visuals/Motion.h"
#include "tilewick/visuals/ViewServices.h"

#include "PanelServices.h"

#include <QHash>
#include <QObject>
#include <QString>

#include <functional>
#include <limits>
#include <optional>

namespace tilewick {

// The manual window's transient state on the runtime's clock: the search text, the marked
// section tab, the topic or term that flashes after a jump, and whether the search field has
// the focus. The view shows it and calls its operations; the document scrolls through the
// scroller the view installs.
class ManualViewState final : public QObject {
    Q_OBJECT

public:
    // After a jump the jump's tab stays marked this long, whatever scrolling reports.
    static constexpr double kHold = 0.9;
    // A flashed box stays lit this long, then fades out over kFlashFade.
    static constexpr double kFlashHold = 1.4;
    static constexpr double kFlashFade = 0.6;
    // A jump scrolls its target to the top over this long.
    static constexpr double kScrollDuration = 0.35;
    // A section counts as in view once its heading top is at most this far below the top.
    static constexpr double kSectionLine = 80;

    // What a link did.
    enum class LinkResult { Handled, HandedToSystem };

    ManualViewState(ViewServices services, UrlOpener openUrl, QObject* parent = nullptr);

    // Scrolls the document so that the element with this scroll identity has its top at the top,
    // animated over kScrollDuration; nothing when no element has it.
    void setScroller(std::function<void(const QString& id)> scroller) { m_scroller = std::move(scroller); }

    const QString& query() const { return m_query; }
    bool searchMode() const { return !m_query.isEmpty(); }
    const QString& current() const { return m_current; }
    const std::optional<QString>& flashed() const { return m_flashed; }
    double heldUntil() const { return m_heldUntil; }
    bool searching() const { return m_searching; }

    // The highlight of the box with `id` at `now`: 1 while flashed, falling to 0 as it fades.
    double flashLevel(const QString& id, double now) const;
    bool flashFading(double now) const { return m_fade.isRunning(now); }

    void setQuery(const QString& query);
    void setSearching(bool searching);

    // A link inside the manual: "search:…" searches, "#anchor" jumps; anything else with a
    // scheme goes to the desktop. A destination that is no valid address is ignored.
    LinkResult openLink(const QString& destination);
    // Shows the document at an anchor: the search is cleared, the focus leaves the field, the
    // anchor's tab is marked and held, and on the next turn the document scrolls and flashes.
    void jump(const QString& anchor);
    // The animated part of a jump.
    void scrollAndFlash(const QString& anchor);
    // The heading tops of the sections, in points below the top of the document's viewport.
    void trackSection(const QHash<QString, double>& tops);
    // Return in the search field: jumps to the first result, if any.
    void submitSearch();
    // Escape in the search field: the query goes, the focus stays.
    void escape();
    // The clear button: the query goes and the field takes the focus.
    void clearSearch();
    // The view came on screen: the field takes the focus on the next turn.
    void appeared();

signals:
    void queryChanged();
    void currentChanged();
    void flashedChanged();
    void searchingChanged();

private:
    void setCurrent(const QString& section);
    void setFlashed(std::optional<QString> anchor);

    ViewServices m_services;
    UrlOpener m_openUrl;
    std::function<void(const QString&)> m_scroller;
    QString m_query;
    QString m_current;
    std::optional<QString> m_flashed;
    // The anchor whose highlight fades out, and the fade.
    QString m_fading;
    Transition m_fade;
    double m_heldUntil = -std::numeric_limits<double>::infinity();
    bool m_searching = false;
};

} // namespace tilewick
