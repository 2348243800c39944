#include "KeyAccessibility.h"

#include "KeyCapItem.h"
#include "KeyboardView.h"

#include <QAccessible>
#include <QAccessibleObject>
#include <QGraphicsScene>
#include <QGraphicsView>

namespace tilewick {

QRect screenRect(const QGraphicsItem& item) {
    const QGraphicsScene* scene = item.scene();
    if (!scene || scene->views().isEmpty())
        return {};
    const QGraphicsView* view = scene->views().first();
    const QRect inView = view->mapFromScene(item.sceneBoundingRect()).boundingRect();
    return QRect(view->viewport()->mapToGlobal(inView.topLeft()), inView.size());
}

namespace {

class KeyCapAccessible final : public QAccessibleObject, public QAccessibleActionInterface {
public:
    explicit KeyCapAccessible(KeyCapItem* item) : QAccessibleObject(item) {}

    KeyCapItem* item() const { return static_cast<KeyCapItem*>(object()); }

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::ActionInterface)
            return static_cast<QAccessibleActionInterface*>(this);
        return QAccessibleObject::interface_cast(type);
    }

    QAccessible::Role role() const override {
        return item()->look().accessible ? QAccessible::Button : QAccessible::StaticText;
    }
    QAccessible::State state() const override {
        QAccessible::State state;
        state.invisible = !item()->isVisible();
        return state;
    }
    QString text(QAccessible::Text t) const override {
        const KeyCap::Look& look = item()->look();
        switch (t) {
        case QAccessible::Name:
            return look.accessible ? look.accessibilityLabel : item()->cap().key.label;
        case QAccessible::Description:
            return look.tip;
        default:
            return {};
        }
    }
    QRect rect() const override { return screenRect(*item()); }
    QAccessibleInterface* parent() const override {
        return QAccessible::queryAccessibleInterface(item()->parentObject());
    }
    int childCount() const override { return 0; }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }

    QStringList actionNames() const override {
        return item()->look().accessible ? QStringList{pressAction()} : QStringList();
    }
    void doAction(const QString& name) override {
        if (name == pressAction() && item()->look().accessible)
            item()->press();
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }
};

class KeyboardAccessible final : public QAccessibleObject {
public:
    explicit KeyboardAccessible(KeyboardView* view) : QAccessibleObject(view) {}

    KeyboardView* view() const { return static_cast<KeyboardView*>(object()); }

    QAccessible::Role role() const override { return QAccessible::Grouping; }
    QAccessible::State state() const override {
        QAccessible::State state;
        state.invisible = !view()->isVisible();
        return state;
    }
    QString text(QAccessible::Text t) const override {
        return t == QAccessible::Name ? QStringLiteral("Keyboard") : QString();
    }
    QRect rect() const override { return screenRect(*view()); }
    QAccessibleInterface* parent() const override {
        const QGraphicsScene* scene = view()->scene();
        if (!scene || scene->views().isEmpty())
            return nullptr;
        return QAccessible::queryAccessibleInterface(scene->views().first()->viewport());
    }
    int childCount() const override { return int(view()->keyCaps().size()); }
    QAccessibleInterface* child(int index) const override {
        const auto caps = view()->keyCaps();
        if (index < 0 || index >= caps.size())
            return nullptr;
        return QAccessible::queryAccessibleInterface(caps[index]);
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        return child ? int(view()->keyCaps().indexOf(qobject_cast<KeyCapItem*>(child->object()))) : -1;
    }
};

QAccessibleInterface* keyboardFactory(const QString&, QObject* object) {
    if (auto* cap = qobject_cast<KeyCapItem*>(object))
        return new KeyCapAccessible(cap);
    if (auto* view = qobject_cast<KeyboardView*>(object))
        return new KeyboardAccessible(view);
    return nullptr;
}

} // namespace

void installKeyAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(keyboardFactory);
        return true;
    }();
    (void)installed;
}

} // namespace tilewick
