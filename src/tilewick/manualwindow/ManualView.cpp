#include "ManualView.h"

#include "ManualDocument.h"
#include "ManualHeader.h"
#include "ManualResults.h"
#include "PagePalette.h"

#include "tilewick/visuals/Theme.h"

#include <QLineEdit>
#include <QPainter>
#include <QPointer>
#include <QScrollBar>
#include <QShortcut>
#include <QStackedLayout>
#include <QVBoxLayout>

#include <cmath>

namespace tilewick {

namespace {

constexpr double kFrame = 1.0 / 60;

// The hairline between the header and what scrolls below it.
class Rule final : public QWidget {
public:
    Rule(ViewServices services, QWidget* parent) : QWidget(parent), m_services(std::move(services)) {
        setFixedHeight(1);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter(this).fillRect(rect(), Theme::border.resolve(m_services.scheme()));
    }

private:
    ViewServices m_services;
};

QScrollArea* scrollAround(QWidget* content, QWidget* parent) {
    auto* scroll = new QScrollArea(parent);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setWidget(content);
    return scroll;
}

} // namespace

ManualView::ManualView(PanelServices services, QWidget* parent)
    : QWidget(parent), m_services(std::move(services)), m_state(m_services.view, m_services.openUrl),
      m_header(new ManualHeader(m_state, m_services.view, this)),
      m_document(new ManualDocument(m_state, m_services.view)),
      m_results(new ManualResults(m_state, m_services.view)),
      m_documentScroll(scrollAround(m_document, this)), m_resultsScroll(scrollAround(m_results, this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_header);
    layout->addWidget(new Rule(m_services.view, this));
    auto* area = new QWidget(this);
    auto* stack = new QStackedLayout(area);
    stack->setStackingMode(QStackedLayout::StackAll);
    stack->addWidget(m_documentScroll);
    stack->addWidget(m_resultsScroll);
    layout->addWidget(area, 1);
    m_documentScroll->setAutoFillBackground(false);
    m_documentScroll->viewport()->setAutoFillBackground(false);
    m_resultsScroll->viewport()->setAutoFillBackground(true);

    auto* find = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_F), this);
    find->setContext(Qt::WidgetWithChildrenShortcut);
    connect(find, &QShortcut::activated, this, [this] {
        m_state.setSearching(true);
        m_header->searchField()->lineEdit()->setFocus(Qt::ShortcutFocusReason);
    });

    m_state.setScroller([this](const QString& id) { scrollTo(id); });
    connect(&m_state, &ManualViewState::queryChanged, this, &ManualView::followQuery);
    connect(m_documentScroll->verticalScrollBar(), &QScrollBar::valueChanged, this,
            &ManualView::reportSectionTops);
    connect(m_documentScroll->verticalScrollBar(), &QScrollBar::rangeChanged, this,
            &ManualView::reportSectionTops);
    followQuery();
    applyScheme(m_services.view.scheme());
}

ManualView::~ManualView() {
    if (m_scrollFrames)
        m_scrollFrames->cancel();
}

void ManualView::followQuery() {
    const bool searching = m_state.searchMode();
    m_resultsScroll->setVisible(searching);
    if (searching)
        m_resultsScroll->raise();
}

void ManualView::scrollTo(const QString& id) {
    // Measuring for another width (the scroll area asks) leaves the layout at that width.
    m_document->layoutFor(m_document->width());
    const auto top = m_document->anchorTop(id);
    if (!top)
        return;
    QScrollBar* bar = m_documentScroll->verticalScrollBar();
    const double target = std::min<double>(*top, bar->maximum());
    if (m_services.view.reduceMotion()) {
        // The desktop asks for less motion: the jump lands at once.
        stopScrollFrames();
        m_scroll.set(target);
        bar->setValue(int(std::lround(target)));
        return;
    }
    const double now = m_services.view.now();
    m_scroll.set(bar->value());
    m_scroll.retarget(target, now, ManualViewState::kScrollDuration, Transition::Curve::easeInOut);
    if (!m_scrollFrames) {
        QPointer<ManualView> self(this);
        m_scrollFrames = m_services.view.runtime().every(kFrame, 0, [self] {
            if (self)
                self->stepScroll();
        });
    }
    stepScroll();
}

void ManualView::stepScroll() {
    const double now = m_services.view.now();
    m_documentScroll->verticalScrollBar()->setValue(int(std::lround(m_scroll.valueAt(now))));
    if (!m_scroll.isRunning(now))
        stopScrollFrames();
}

void ManualView::stopScrollFrames() {
    if (m_scrollFrames) {
        m_scrollFrames->cancel();
        m_scrollFrames.reset();
    }
}

void ManualView::reportSectionTops() {
    m_document->layoutFor(m_document->width());
    const int offset = m_documentScroll->verticalScrollBar()->value();
    QHash<QString, double> tops;
    const QHash<QString, qreal> sections = m_document->sectionTops();
    for (auto section = sections.cbegin(); section != sections.cend(); ++section)
        tops.insert(section.key(), section.value() - offset);
    m_state.trackSection(tops);
}

void ManualView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    m_state.appeared();
}

void ManualView::applyScheme(Scheme scheme) {
    if (m_appliedScheme == scheme)
        return;
    m_appliedScheme = scheme;
    applyPagePalette(*this, scheme);
}

void ManualView::paintEvent(QPaintEvent*) {
    const Scheme scheme = m_services.view.scheme();
    applyScheme(scheme);
    QPainter(this).fillRect(rect(), Theme::background.resolve(scheme));
}

} // namespace tilewick
