#include "GtkReduceMotion.h"

#include <QDateTime>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

namespace platform {

namespace {

// How long one reading of the setting is trusted.
constexpr qint64 kCacheMillis = 5000;
// gsettings answers at once; a hung one must not hold up drawing.
constexpr int kGsettingsTimeoutMillis = 500;

std::optional<bool> boolWord(QString word) {
    word = word.trimmed().toLower();
    if (word == u"true" || word == u"1" || word == u"yes")
        return true;
    if (word == u"false" || word == u"0" || word == u"no")
        return false;
    return std::nullopt;
}

} // namespace

GtkReduceMotion::GtkReduceMotion(QString configHome) : m_configHome(std::move(configHome)) {}

std::optional<bool> GtkReduceMotion::parseGsettingsBool(const QString& output) {
    const QString word = output.trimmed();
    if (word == u"true")
        return true;
    if (word == u"false")
        return false;
    return std::nullopt;
}

std::optional<bool> GtkReduceMotion::enableAnimationsFromIni(const QString& text) {
    bool inSettings = false;
    for (const QString& raw : text.split(u'\n')) {
        const QString line = raw.trimmed();
        if (line.startsWith(u'[')) {
            inSettings = line == u"[Settings]";
            continue;
        }
        if (!inSettings || line.startsWith(u'#') || line.startsWith(u';'))
            continue;
        const qsizetype eq = line.indexOf(u'=');
        if (eq > 0 && line.left(eq).trimmed() == u"gtk-enable-animations")
            return boolWord(line.mid(eq + 1));
    }
    return std::nullopt;
}

std::optional<bool> GtkReduceMotion::readEnableAnimations() const {
    const QString gsettings = QStandardPaths::findExecutable(QStringLiteral("gsettings"));
    if (!gsettings.isEmpty()) {
        QProcess process;
        process.start(gsettings, {QStringLiteral("get"), QStringLiteral("org.gnome.desktop.interface"),
                                  QStringLiteral("enable-animations")});
        if (process.waitForFinished(kGsettingsTimeoutMillis) &&
            process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0) {
            if (auto value = parseGsettingsBool(QString::fromUtf8(process.readAllStandardOutput())))
                return value;
        } else if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(kGsettingsTimeoutMillis);
        }
    }
    QFile ini(m_configHome + QStringLiteral("/gtk-3.0/settings.ini"));
    if (ini.open(QIODevice::ReadOnly))
        return enableAnimationsFromIni(QString::fromUtf8(ini.readAll()));
    return std::nullopt;
}

bool GtkReduceMotion::reduceMotion() const {
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (m_readAt == 0 || now - m_readAt >= kCacheMillis || now < m_readAt) {
        m_cached = !readEnableAnimations().value_or(true);
        m_readAt = now;
    }
    return m_cached;
}

} // namespace platform
