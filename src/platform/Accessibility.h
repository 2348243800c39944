#pragma once

#include <QHashFunctions>
#include <QList>
#include <QPointF>
#include <QSizeF>
#include <QString>
#include <QStringView>

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <variant>

namespace platform {

// Result codes of Accessibility calls. The values are the original platform's, so logs and
// tests can name them.
enum class AXError : int {
    Success = 0,
    Failure = -25200,
    IllegalArgument = -25201,
    InvalidUIElement = -25202,
    CannotComplete = -25204, // the application did not answer within the messaging time-out
    AttributeUnsupported = -25205,
    ActionUnsupported = -25206,
    NotImplemented = -25208,
    APIDisabled = -25211, // Accessibility access is not granted
    NoValue = -25212,
};

// A reference to a user-interface element of some application (or the system-wide element).
//
// Copies refer to the same reference; two references are equal when they name the same element,
// whichever way they were obtained (so a window read twice compares equal). The messaging time-out
// belongs to the reference, not the element: a fresh reference to the same application starts
// with the global time-out again.
class AXElement {
public:
    AXElement() = default;
    // For backends: `id` names the element uniquely within the backend, `pid` is its process.
    AXElement(quint64 id, qint32 pid) : m_ref(std::make_shared<Ref>(id, pid)) {}

    bool isNull() const { return !m_ref; }
    explicit operator bool() const { return !isNull(); }
    quint64 id() const { return m_ref ? m_ref->id : 0; }
    qint32 pid() const { return m_ref ? m_ref->pid : 0; }
    // This reference's own time-out in seconds; 0 means the global one applies.
    double messagingTimeout() const { return m_ref ? m_ref->timeout.load() : 0.0; }

    friend bool operator==(const AXElement& a, const AXElement& b) { return a.id() == b.id(); }

    // The system-wide element's id in every backend.
    static constexpr quint64 kSystemWideId = 1;

private:
    friend class Accessibility;
    struct Ref {
        Ref(quint64 i, qint32 p) : id(i), pid(p) {}
        const quint64 id;
        const qint32 pid;
        std::atomic<double> timeout{0.0};
    };
    std::shared_ptr<Ref> m_ref;
};

inline size_t qHash(const AXElement& e, size_t seed = 0) noexcept {
    return ::qHash(e.id(), seed);
}

using AXElementList = QList<AXElement>;

// An attribute value. Positions are points and sizes are sizes, in the top-left coordinate space
// (origin at the top-left corner of the primary screen, y downwards). monostate is a read that
// succeeded with no value.
using AXValue =
    std::variant<std::monostate, bool, qint64, double, QString, QPointF, QSizeF, AXElement, AXElementList>;

template <typename T> struct AXResult {
    AXError error = AXError::Failure;
    T value{};
    bool ok() const { return error == AXError::Success; }
};

// Keeps an Accessibility observer registered; dropping the last reference unregisters it.
class AXObserver {
public:
    virtual ~AXObserver() = default;
};
using AXObserverRef = std::shared_ptr<AXObserver>;
// Called on the main thread with the element the notification is about (e.g. the new window).
using AXObserverCallback = std::function<void(const AXElement& element, const QString& notification)>;

// A name the Accessibility interface speaks, of one kind (attribute, action, notification or
// role). The calls take strings, as a back-end reads them off the wire; code names them through
// the constants below, each declared once, so a misspelt name does not compile and a name of one
// kind does not stand for another's. Converting to a string copies no text.
template <typename Kind> class AXName {
public:
    template <std::size_t N> consteval AXName(const char16_t (&wire)[N]) : m_wire(wire), m_size(N - 1) {}

    QStringView view() const { return QStringView(m_wire, m_size); }
    operator QString() const { return QString::fromRawData(reinterpret_cast<const QChar*>(m_wire), m_size); }

    friend bool operator==(const QString& s, AXName name) { return QStringView(s) == name.view(); }

private:
    const char16_t* m_wire;
    qsizetype m_size;
};

struct AXAttribute {
    using Name = AXName<AXAttribute>;
    static constexpr Name FocusedApplication{u"AXFocusedApplication"};
    static constexpr Name FocusedWindow{u"AXFocusedWindow"};
    static constexpr Name MainWindow{u"AXMainWindow"};
    static constexpr Name Windows{u"AXWindows"};
    static constexpr Name Role{u"AXRole"};
    static constexpr Name Subrole{u"AXSubrole"};
    static constexpr Name Title{u"AXTitle"};
    static constexpr Name Position{u"AXPosition"};
    static constexpr Name Size{u"AXSize"};
    static constexpr Name Minimized{u"AXMinimized"};
    static constexpr Name FullScreen{u"AXFullScreen"};
    static constexpr Name Main{u"AXMain"};
    static constexpr Name Focused{u"AXFocused"};
    static constexpr Name Frontmost{u"AXFrontmost"};
    static constexpr Name Hidden{u"AXHidden"};
    static constexpr Name EnhancedUserInterface{u"AXEnhancedUserInterface"};
    static constexpr Name MenuBar{u"AXMenuBar"};
    static constexpr Name Children{u"AXChildren"};
    static constexpr Name Enabled{u"AXEnabled"};
    static constexpr Name MenuItemCmdChar{u"AXMenuItemCmdChar"};
};

struct AXAction {
    using Name = AXName<AXAction>;
    static constexpr Name Raise{u"AXRaise"};
    static constexpr Name Press{u"AXPress"};
};

struct AXNotification {
    using Name = AXName<AXNotification>;
    static constexpr Name WindowCreated{u"AXWindowCreated"};
};

// Values of "AXRole" and "AXSubrole".
struct AXRole {
    using Name = AXName<AXRole>;
    static constexpr Name SystemWide{u"AXSystemWide"};
    static constexpr Name Application{u"AXApplication"};
    static constexpr Name Window{u"AXWindow"};
    static constexpr Name StandardWindow{u"AXStandardWindow"};
    static constexpr Name Dialog{u"AXDialog"};
    static constexpr Name FloatingWindow{u"AXFloatingWindow"};
    static constexpr Name Unknown{u"AXUnknown"};
    static constexpr Name MenuBar{u"AXMenuBar"};
    static constexpr Name MenuBarItem{u"AXMenuBarItem"};
    static constexpr Name Menu{u"AXMenu"};
    static constexpr Name MenuItem{u"AXMenuItem"};
};

// The Accessibility interface: elements of other applications, their attributes by their original
// names (AXAttribute), actions (AXAction), observers (AXNotification) and trust.
//
// Every call may be made from any thread. A call to an application that does not answer returns
// CannotComplete after at most the messaging time-out of the element reference used.
class Accessibility {
public:
    // What a reference with no time-out of its own waits when no global one was set.
    static constexpr double kDefaultMessagingTimeout = 6.0;

    virtual ~Accessibility() = default;

    // Whether this process may use Accessibility.
    virtual bool isProcessTrusted() const = 0;
    // The same, and asks the user to grant access when it is not granted.
    virtual bool requestTrust() = 0;
    // Opens the desktop's page where the user grants access; false on desktops without one.
    virtual bool openTrustSettings() { return false; }

    virtual AXElement systemWide() const = 0;
    // A new reference to the application element of `pid`.
    virtual AXElement application(qint32 pid) = 0;

    virtual AXResult<AXValue> copyAttributeValue(const AXElement& element, const QString& attribute) = 0;
    virtual AXError setAttributeValue(const AXElement& element, const QString& attribute,
                                      const AXValue& value) = 0;
    virtual AXResult<bool> isAttributeSettable(const AXElement& element, const QString& attribute) = 0;
    virtual AXError performAction(const AXElement& element, const QString& action) = 0;
    // Runs `then` once the writes made so far to `element` have been answered: at once where a
    // write takes effect before it returns, and on the main thread once the answer came (or was
    // given up on) where a write only sends a request. A caller that needs the result but not at
    // once so keeps its thread free; reads of the element meanwhile still wait for the answer.
    virtual void whenSettled(const AXElement& element, std::function<void()> then) {
        (void)element;
        then();
    }

    // Registers `callback` for `notification` ("AXWindowCreated") of the application element.
    // Null when the observer could not be made.
    virtual AXObserverRef addObserver(const AXElement& application, const QString& notification,
                                      AXObserverCallback callback) = 0;

    // The process of an element; none for the system-wide or a null element.
    std::optional<qint32> pid(const AXElement& element) const {
        if (element.isNull() || element.id() == AXElement::kSystemWideId)
            return std::nullopt;
        return element.pid();
    }

    // Sets the time-out of one reference; on the system-wide element, the global time-out that
    // every reference without its own uses. 0 restores the default.
    AXError setMessagingTimeout(const AXElement& element, double seconds) {
        if (element.isNull() || !(seconds >= 0.0) || seconds > 1e9)
            return AXError::IllegalArgument;
        if (element.id() == AXElement::kSystemWideId)
            m_globalTimeout.store(seconds);
        else
            element.m_ref->timeout.store(seconds);
        return AXError::Success;
    }

    // How long a call through `element` may wait for an unresponsive application.
    double effectiveMessagingTimeout(const AXElement& element) const {
        double own = element.id() == AXElement::kSystemWideId ? 0.0 : element.messagingTimeout();
        if (own > 0.0)
            return own;
        double global = m_globalTimeout.load();
        return global > 0.0 ? global : kDefaultMessagingTimeout;
    }

    // Typed reads: none when the read fails or the value has another type.
    std::optional<bool> boolAttribute(const AXElement& e, const QString& a) { return typed<bool>(e, a); }
    std::optional<QString> stringAttribute(const AXElement& e, const QString& a) {
        return typed<QString>(e, a);
    }
    std::optional<QPointF> pointAttribute(const AXElement& e, const QString& a) {
        return typed<QPointF>(e, a);
    }
    std::optional<QSizeF> sizeAttribute(const AXElement& e, const QString& a) { return typed<QSizeF>(e, a); }
    std::optional<AXElement> elementAttribute(const AXElement& e, const QString& a) {
        auto v = typed<AXElement>(e, a);
        return v && !v->isNull() ? v : std::nullopt;
    }
    std::optional<AXElementList> elementsAttribute(const AXElement& e, const QString& a) {
        return typed<AXElementList>(e, a);
    }

private:
    template <typename T> std::optional<T> typed(const AXElement& element, const QString& attribute) {
        auto r = copyAttributeValue(element, attribute);
        if (r.ok() && std::holds_alternative<T>(r.value))
            return std::get<T>(r.value);
        return std::nullopt;
    }

    std::atomic<double> m_globalTimeout{0.0};
};

} // namespace platform

template <> struct std::hash<platform::AXElement> {
    size_t operator()(const platform::AXElement& e) const noexcept { return std::hash<quint64>()(e.id()); }
};
