#include "WindowMover.h"

#include "betakit/BetaLog.h"
#include "platform/Platform.h"
#include "platform/Sound.h"
#include "platform/Workspace.h"

#include <QPointer>
#include <QScopeGuard>

#include <algorithm>
#include <cmath>
#include <numeric>

using platform::AXElement;
using platform::ScreenInfo;

namespace tilewick {

namespace {

template <typename T> std::shared_ptr<T> require(const platform::Platform& platform) {
    platform.service<T>(); // stops with a message when missing
    return platform.shared<T>();
}

double area(const QRectF& r) {
    return r.isEmpty() ? 0.0 : r.width() * r.height();
}

double overlap(const QRectF& a, const QRectF& b) {
    return area(a.intersected(b));
}

// A frame that can hold a window: finite, with width and height.
bool hasArea(const QRectF& r) {
    return std::isfinite(r.x()) && std::isfinite(r.y()) && std::isfinite(r.width()) &&
           std::isfinite(r.height()) && r.width() > 0 && r.height() > 0;
}

// The screens' frames or visible frames (`which`) in top-left coordinates.
QList<QRectF> topLeftFrames(const QList<ScreenInfo>& screens, QRectF ScreenInfo::*which) {
    QList<QRectF> result;
    for (const auto& s : screens)
        result.append(WindowMover::topLeft(s.*which, screens.first().frame));
    return result;
}

void appendLimited(QList<WindowMover::Group>& stack, const WindowMover::Group& group) {
    stack.append(group);
    while (stack.size() > WindowMover::kHistoryLimit)
        stack.removeFirst();
}

} // namespace

WindowMover::WindowMover(const platform::Platform& platform, QObject* parent)
    : QObject(parent), m_ax(require<platform::Accessibility>(platform)),
      m_screens(require<platform::Screens>(platform)), m_workspace(require<platform::Workspace>(platform)),
      m_sound(require<platform::Sound>(platform)), m_runtime(require<platform::Runtime>(platform)),
      m_overlay(std::make_shared<NoOverlayHoles>()) {}

WindowMover::~WindowMover() = default;

void WindowMover::setOverlayHoles(std::shared_ptr<OverlayHoles> overlay) {
    m_overlay.store(overlay ? std::move(overlay) : std::make_shared<NoOverlayHoles>());
}

// --- The road ---

void WindowMover::perform(SnapAction action) {
    m_waiting.append(action);
    runWaiting();
}

void WindowMover::runWaiting() {
    // One action at a time: one pressed while the desktop has not answered the last move yet
    // starts from where that move left the window, as it would had the move waited.
    while (!m_moving && !m_waiting.isEmpty()) {
        m_moving = true;
        start(m_waiting.takeFirst());
    }
    if (!isBusy())
        emit settled();
}

void WindowMover::start(SnapAction action) {
    // Every way out but the hand-over to the desktop's answer ends the action here.
    bool handedOver = false;
    const auto finished = qScopeGuard([&] {
        if (!handedOver)
            m_moving = false;
    });

    const SnapKind k = kind(action);
    if (!m_ax->isProcessTrusted())
        return fail(action, NotTrusted);

    if (k.type() == SnapKind::Type::history) {
        if (k.step() < 0)
            applyHistory(action, m_undo, m_redo);
        else
            applyHistory(action, m_redo, m_undo);
        updateCanRedo();
        return;
    }

    const auto target = focusedWindow();
    if (!target)
        return fail(action, NoFocusedWindow);
    const auto frame = readFrame(target->window);
    if (!frame)
        return fail(action, FrameUnreadable);

    // One snapshot of the screens serves the whole move, however they change meanwhile.
    const QList<ScreenInfo> screens = m_screens->screens();
    if (screens.isEmpty())
        return;
    const QList<QRectF> visible = topLeftFrames(screens, &ScreenInfo::visibleFrame);
    const int current = largestOverlap(*frame, topLeftFrames(screens, &ScreenInfo::frame));

    std::optional<QRectF> t;
    if (k.type() == SnapKind::Type::display) {
        if (screens.size() < 2)
            return fail(action, SingleDisplay);
        t = displayTarget(k.step(), current, visible, *frame);
    } else {
        t = targetFrame(k, *frame, visible[current]);
    }
    // A screen without visible area leaves nowhere to go.
    if (!t)
        return;

    const QRectF r = rounded(*t);
    setFrame(target->app, target->window, r);

    // The rest once the desktop has answered: the main thread is free meanwhile.
    handedOver = true;
    m_ax->whenSettled(target->window, [self = QPointer(this), action, window = target->window,
                                       before = *frame, r, displays = qint64(screens.size())] {
        if (self)
            self->land(action, window, before, r, displays);
    });
}

void WindowMover::land(SnapAction action, const AXElement& window, const QRectF& before, const QRectF& r,
                       qint64 displays) {
    const auto moved = readFrame(window);
    // Only the place decides: an application that refuses the size but moves still counts.
    const bool ok = moved && landedAt(*moved, r);
    betakit::BetaLog::event(
        "snap", {{"layout", betakit::BetaValue::fromCase(action)}, {"displays", displays}, {"ok", ok}});
    if (moved && !framesMatch(*moved, before))
        pushUndo({placement(window, before)});

    if (kind(action).type() == SnapKind::Type::focus)
        focus(window);
    m_moving = false;
    // What was pressed meanwhile goes on.
    runWaiting();
}

void WindowMover::fail(SnapAction action, FailureCode code) {
    betakit::BetaLog::event("snap.failed",
                            {{"layout", betakit::BetaValue::fromCase(action)}, {"code", int(code)}});
    m_sound->beep();
}

// --- Frame operations ---

std::optional<WindowMover::Target> WindowMover::focusedWindow() {
    AXElement app;
    if (auto focused =
            m_ax->elementAttribute(m_ax->systemWide(), platform::AXAttribute::FocusedApplication)) {
        app = *focused;
    } else if (auto front = m_workspace->frontmostApplication()) {
        app = m_ax->application(front->pid);
    } else {
        return std::nullopt;
    }

    if (auto w = m_ax->elementAttribute(app, platform::AXAttribute::FocusedWindow))
        return Target{app, *w};
    if (auto w = m_ax->elementAttribute(app, platform::AXAttribute::MainWindow))
        return Target{app, *w};
    if (auto windows = m_ax->elementsAttribute(app, platform::AXAttribute::Windows);
        windows && !windows->isEmpty() && !windows->first().isNull())
        return Target{app, windows->first()};
    return std::nullopt;
}

std::optional<QRectF> WindowMover::readFrame(const AXElement& window) {
    const auto position = m_ax->pointAttribute(window, platform::AXAttribute::Position);
    if (!position)
        return std::nullopt;
    const auto size = m_ax->sizeAttribute(window, platform::AXAttribute::Size);
    if (!size)
        return std::nullopt;
    return QRectF(*position, *size);
}

std::optional<ScreenInfo> WindowMover::screen(const QRectF& frame) {
    const QList<ScreenInfo> screens = m_screens->screens();
    if (screens.isEmpty())
        return std::nullopt;
    return screens[largestOverlap(frame, topLeftFrames(screens, &ScreenInfo::frame))];
}

std::optional<QRectF> WindowMover::visibleFrame(const std::optional<ScreenInfo>& screen) {
    const QList<ScreenInfo> screens = m_screens->screens();
    if (!screen || screens.isEmpty())
        return std::nullopt;
    const QRectF visible = topLeft(screen->visibleFrame, screens.first().frame);
    return hasArea(visible) ? std::optional<QRectF>(visible) : std::nullopt;
}

void WindowMover::setFrame(const AXElement& app, const AXElement& window, const QRectF& frame) {
    // Assistive mode makes some applications animate or refuse frame changes.
    const bool enhanced =
        m_ax->boolAttribute(app, platform::AXAttribute::EnhancedUserInterface).value_or(false);
    if (enhanced)
        m_ax->setAttributeValue(app, platform::AXAttribute::EnhancedUserInterface, false);

    // Size first so the new position fits on screen, then the size again in case the old
    // position clamped it.
    m_ax->setAttributeValue(window, platform::AXAttribute::Size, frame.size());
    m_ax->setAttributeValue(window, platform::AXAttribute::Position, frame.topLeft());
    m_ax->setAttributeValue(window, platform::AXAttribute::Size, frame.size());

    if (enhanced)
        m_ax->setAttributeValue(app, platform::AXAttribute::EnhancedUserInterface, true);

    const auto overlay = m_overlay.load();
    if (overlay->isVisible())
        m_ax->whenSettled(window, [self = QPointer(this), overlay, window, frame] {
            if (self)
                overlay->punchHole(window, self->readFrame(window).value_or(frame));
        });
}

// --- Geometry ---

std::optional<QRectF> WindowMover::targetFrame(const SnapKind& kind, const QRectF& w, const QRectF& v) {
    if (!hasArea(v))
        return std::nullopt;
    switch (kind.type()) {
    case SnapKind::Type::cells: {
        const auto& c = kind.cellSpan();
        if (c.cols <= 0 || c.rows <= 0)
            return std::nullopt;
        const double cw = v.width() / double(c.cols);
        const double ch = v.height() / double(c.rows);
        return QRectF(v.x() + cw * double(c.col), v.y() + ch * double(c.row), cw * double(c.colSpan),
                      ch * double(c.rowSpan));
    }
    case SnapKind::Type::maximize:
        return v;
    case SnapKind::Type::centre:
    case SnapKind::Type::focus: {
        const double width = std::min(w.width(), v.width());
        const double height = std::min(w.height(), v.height());
        return QRectF(v.center().x() - width * 0.5, v.center().y() - height * 0.5, width, height);
    }
    case SnapKind::Type::display:
    case SnapKind::Type::history:
        break;
    }
    return std::nullopt;
}

bool WindowMover::framesMatch(const QRectF& a, const QRectF& b) {
    return std::abs(a.x() - b.x()) < kTolerance && std::abs(a.y() - b.y()) < kTolerance &&
           std::abs(a.width() - b.width()) < kTolerance && std::abs(a.height() - b.height()) < kTolerance;
}

QRectF WindowMover::rounded(const QRectF& f) {
    // Edges, not sizes: neighbouring cells share an edge, and a cell that ends at the visible
    // frame's edge ends there (a half of an odd height would otherwise reach a pixel past it).
    const double left = std::round(f.x()), top = std::round(f.y());
    return QRectF(left, top, std::round(f.x() + f.width()) - left, std::round(f.y() + f.height()) - top);
}

bool WindowMover::landedAt(const QRectF& moved, const QRectF& r) {
    // Along each axis the leading edge decides; a window that takes whole steps of its size
    // only (a terminal) may instead end at the far edge, inside the frame.
    const auto landed = [](double start, double end, double targetStart, double targetEnd) {
        return std::abs(start - targetStart) < kTolerance ||
               (std::abs(end - targetEnd) < kTolerance && start > targetStart - kTolerance);
    };
    return landed(moved.left(), moved.right(), r.left(), r.right()) &&
           landed(moved.top(), moved.bottom(), r.top(), r.bottom());
}

QRectF WindowMover::topLeft(const QRectF& r, const QRectF& primaryFrame) {
    return QRectF(r.x(), primaryFrame.bottom() - r.bottom(), r.width(), r.height());
}

int WindowMover::largestOverlap(const QRectF& frame, const QList<QRectF>& frames) {
    int best = 0;
    double bestArea = -1;
    for (int i = 0; i < frames.size(); ++i) {
        const double a = overlap(frame, frames[i]);
        if (a > bestArea) {
            best = i;
            bestArea = a;
        }
    }
    return best;
}

std::optional<QRectF> WindowMover::displayTarget(int step, int current, const QList<QRectF>& visible,
                                                 const QRectF& w) {
    const int n = int(visible.size());
    if (n < 2 || current < 0 || current >= n)
        return std::nullopt;
    // Left to right, the upper one first when two share a left edge, whatever order the system
    // lists them in.
    QList<int> order(n);
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        if (visible[a].x() != visible[b].x())
            return visible[a].x() < visible[b].x();
        return visible[a].y() < visible[b].y();
    });
    const int p = int(order.indexOf(current));
    const QRectF cv = visible[current];
    const QRectF tv = visible[order[((p + step) % n + n) % n]];
    if (!hasArea(cv) || !hasArea(tv))
        return std::nullopt;

    const double wr = std::min(1.0, w.width() / cv.width());
    const double hr = std::min(1.0, w.height() / cv.height());
    const double rx = std::min(1.0 - wr, std::max(0.0, (w.x() - cv.x()) / cv.width()));
    const double ry = std::min(1.0 - hr, std::max(0.0, (w.y() - cv.y()) / cv.height()));
    return QRectF(tv.x() + rx * tv.width(), tv.y() + ry * tv.height(), wr * tv.width(), hr * tv.height());
}

QRectF WindowMover::fitToScreens(const QRectF& f, const QList<QRectF>& visibleFrames) {
    // A visible frame without area can hold no window.
    QList<QRectF> areas;
    std::copy_if(visibleFrames.begin(), visibleFrames.end(), std::back_inserter(areas), hasArea);
    if (areas.isEmpty())
        return f;

    const QRectF best = areas[largestOverlap(f, areas)];
    const double visibleArea = overlap(f, best);
    if (visibleArea >= 0.25 * f.width() * f.height())
        return f;

    QRectF t = best;
    if (visibleArea <= 0) {
        double nearest = -1;
        for (const auto& v : areas) {
            const QPointF d = v.center() - f.center();
            const double distance = std::hypot(d.x(), d.y());
            if (nearest < 0 || distance < nearest) {
                nearest = distance;
                t = v;
            }
        }
    }
    const double width = std::min(f.width(), t.width());
    const double height = std::min(f.height(), t.height());
    return QRectF(std::min(std::max(f.x(), t.x()), t.right() - width),
                  std::min(std::max(f.y(), t.y()), t.bottom() - height), width, height);
}

// --- History ---

WindowMover::Placement WindowMover::placement(const AXElement& window, const QRectF& frame) {
    Placement p;
    p.window = window;
    p.pid = m_ax->pid(window).value_or(0);
    if (auto app = m_workspace->runningApplication(p.pid))
        p.bundleID = app->bundleIdentifier;
    p.title = m_ax->stringAttribute(window, platform::AXAttribute::Title);
    p.frame = frame;
    return p;
}

void WindowMover::pushUndo(const Group& group) {
    if (group.isEmpty())
        return;
    appendLimited(m_undo, group);
    if (!m_redo.isEmpty()) {
        m_redo.clear();
        updateCanRedo();
    }
}

void WindowMover::updateCanRedo() {
    const bool can = !m_redo.isEmpty();
    if (can == m_canRedo)
        return;
    m_canRedo = can;
    emit canRedoChanged(can);
}

std::optional<WindowMover::Target> WindowMover::resolveWindow(const Placement& p) {
    if (readFrame(p.window))
        return Target{m_ax->application(p.pid), p.window};
    if (!p.title || p.title->isEmpty())
        return std::nullopt;

    QList<qint32> candidates{p.pid};
    if (p.bundleID)
        for (const auto& app : m_workspace->runningApplications(*p.bundleID))
            if (app.pid != p.pid)
                candidates.append(app.pid);

    for (qint32 pid : candidates) {
        const AXElement app = m_ax->application(pid);
        m_ax->setMessagingTimeout(app, kQuickTimeout);
        const auto windows = m_ax->elementsAttribute(app, platform::AXAttribute::Windows);
        if (!windows)
            continue;
        for (const auto& w : *windows)
            if (m_ax->stringAttribute(w, platform::AXAttribute::Title) == *p.title)
                return Target{app, w};
    }
    return std::nullopt;
}

void WindowMover::applyHistory(SnapAction action, QList<Group>& from, QList<Group>& to) {
    while (!from.isEmpty()) {
        // Taken off whatever follows: a group that cannot be restored is dropped.
        const Group group = from.takeLast();
        const QList<QRectF> visible = topLeftFrames(m_screens->screens(), &ScreenInfo::visibleFrame);

        Group restored;
        bool ok = true;
        std::optional<Target> first;
        for (const auto& saved : group) {
            const auto found = resolveWindow(saved);
            if (!found)
                continue;
            const auto now = readFrame(found->window);
            if (!now)
                continue;
            restored.append(placement(found->window, *now));

            const QRectF target = fitToScreens(saved.frame, visible);
            if (m_ax->boolAttribute(found->window, platform::AXAttribute::Minimized) == true)
                m_ax->setAttributeValue(found->window, platform::AXAttribute::Minimized, false);
            setFrame(found->app, found->window, target);
            if (ok) {
                const auto after = readFrame(found->window);
                ok = after && framesMatch(*after, target);
            }
            if (!first)
                first = found;
        }
        if (!first)
            continue;

        appendLimited(to, restored);
        for (auto it = restored.crbegin(); it != restored.crend(); ++it)
            m_ax->performAction(it->window, platform::AXAction::Raise);
        m_ax->setAttributeValue(first->app, platform::AXAttribute::Frontmost, true);
        m_ax->setAttributeValue(first->window, platform::AXAttribute::Main, true);
        m_ax->performAction(first->window, platform::AXAction::Raise);
        betakit::BetaLog::event("snap", {{"layout", betakit::BetaValue::fromCase(action)},
                                         {"displays", qint64(m_screens->screens().size())},
                                         {"ok", ok}});
        return;
    }
    fail(action, NothingToRestore);
}

// --- Focus mode ---

void WindowMover::focus(const AXElement& keeping) {
    QList<qint32> pids;
    for (const auto& app : m_workspace->runningApplications())
        if (app.activationPolicy == platform::ActivationPolicy::Regular && !app.hidden)
            pids.append(app.pid);
    // Slow applications must not stall the main thread.
    m_runtime->global([ax = m_ax, pids, keeping] { minimiseOtherWindows(*ax, pids, keeping); });
}

void WindowMover::minimiseOtherWindows(const QList<qint32>& pids, const AXElement& keeping) {
    minimiseOtherWindows(*m_ax, pids, keeping);
}

void WindowMover::minimiseOtherWindows(platform::Accessibility& ax, const QList<qint32>& pids,
                                       const AXElement& keeping) {
    for (qint32 pid : pids) {
        const AXElement app = ax.application(pid);
        ax.setMessagingTimeout(app, kQuickTimeout);
        const auto windows = ax.elementsAttribute(app, platform::AXAttribute::Windows);
        if (!windows)
            continue;
        for (const auto& w : *windows) {
            if (w == keeping ||
                ax.stringAttribute(w, platform::AXAttribute::Subrole) != platform::AXRole::StandardWindow ||
                ax.boolAttribute(w, platform::AXAttribute::Minimized) == true)
                continue;
            ax.setAttributeValue(w, platform::AXAttribute::Minimized, true);
        }
    }
}

} // namespace tilewick
