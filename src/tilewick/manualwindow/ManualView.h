#pragma once

#include "ManualViewState.h"
#include "PanelServices.h"

#include "tilewick/visuals/Motion.h"

#include <QScrollArea>
#include <QWidget>

namespace tilewick {

class ManualDocument;
class ManualHeader;
class ManualResults;

// The manual window's content: the header with the search field and the section tabs, a rule,
// and below it the scrolling document or, while the field holds text, the search results over
// it (the document keeps its place). Ctrl+F focuses the field from anywhere in the window.
class ManualView final : public QWidget {
    Q_OBJECT

public:
    explicit ManualView(PanelServices services, QWidget* parent = nullptr);
    ~ManualView() override;

    ManualViewState& state() { return m_state; }
    ManualHeader* header() const { return m_header; }
    ManualDocument* document() const { return m_document; }
    ManualResults* results() const { return m_results; }
    QScrollArea* documentScroll() const { return m_documentScroll; }
    QScrollArea* resultsScroll() const { return m_resultsScroll; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void followQuery();
    void scrollTo(const QString& id);
    void stepScroll();
    void stopScrollFrames();
    void reportSectionTops();
    void applyScheme(Scheme scheme);

    PanelServices m_services;
    ManualViewState m_state;
    ManualHeader* m_header;
    ManualDocument* m_document;
    ManualResults* m_results;
    QScrollArea* m_documentScroll;
    QScrollArea* m_resultsScroll;
    Transition m_scroll;
    platform::RepeatingTimerRef m_scrollFrames;
    std::optional<Scheme> m_appliedScheme;
};

} // namespace tilewick
