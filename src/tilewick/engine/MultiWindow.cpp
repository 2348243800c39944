#include "MultiWindow.h"

#include "AppWindows.h"
#include "NewWindowMenu.h"

#include "betakit/BetaLog.h"
#include "platform/Platform.h"
#include "platform/Pointer.h"
#include "platform/Sound.h"

#include <QCoreApplication>

#include <cmath>
#include <limits>

using platform::AXElement;
using platform::ScreenInfo;

namespace tilewick {

namespace {

double area(const QRectF& r) {
    return r.isEmpty() ? 0.0 : r.width() * r.height();
}

} // namespace

MultiWindow::MultiWindow(const platform::Platform& platform, std::shared_ptr<WindowMover> mover)
    : m_ax(platform.shared<platform::Accessibility>()), m_screens(platform.shared<platform::Screens>()),
      m_sound(platform.shared<platform::Sound>()), m_runtime(platform.shared<platform::Runtime>()),
      m_pointer(platform.shared<platform::Pointer>()), m_mover(std::move(mover)) {
    // Only the pointer may be missing; service() stops with a message for the others.
    platform.service<platform::Accessibility>();
    platform.service<platform::Screens>();
    platform.service<platform::Sound>();
    m_queue = platform.runtime().serialQueue(QString::fromLatin1(kQueueLabel));
}

MultiWindow::~MultiWindow() = default;

void MultiWindow::setLastSnapAt(std::function<double()> lastSnapAt) {
    m_lastSnapAt = std::move(lastSnapAt);
}

// --- The hotkey ---

void MultiWindow::snap(SnapAction action) {
    if (!kind(action).isCells())
        return m_mover->perform(action);
    if (!m_ax->isProcessTrusted())
        return fail(action, WindowMover::NotTrusted);
    const auto target = m_mover->focusedWindow();
    if (!target)
        return fail(action, WindowMover::NoFocusedWindow);
    const qint32 pid = m_ax->pid(target->app).value_or(0);
    // This program's own windows are not filled.
    if (pid == qint32(QCoreApplication::applicationPid()))
        return m_mover->perform(action);

    AXElement anchor;
    if (isStandardWindow(*m_ax, target->window))
        anchor = target->window;
    else
        anchor = appWindows(*m_ax, target->app).value(0);

    const QList<ScreenInfo> screens = m_screens->screens();
    std::optional<ScreenInfo> screen;
    if (!anchor.isNull())
        if (const auto frame = m_mover->readFrame(anchor))
            screen = m_mover->screen(*frame);
    if (!screen)
        screen = pointerScreen(screens);

    const CellFrames frames = cellFrames(action, screen, screens);
    if (!frames.cells)
        return;
    fill({action, target->app, pid, anchor, *frames.cells, frames.screenFrame, false});
}

std::optional<ScreenInfo> MultiWindow::pointerScreen(const QList<ScreenInfo>& screens) const {
    if (screens.isEmpty())
        return std::nullopt;
    if (const auto p = m_pointer ? m_pointer->location() : std::nullopt) {
        // Screen coordinates run upwards: a screen holds its top edge, not its bottom one.
        for (const auto& s : screens)
            if (p->x() >= s.frame.left() && p->x() < s.frame.right() && p->y() > s.frame.top() &&
                p->y() <= s.frame.bottom())
                return s;
    }
    return screens.first();
}

void MultiWindow::fail(SnapAction action, int code) {
    betakit::BetaLog::event("snap.failed",
                            {{"layout", betakit::BetaValue::fromCase(action)}, {"code", code}});
    m_sound->beep();
}

void MultiWindow::fill(const FillRequest& request) {
    ++m_inFlight[request.pid];
    m_queue->async([self = shared_from_this(), request] {
        const Outcome outcome = self->run(request);
        std::weak_ptr<MultiWindow> weak = self;
        self->m_runtime->async([weak, outcome] {
            if (auto filler = weak.lock())
                filler->finish(outcome);
        });
    });
}

// --- The fill, on the queue ---

MultiWindow::Outcome MultiWindow::run(FillRequest request) {
    platform::Accessibility& ax = *m_ax;
    WindowMover& mover = *m_mover;
    const AXElement& app = request.app;
    const QList<QRectF>& cells = request.cells;
    ax.setMessagingTimeout(app, kFillTimeout);

    // The anchor first, then the application's other windows that lie mostly on the screen.
    QList<AXElement> picked;
    if (!request.anchor.isNull())
        picked.append(request.anchor);
    for (const auto& window : appWindows(ax, app)) {
        if (picked.size() >= cells.size())
            break;
        if (picked.contains(window))
            continue;
        const auto frame = mover.readFrame(window);
        if (frame && area(frame->intersected(request.screenFrame)) >= area(*frame) * 0.5)
            picked.append(window);
    }

    WindowMover::Group before;
    for (const auto& window : picked)
        if (const auto frame = mover.readFrame(window))
            before.append(mover.placement(window, *frame));

    Outcome outcome;
    outcome.pid = request.pid;
    outcome.action = request.action;
    outcome.cells = cells;
    outcome.appSnaps = request.appSnaps;
    if (picked.size() < cells.size()) {
        outcome.newWindowItem = findNewWindowItem(ax, app);
        while (outcome.newWindowItem && picked.size() < cells.size()) {
            const auto window = openNewWindow(ax, *m_runtime, app, *outcome.newWindowItem);
            if (!window)
                break;
            picked.append(*window);
            ++outcome.opened;
        }
    }

    const qsizetype count = std::min(picked.size(), cells.size());
    for (qsizetype i = 0; i < count; ++i)
        mover.setFrame(app, picked[i], cells[i]);
    m_runtime->sleep(kSettleDelay);

    // Once more for whatever did not land, then count what sits at its cell's origin.
    for (qsizetype i = 0; i < count; ++i) {
        const auto frame = mover.readFrame(picked[i]);
        if (!frame || !WindowMover::framesMatch(*frame, cells[i]))
            mover.setFrame(app, picked[i], cells[i]);
        const auto now = mover.readFrame(picked[i]);
        if (now && WindowMover::landedAt(*now, cells[i]))
            ++outcome.verified;
    }

    // The anchor ends on top, the others below it in cell order.
    for (qsizetype i = picked.size() - 1; i >= 1; --i)
        ax.performAction(picked[i], platform::AXAction::Raise);
    ax.setAttributeValue(app, platform::AXAttribute::Frontmost, true);
    if (!picked.isEmpty()) {
        ax.setAttributeValue(picked.first(), platform::AXAttribute::Main, true);
        ax.performAction(picked.first(), platform::AXAction::Raise);
    }

    if (request.appSnaps) {
        const double start = m_runtime->clock().uptime();
        std::weak_ptr<MultiWindow> weak = weak_from_this();
        for (double delay : {kFirstReapply, kSecondReapply})
            m_runtime->after(delay, [weak, start, picked, cells, app] {
                if (auto filler = weak.lock())
                    filler->reapply(start, picked, cells, app);
            });
    }

    for (const auto& placement : before)
        if (frameChanged(placement))
            outcome.moved.append(placement);
    outcome.placed = int(picked.size());
    return outcome;
}

bool MultiWindow::frameChanged(const WindowMover::Placement& placement) {
    const auto frame = m_mover->readFrame(placement.window);
    return frame && !WindowMover::framesMatch(*frame, placement.frame);
}

// --- Back on the main thread ---

void MultiWindow::finish(const Outcome& outcome) {
    std::weak_ptr<MultiWindow> weak = weak_from_this();
    m_runtime->after(kReleaseDelay, [weak, pid = outcome.pid] {
        if (auto filler = weak.lock())
            filler->release(pid);
    });
    // Default App Snaps work unasked, so they never beep; what happened is still logged.
    const bool audible = !outcome.appSnaps;
    if (outcome.placed < 1) {
        betakit::BetaLog::event("snap.failed", {{"layout", betakit::BetaValue::fromCase(outcome.action)},
                                                {"code", int(WindowMover::NoFocusedWindow)}});
        if (audible)
            m_sound->beep();
        return;
    }
    m_mover->pushUndo(outcome.moved);
    const bool ok = outcome.placed == outcome.cells.size() && outcome.verified == outcome.placed;
    betakit::BetaLog::event("snap.multi", {{"layout", betakit::BetaValue::fromCase(outcome.action)},
                                           {"windows", outcome.placed},
                                           {"opened", outcome.opened},
                                           {"ok", ok}});
    // Cells stayed empty although the application can open windows.
    if (outcome.newWindowItem && outcome.placed < outcome.cells.size() && audible)
        m_sound->beep();
}

void MultiWindow::release(qint32 pid) {
    const auto it = m_inFlight.find(pid);
    if (it == m_inFlight.end())
        return;
    if (--*it <= 0)
        m_inFlight.erase(it);
}

void MultiWindow::reapply(double start, const QList<AXElement>& windows, const QList<QRectF>& cells,
                          const AXElement& app) {
    // A hotkey since the fill means the user arranged things: leave them.
    if (m_lastSnapAt && m_lastSnapAt() >= start)
        return;
    const qsizetype count = std::min(windows.size(), cells.size());
    for (qsizetype i = 0; i < count; ++i) {
        const auto frame = m_mover->readFrame(windows[i]);
        if (frame && !WindowMover::landedAt(*frame, cells[i]))
            m_mover->setFrame(app, windows[i], cells[i]);
    }
}

// --- A new window of a Default App Snap ---

std::optional<QRectF> MultiWindow::placeInFreeCell(const AXElement& window, const AXElement& app,
                                                   SnapAction action,
                                                   const std::optional<ScreenInfo>& screen) {
    const CellFrames frames = cellFrames(action, screen, m_screens->screens());
    if (!frames.cells)
        return std::nullopt;
    const auto before = m_mover->readFrame(window);
    if (!before)
        return std::nullopt;
    QList<QRectF> taken;
    for (const auto& other : appWindows(*m_ax, app))
        if (other != window)
            if (const auto frame = m_mover->readFrame(other))
                taken.append(*frame);
    for (const auto& cell : *frames.cells) {
        const bool free = std::none_of(taken.cbegin(), taken.cend(),
                                       [&](const QRectF& f) { return WindowMover::landedAt(f, cell); });
        if (!free)
            continue;
        m_mover->setFrame(app, window, cell);
        m_mover->pushUndo({m_mover->placement(window, *before)});
        return cell;
    }
    return std::nullopt;
}

// --- Support ---

void MultiWindow::checkSupport(qint32 pid, std::function<void(bool)> completion) {
    m_queue->async([self = shared_from_this(), pid, completion = std::move(completion)] {
        const bool supported = self->probeSupport(pid);
        self->m_runtime->async([completion, supported] {
            if (completion)
                completion(supported);
        });
    });
}

bool MultiWindow::probeSupport(qint32 pid) {
    const double now = m_runtime->clock().uptime();
    if (const auto it = m_support.constFind(pid);
        it != m_support.constEnd() && now - it->at < kSupportLifetime)
        return it->supported;
    const bool supported = findNewWindowItem(*m_ax, m_ax->application(pid)).has_value();
    m_support.insert(pid, {supported, now});
    return supported;
}

} // namespace tilewick
