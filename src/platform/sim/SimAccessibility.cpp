#include "SimAccessibility.h"

#include <cmath>

namespace platform::sim {

namespace {

// The size an application makes of a requested one.
QSizeF acceptedSize(const SimWindow& w, const QSizeF& requested) {
    if (w.refusesSize)
        return w.frame.size();
    auto fit = [](double v, double min, double max, double step) {
        v = std::max(v, min);
        if (max > 0)
            v = std::min(v, max);
        if (step > 0)
            v = min + std::floor((v - min) / step) * step;
        return v;
    };
    return QSizeF(
        fit(requested.width(), w.minimumSize.width(), w.maximumSize.width(), w.sizeIncrement.width()),
        fit(requested.height(), w.minimumSize.height(), w.maximumSize.height(), w.sizeIncrement.height()));
}

template <typename T> const T* as(const AXValue& v) {
    return std::get_if<T>(&v);
}

} // namespace

class SimObserver : public AXObserver {
public:
    SimObserver(std::weak_ptr<SimDesktop> desktop, quint64 token)
        : m_desktop(std::move(desktop)), m_token(token) {}
    ~SimObserver() override {
        if (auto d = m_desktop.lock())
            d->removeObserver(m_token);
    }

private:
    std::weak_ptr<SimDesktop> m_desktop;
    quint64 m_token;
};

bool SimAccessibility::requestTrust() {
    std::lock_guard lock(m_desktop->m_mutex);
    if (!m_desktop->m_trusted)
        ++m_desktop->m_trustRequests;
    return m_desktop->m_trusted;
}

AXError SimAccessibility::call(SimCall::Kind kind, const AXElement& element, const QString& name,
                               const Body& body) {
    std::function<void(const SimCall&)> hook;
    {
        std::lock_guard lock(m_desktop->m_mutex);
        ++m_desktop->m_calls;
        hook = m_desktop->m_callHook;
    }
    if (hook)
        hook(SimCall{kind, element, name});

    SimDesktop::After after;
    AXError result;
    double stall = 0;
    std::function<void(double)> stallHandler;
    {
        std::lock_guard lock(m_desktop->m_mutex);
        auto& d = *m_desktop;
        if (!d.m_trusted)
            return AXError::APIDisabled;
        if (element.isNull())
            return AXError::IllegalArgument;

        const quint64 id = element.id();
        qint32 owner = 0;
        switch (SimDesktop::kindOf(id)) {
        case SimDesktop::Kind::SystemWide:
            break;
        case SimDesktop::Kind::App:
            owner = qint32(quint32(id));
            if (!d.m_apps.contains(owner))
                return AXError::InvalidUIElement;
            break;
        case SimDesktop::Kind::Window:
            if (!d.m_windows.contains(id))
                return AXError::InvalidUIElement;
            owner = d.m_windows[id].pid;
            break;
        case SimDesktop::Kind::Menu:
            if (!d.m_menus.contains(id))
                return AXError::InvalidUIElement;
            owner = d.m_menus[id].pid;
            break;
        default:
            return AXError::InvalidUIElement;
        }

        if (owner && !d.m_apps[owner].spec.responsive) {
            stall = effectiveMessagingTimeout(element);
            d.m_stalls.append(stall);
            stallHandler = d.m_stallHandler;
            result = AXError::CannotComplete;
        } else {
            result = body(after);
        }
    }
    if (stall > 0 && stallHandler)
        stallHandler(stall);
    SimDesktop::run(after);
    return result;
}

AXResult<AXValue> SimAccessibility::copyAttributeValue(const AXElement& element, const QString& attribute) {
    AXResult<AXValue> r;
    r.error = call(SimCall::Kind::Read, element, attribute,
                   [&](SimDesktop::After&) { return readLocked(element.id(), attribute, r.value); });
    if (!r.ok())
        r.value = std::monostate{};
    return r;
}

AXError SimAccessibility::setAttributeValue(const AXElement& element, const QString& attribute,
                                            const AXValue& value) {
    return call(SimCall::Kind::Write, element, attribute,
                [&](SimDesktop::After& after) { return writeLocked(element.id(), attribute, value, after); });
}

AXResult<bool> SimAccessibility::isAttributeSettable(const AXElement& element, const QString& attribute) {
    AXResult<bool> r;
    r.error = call(SimCall::Kind::Settable, element, attribute,
                   [&](SimDesktop::After&) { return settableLocked(element.id(), attribute, r.value); });
    if (!r.ok())
        r.value = false;
    return r;
}

void SimAccessibility::whenSettled(const AXElement& element, std::function<void()> then) {
    (void)element;
    {
        std::lock_guard lock(m_desktop->m_mutex);
        if (m_desktop->m_answersHeld) {
            m_desktop->m_unanswered.push_back(std::move(then));
            return;
        }
    }
    then();
}

AXError SimAccessibility::performAction(const AXElement& element, const QString& action) {
    return call(SimCall::Kind::Action, element, action,
                [&](SimDesktop::After& after) { return actionLocked(element.id(), action, after); });
}

AXObserverRef SimAccessibility::addObserver(const AXElement& application, const QString& notification,
                                            AXObserverCallback callback) {
    std::lock_guard lock(m_desktop->m_mutex);
    auto& d = *m_desktop;
    if (!d.m_trusted || !callback || SimDesktop::kindOf(application.id()) != SimDesktop::Kind::App ||
        !d.m_apps.contains(application.pid()) || notification != AXNotification::WindowCreated)
        return nullptr;
    const quint64 token = d.m_nextObserverToken++;
    d.m_observers.push_back({token, application.pid(), notification, std::move(callback)});
    return std::make_shared<SimObserver>(m_desktop, token);
}

AXError SimAccessibility::readLocked(quint64 id, const QString& a, AXValue& out) const {
    const auto& d = *m_desktop;
    switch (SimDesktop::kindOf(id)) {
    case SimDesktop::Kind::SystemWide:
        if (a == AXAttribute::Role) {
            out = AXRole::SystemWide;
        } else if (a == AXAttribute::FocusedApplication) {
            if (!d.m_frontmost)
                return AXError::NoValue;
            out = AXElement(SimDesktop::appId(*d.m_frontmost), *d.m_frontmost);
        } else {
            return AXError::AttributeUnsupported;
        }
        return AXError::Success;

    case SimDesktop::Kind::App: {
        const auto& app = d.m_apps[qint32(quint32(id))];
        const qint32 pid = app.spec.pid;
        if (app.spec.failingReads.contains(a))
            return AXError::Failure;
        if (a == AXAttribute::Role) {
            out = AXRole::Application;
        } else if (a == AXAttribute::Title) {
            out = app.spec.name;
        } else if (a == AXAttribute::Windows) {
            AXElementList list;
            for (quint64 w : app.windows)
                list.append(AXElement(w, pid));
            out = list;
        } else if (a == AXAttribute::FocusedWindow || a == AXAttribute::MainWindow) {
            const quint64 w = d.focusedWindowLocked(app);
            if (!w)
                return AXError::NoValue;
            out = AXElement(w, pid);
        } else if (a == AXAttribute::Frontmost) {
            out = d.m_frontmost == pid;
        } else if (a == AXAttribute::Hidden) {
            out = app.spec.hidden;
        } else if (a == AXAttribute::EnhancedUserInterface) {
            if (!app.spec.enhancedUserInterface)
                return AXError::AttributeUnsupported;
            out = *app.spec.enhancedUserInterface;
        } else if (a == AXAttribute::MenuBar) {
            if (!app.menuBar)
                return AXError::NoValue;
            out = AXElement(app.menuBar, pid);
        } else {
            return AXError::AttributeUnsupported;
        }
        return AXError::Success;
    }

    case SimDesktop::Kind::Window: {
        const auto& ws = d.m_windows[id];
        const auto& w = ws.spec;
        if (w.failingReads.contains(a))
            return AXError::Failure;
        if (a == AXAttribute::Role) {
            out = AXRole::Window;
        } else if (a == AXAttribute::Subrole) {
            if (w.subrole.isEmpty())
                return AXError::NoValue;
            out = w.subrole;
        } else if (a == AXAttribute::Title) {
            out = w.title;
        } else if (a == AXAttribute::Position) {
            out = w.frame.topLeft();
        } else if (a == AXAttribute::Size) {
            out = w.frame.size();
        } else if (a == AXAttribute::Minimized) {
            out = w.minimized;
        } else if (a == AXAttribute::FullScreen) {
            out = w.fullScreen;
        } else if (a == AXAttribute::Main || a == AXAttribute::Focused) {
            out = d.focusedWindowLocked(d.m_apps[ws.pid]) == id;
        } else {
            return AXError::AttributeUnsupported;
        }
        return AXError::Success;
    }

    case SimDesktop::Kind::Menu: {
        const auto& node = d.m_menus[id];
        if (a == AXAttribute::Title) {
            out = node.item.title;
        } else if (a == AXAttribute::Enabled) {
            out = node.item.enabled;
        } else if (a == AXAttribute::MenuItemCmdChar) {
            if (node.item.commandCharacter.isEmpty())
                return AXError::NoValue;
            out = node.item.commandCharacter;
        } else if (a == AXAttribute::Children) {
            AXElementList list;
            for (quint64 child : node.children)
                list.append(AXElement(child, node.pid));
            out = list;
        } else {
            return AXError::AttributeUnsupported;
        }
        return AXError::Success;
    }
    }
    return AXError::InvalidUIElement;
}

void SimAccessibility::raiseLocked(quint64 window) {
    auto& d = *m_desktop;
    auto& app = d.m_apps[d.m_windows[window].pid];
    app.windows.removeAll(window);
    app.windows.prepend(window);
}

AXError SimAccessibility::writeLocked(quint64 id, const QString& a, const AXValue& value,
                                      SimDesktop::After& after) {
    auto& d = *m_desktop;
    const bool* flag = as<bool>(value);
    switch (SimDesktop::kindOf(id)) {
    case SimDesktop::Kind::App: {
        const qint32 pid = qint32(quint32(id));
        auto& app = d.m_apps[pid];
        if (a == AXAttribute::Frontmost) {
            if (!flag)
                return AXError::IllegalArgument;
            if (*flag)
                d.activateLocked(pid, after);
            else if (d.m_frontmost == pid)
                d.m_frontmost.reset();
        } else if (a == AXAttribute::EnhancedUserInterface) {
            if (!app.spec.enhancedUserInterface)
                return AXError::AttributeUnsupported;
            if (!flag)
                return AXError::IllegalArgument;
            app.spec.enhancedUserInterface = *flag;
        } else if (a == AXAttribute::Hidden) {
            if (!flag)
                return AXError::IllegalArgument;
            app.spec.hidden = *flag;
        } else {
            return AXError::AttributeUnsupported;
        }
        return AXError::Success;
    }

    case SimDesktop::Kind::Window: {
        auto& w = d.m_windows[id].spec;
        if (w.failingWrites.contains(a))
            return AXError::Failure;
        if (a == AXAttribute::Position) {
            const auto* p = as<QPointF>(value);
            if (!p)
                return AXError::IllegalArgument;
            if (!w.refusesMove)
                w.frame.moveTopLeft(*p);
        } else if (a == AXAttribute::Size) {
            const auto* s = as<QSizeF>(value);
            if (!s || !std::isfinite(s->width()) || !std::isfinite(s->height()))
                return AXError::IllegalArgument;
            w.frame.setSize(acceptedSize(w, *s));
        } else if (a == AXAttribute::Minimized) {
            if (!flag)
                return AXError::IllegalArgument;
            w.minimized = *flag;
        } else if (a == AXAttribute::FullScreen) {
            if (!flag)
                return AXError::IllegalArgument;
            w.fullScreen = *flag;
        } else if (a == AXAttribute::Main || a == AXAttribute::Focused) {
            if (!flag)
                return AXError::IllegalArgument;
            if (*flag)
                raiseLocked(id);
        } else {
            return AXError::AttributeUnsupported;
        }
        return AXError::Success;
    }

    default:
        return AXError::AttributeUnsupported;
    }
}

AXError SimAccessibility::settableLocked(quint64 id, const QString& a, bool& out) const {
    const auto& d = *m_desktop;
    AXValue ignored;
    const AXError readable = readLocked(id, a, ignored);
    if (readable == AXError::AttributeUnsupported || readable == AXError::Failure)
        return readable;
    out = false;
    switch (SimDesktop::kindOf(id)) {
    case SimDesktop::Kind::App:
        out = a == AXAttribute::Frontmost || a == AXAttribute::Hidden ||
              a == AXAttribute::EnhancedUserInterface;
        break;
    case SimDesktop::Kind::Window: {
        const auto& w = d.m_windows[id].spec;
        if (a == AXAttribute::Position)
            out = !w.refusesMove;
        else if (a == AXAttribute::Size)
            out = !w.refusesSize && (w.maximumSize.isEmpty() || w.maximumSize != w.minimumSize);
        else
            out = a == AXAttribute::Minimized || a == AXAttribute::FullScreen || a == AXAttribute::Main ||
                  a == AXAttribute::Focused;
        break;
    }
    default:
        break;
    }
    return AXError::Success;
}

AXError SimAccessibility::actionLocked(quint64 id, const QString& action, SimDesktop::After& after) {
    auto& d = *m_desktop;
    switch (SimDesktop::kindOf(id)) {
    case SimDesktop::Kind::Window:
        if (action != AXAction::Raise)
            return AXError::ActionUnsupported;
        raiseLocked(id);
        return AXError::Success;
    case SimDesktop::Kind::Menu: {
        const auto& node = d.m_menus[id];
        if (action != AXAction::Press || !node.children.isEmpty())
            return AXError::ActionUnsupported;
        if (!node.item.enabled)
            return AXError::CannotComplete;
        if (node.item.onPress)
            after.push_back(node.item.onPress);
        return AXError::Success;
    }
    default:
        return AXError::ActionUnsupported;
    }
}

} // namespace platform::sim
