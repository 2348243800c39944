#pragma once

#include <QFont>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <array>
#include <future>
#include <map>
#include <thread>

namespace tilewick {

// Every point of the Inter "wght" axis that the program draws text at. Qt cannot select
// intermediate axis values, so the build makes one static instance of the font per weight
// (resources/fonts/weights.txt, family "Inter W<weight>"); a test keeps this list and that
// file in step.
inline constexpr std::array kInterWeights{340, 360, 400, 420, 432, 450, 460, 500, 517,
                                          540, 550, 560, 600, 650, 700, 720, 750, 800};

constexpr bool isInterWeight(int weight) {
    return std::find(kInterWeights.begin(), kInterWeights.end(), weight) != kInterWeights.end();
}

// A weight on the Inter axis, checked when the program is compiled: a weight without its
// static instance does not build.
class InterWeight {
public:
    consteval InterWeight(int weight) : m_value(weight) {
        if (!isInterWeight(weight))
            throw "no static Inter instance is made for this weight: add it to kInterWeights and weights.txt";
    }
    constexpr int value() const { return m_value; }

private:
    int m_value;
};

// Inter at `size` (in points, the device-independent pixels views lay out in) and `weight`.
// The first call registers the bundled fonts for the process. The same size and weight
// give the same object until the fonts are trimmed. Main thread only.
const QFont& interFont(double size, InterWeight weight);

// The family name of the static instance made for `weight`.
QString interFamily(int weight);

// The family of the bundled font that Inter falls back to for the characters it lacks (🌐).
QString symbolFamily();

// The cache key of a size and weight: each number in its shortest exact decimal form, a whole
// number keeping ".0" ("13.0:600.0", "11.5:500.0").
QString interFontKey(double size, double weight);

// The registered fonts and the font cache. One shared instance serves interFont(); tests make
// their own over other folders. Qt's application fonts belong to the whole process, and so does
// the shared instance: the program names its resource folder once at start, before any view
// draws text.
class InterFontLibrary {
public:
    // `resourcesPath` is the application folder's resource folder.
    explicit InterFontLibrary(QString resourcesPath);
    ~InterFontLibrary();
    InterFontLibrary(const InterFontLibrary&) = delete;
    InterFontLibrary& operator=(const InterFontLibrary&) = delete;

    // The shared instance over the folder named by setSharedResources(); before that, fonts come
    // from the system.
    static InterFontLibrary& shared();
    // The application folder's resource folder for the shared instance; only the first call counts.
    static void setSharedResources(const QString& resourcesPath);

    // The font for a size and weight, built once and kept until a trim finds it unused. A
    // weight that has no usable instance gives the system font at that size.
    const QFont& font(double size, int weight);
    // Lets go of the fonts not asked for since the last trim: a window drawn at a new scale
    // keeps the sizes it uses, not every size it passed through. A reference font() gave is
    // valid until the next trim or release, which views make between events.
    void trim();
    // Lets go of every font kept.
    void release() { m_cache.clear(); }

    // Registers the fonts on the first call only; true when every weight's instance is usable.
    // Waits for a registration started by registerFontsInBackground().
    bool registerFonts();
    // Starts registering the fonts on a thread of its own (Qt's font database is thread-safe),
    // so that a start goes on meanwhile: reading some twenty font files takes milliseconds
    // that the first picture would otherwise wait for. Does nothing once registering has begun.
    void registerFontsInBackground();
    // Waits for that thread to end, its own clean-up included; every way out of a program that
    // started one calls this before Qt's application object goes.
    void endBackgroundRegistration();
    int registrationCount() const { return m_registrations; }
    // The folder the fonts were found in, empty when none was.
    QString fontsFolder() const { return m_fontsFolder; }
    QStringList cacheKeys() const;

private:
    QString locateFontsFolder() const;

    QString m_resourcesPath;
    QString m_fontsFolder;
    int m_registrations = 0;
    bool m_registered = false;
    bool m_usable = false;
    // The answer comes before the thread's own clean-up: a view waits for the fonts only.
    std::future<bool> m_registering;
    std::thread m_registrar;
    struct Kept {
        QFont font;
        quint64 trims = 0; // the trims made before it was last asked for
    };
    std::map<QString, Kept> m_cache;
    quint64 m_trims = 0;
};

} // namespace tilewick
