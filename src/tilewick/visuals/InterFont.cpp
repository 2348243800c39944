#include "InterFont.h"

#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QLocale>

namespace tilewick {

namespace {

// Views lay out in device-independent pixels; Qt sizes fonts in points at 96 logical dpi.
constexpr double kPixelsToPoints = 72.0 / 96.0;

const QString kResourceBundle = QStringLiteral("Tilewick_Tilewick.bundle");
const QString kVariableFont = QStringLiteral("InterVariable.ttf");
// Our own drawings of characters Inter lacks (the globe), built with the fonts; no system font
// is sure to have them.
const QString kSymbolFont = QStringLiteral("TilewickSymbols.otf");

QString shortestDecimal(double value) {
    // Plain decimal digits at any magnitude: 'g' would switch to "1e+05" for large whole numbers.
    QString text = QString::number(value, 'f', QLocale::FloatingPointShortest);
    bool whole = std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.isDigit() || c == u'-'; });
    if (whole)
        text += QStringLiteral(".0");
    return text;
}

QString& sharedResources() {
    static QString path;
    return path;
}

// Adds the fonts of `folder` to Qt's font database; true when every weight's instance is usable.
bool addFonts(const QString& fontsFolder) {
    if (fontsFolder.isEmpty())
        return false;
    const QDir folder(fontsFolder);
    QFontDatabase::addApplicationFont(folder.filePath(kVariableFont));
    for (int weight : kInterWeights)
        QFontDatabase::addApplicationFont(folder.filePath(QStringLiteral("InterW%1.ttf").arg(weight)));
    QFontDatabase::addApplicationFont(folder.filePath(kSymbolFont));

    // A failed registration still counts when the family is there by name (already installed).
    const QStringList families = QFontDatabase::families();
    return std::all_of(kInterWeights.begin(), kInterWeights.end(),
                       [&](int weight) { return families.contains(interFamily(weight)); });
}

} // namespace

QString interFamily(int weight) {
    return QStringLiteral("Inter W%1").arg(weight);
}

QString symbolFamily() {
    return QStringLiteral("Tilewick Symbols");
}

QString interFontKey(double size, double weight) {
    return shortestDecimal(size) + u':' + shortestDecimal(weight);
}

const QFont& interFont(double size, InterWeight weight) {
    return InterFontLibrary::shared().font(size, weight.value());
}

InterFontLibrary::InterFontLibrary(QString resourcesPath) : m_resourcesPath(std::move(resourcesPath)) {}

InterFontLibrary& InterFontLibrary::shared() {
    // Made once the application folder is known and kept until the process ends, like the
    // fonts it registers.
    if (sharedResources().isEmpty()) {
        static InterFontLibrary* unbundled = new InterFontLibrary(QString());
        return *unbundled;
    }
    static InterFontLibrary* library = new InterFontLibrary(sharedResources());
    return *library;
}

void InterFontLibrary::setSharedResources(const QString& resourcesPath) {
    if (sharedResources().isEmpty())
        sharedResources() = resourcesPath;
}

QString InterFontLibrary::locateFontsFolder() const {
    if (m_resourcesPath.isEmpty())
        return {};
    const QDir resources(m_resourcesPath);
    if (QFileInfo::exists(resources.filePath(QStringLiteral("Fonts/") + kVariableFont)))
        return resources.filePath(QStringLiteral("Fonts"));
    // The resource bundle is only asked when it is really there, so a missing one just
    // means no fonts.
    if (QFileInfo::exists(resources.filePath(kResourceBundle))) {
        const QString folder = resources.filePath(kResourceBundle + QStringLiteral("/Fonts"));
        if (QFileInfo::exists(QDir(folder).filePath(kVariableFont)))
            return folder;
    }
    return {};
}

bool InterFontLibrary::registerFonts() {
    if (m_registering.valid())
        m_usable = m_registering.get();
    if (m_registered)
        return m_usable;
    m_registered = true;
    ++m_registrations;
    m_fontsFolder = locateFontsFolder();
    return m_usable = addFonts(m_fontsFolder);
}

void InterFontLibrary::registerFontsInBackground() {
    if (m_registered)
        return;
    m_registered = true;
    ++m_registrations;
    m_fontsFolder = locateFontsFolder();
    std::promise<bool> registered;
    m_registering = registered.get_future();
    m_registrar = std::thread([folder = m_fontsFolder, registered = std::move(registered)]() mutable {
        registered.set_value(addFonts(folder));
    });
}

void InterFontLibrary::endBackgroundRegistration() {
    if (m_registrar.joinable())
        m_registrar.join();
}

InterFontLibrary::~InterFontLibrary() {
    endBackgroundRegistration();
}

const QFont& InterFontLibrary::font(double size, int weight) {
    registerFonts();
    const QString key = interFontKey(size, weight);
    auto found = m_cache.find(key);
    if (found != m_cache.end()) {
        found->second.trims = m_trims;
        return found->second.font;
    }

    QFont font;
    if (m_usable && isInterWeight(weight)) {
        font.setFamilies({interFamily(weight), symbolFamily()});
        font.setWeight(QFont::Weight(weight));
        font.setStyleHint(QFont::SansSerif);
        // Outlines as designed: no hinting, so sizes and advances match at every scale.
        font.setHintingPreference(QFont::PreferNoHinting);
    } else {
        font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    }
    font.setPointSizeF(size * kPixelsToPoints);
    // A failed lookup is kept too, so it is not retried for this key.
    return m_cache.emplace(key, Kept{font, m_trims}).first->second.font;
}

void InterFontLibrary::trim() {
    std::erase_if(m_cache, [this](const auto& entry) { return entry.second.trims != m_trims; });
    ++m_trims;
}

QStringList InterFontLibrary::cacheKeys() const {
    QStringList keys;
    for (const auto& [key, kept] : m_cache)
        keys << key;
    return keys;
}

} // namespace tilewick
