#include "ManualContent.h"

namespace tilewick::Manual {

using namespace Qt::StringLiterals;

namespace {

QString updatesText() {
    const QString address = QString::fromUtf16(kContactAddress);
    return u"New betas arrive by themselves. To tell us something, click **Beta feedback** at the top of the "
           u"Tilewick window, or email [%1](mailto:%1)."_s.arg(address);
}

QList<Part> makeParts() {
    const auto topic = [](const char16_t* id, const char16_t* title, const QString& text) {
        return Topic{QString::fromUtf16(id), QString::fromUtf16(title), {Block::text(text)}};
    };
    return {
        Part{
            u"start"_s,
            u"Start here"_s,
            std::nullopt,
            true,
            {
                topic(u"start-allow", u"Let it move windows",
                      u"The first time it opens, Tilewick asks for [Accessibility "
                      u"access](search:accessibility). "
                      u"Click **Open Accessibility Settings** and turn on Tilewick."_s),
                topic(u"start-snap", u"Hold ⌥⌘ and press a key",
                      u"**⌥⌘←** puts the window you're using on the left half of the screen, **⌥⌘→** on the "
                      u"right, and **⌥⌘Return** fills the screen. Hold **⌥⌘** for a moment in any app to see "
                      u"every hotkey on the [floating keyboard](#term-floating-keyboard)."_s),
                topic(u"start-change", u"Change a hotkey",
                      u"Click any hotkey in the Tilewick window and press a new key."_s),
            }},
        Part{u"know"_s,
             u"Good to know"_s,
             std::nullopt,
             false,
             {
                 topic(
                     u"keys", u"Other hotkeys",
                     u"**C** centres a window, **F** focuses on it and minimises the rest, **Z** undoes a "
                     u"move and **X** redoes it. **<** and **>** move a window to another display. Every key "
                     u"is in [Shortcuts](#shortcuts)."_s),
                 topic(u"multi-window", u"Fill a layout with an app's windows",
                       u"Hold 🌐 (the Menu key) as well as ⌥⌘ and press a layout key: the app fills that "
                       u"layout with its windows, opening new ones if it needs to."_s),
                 topic(u"default-app-snaps", u"Choose where apps open",
                       u"On the last tab, Default App Snaps, choose an app and click a key. From then on, it "
                       u"opens there."_s),
                 topic(u"modifiers", u"Use other modifier keys",
                       u"Click the big ⌥⌘ panel on the first tab, then hold the keys you'd rather use."_s),
                 topic(u"background", u"Closing the window",
                       u"Tilewick keeps working with its window closed. Open it again from its icon in the "
                       u"panel's tray."_s),
                 topic(u"not-working", u"If the hotkeys stop working",
                       u"Tilewick moves windows through your window manager: run one that follows the EWMH "
                       u"conventions, then quit Tilewick and open it again. If another window snapping app "
                       u"is running, quit one of them."_s),
                 topic(u"updates", u"New betas and feedback", updatesText()),
             }},
        Part{
            u"shortcuts"_s,
            u"Shortcuts"_s,
            u"The hotkeys Tilewick starts with, all with ⌥⌘."_s,
            false,
            {
                Topic{
                    u"default-hotkeys"_s,
                    u"Default hotkeys"_s,
                    {Block::table({
                        {u"General"_s,
                         u"**C** centre · **<** previous display · **>** next display · "
                         u"**Return** maximise · **F** focus on this · **Z** undo · **X** redo"_s},
                        {u"Halves"_s, u"**←** left · **→** right"_s},
                        {u"Two-Thirds"_s, u"**-** left two-thirds · **+** right two-thirds (the = key)"_s},
                        {u"Thirds"_s, u"**1** left · **2** centre · **3** right"_s},
                        {u"Four Columns"_s, u"**7** **8** **9** **0**, left to right"_s},
                        {u"Quarters"_s,
                         u"**Q** top left · **W** top right · **A** bottom left · **S** bottom right"_s},
                        {u"Sixths"_s,
                         u"**P** **\\[** **\\]** across the top · **;** **'** **\\\\** across the bottom"_s},
                        {u"Eighths"_s,
                         u"**T** **Y** **U** **I** across the top · **G** **H** **J** **K** across the bottom"_s},
                        {u"Up-Down Halves"_s, u"**↑** top · **↓** bottom"_s},
                        {u"Up-Down Two-Thirds"_s, u"**O** top two-thirds · **L** bottom two-thirds"_s},
                        {u"Up-Down Thirds"_s, u"**4** top · **E** centre · **D** bottom"_s},
                        {u"Multi-window"_s, u"Hold **🌐** too, then any layout key"_s},
                    })}},
            }},
    };
}

QList<Term> makeTerms() {
    return {
        {u"term-accessibility"_s, u"Accessibility access"_s,
         u"The permission in the desktop's settings that lets Tilewick move other apps' windows."_s},
        {u"term-default-app-snaps"_s, u"Default App Snaps"_s,
         u"The last tab, where you choose where apps open."_s},
        {u"term-floating-keyboard"_s, u"Floating keyboard"_s,
         u"The keyboard that appears over other apps while you hold ⌥⌘, showing every hotkey."_s},
        {u"term-globe"_s, u"Globe key"_s,
         u"The 🌐 key: on a PC keyboard the Menu key, near the right Ctrl, unless the "
         u"TILEWICK_GLOBE_KEY environment variable names another (such as RCTL). Hold it too for "
         u"[multi-window](#multi-window)."_s},
        {u"term-hotkey"_s, u"Hotkey"_s, u"Your modifier keys plus one more key. Every layout has one."_s},
        {u"term-layout"_s, u"Layout"_s,
         u"A part of the screen a window can fill: a half, a third, a quarter and so on."_s},
        {u"term-modifiers"_s, u"Modifier keys"_s,
         u"The keys every hotkey shares, ⌥⌘ to start with. [You can change them](#modifiers)."_s},
        {u"term-multi-window"_s, u"Multi-window"_s, u"Filling a layout with one app's windows in one go."_s},
    };
}

} // namespace

// Function-local statics: each table is built once, thread-safely, on first use.
const QList<Part>& parts() {
    static const QList<Part> table = makeParts();
    return table;
}

const QList<Term>& terms() {
    static const QList<Term> table = makeTerms();
    return table;
}

const QList<Section>& sections() {
    static const QList<Section> table = sectionsOf(parts());
    return table;
}

const QHash<QString, QString>& anchors() {
    static const QHash<QString, QString> table = anchorsOf(parts(), terms());
    return table;
}

QList<Section> sectionsOf(const QList<Part>& parts) {
    QList<Section> list;
    for (const Part& part : parts)
        list.append({part.id, part.title});
    list.append({u"glossary"_s, u"Glossary"_s});
    return list;
}

QHash<QString, QString> anchorsOf(const QList<Part>& parts, const QList<Term>& terms) {
    // Later entries replace earlier ones under the same id.
    QHash<QString, QString> map{{u"glossary"_s, u"glossary"_s}};
    for (const Part& part : parts) {
        map.insert(part.id, part.id);
        for (const Topic& topic : part.topics)
            map.insert(topic.id, part.id);
    }
    for (const Term& term : terms)
        map.insert(term.id, u"glossary"_s);
    return map;
}

} // namespace tilewick::Manual
