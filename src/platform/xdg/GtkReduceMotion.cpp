#include "GtkReduceMotion.h"

#include <QDateTime>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QTimer>

#include <utility>

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

GtkReduceMotion::GtkReduceMotion(QString configHome) : m_configHome(std::move(configHome)) {
    m_cached = !fileEnableAnimations().value_or(true);
    ask();
}

GtkReduceMotion::~GtkReduceMotion() {
    if (m_asking) {
        m_asking->disconnect();
        m_asking->kill();
        m_asking->waitForFinished(kGsettingsTimeoutMillis);
        delete m_asking;
    }
}

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

std::optional<bool> GtkReduceMotion::fileEnableAnimations() const {
    QFile ini(m_configHome + QStringLiteral("/gtk-3.0/settings.ini"));
    if (ini.open(QIODevice::ReadOnly))
        return enableAnimationsFromIni(QString::fromUtf8(ini.readAll()));
    return std::nullopt;
}

void GtkReduceMotion::ask() const {
    m_readAt = QDateTime::currentMSecsSinceEpoch();
    if (m_asking)
        return;
    const QString gsettings = QStandardPaths::findExecutable(QStringLiteral("gsettings"));
    if (gsettings.isEmpty()) {
        m_cached = !fileEnableAnimations().value_or(true);
        return;
    }
    m_asking = new QProcess;
    QObject::connect(m_asking, &QProcess::finished, m_asking, [this] { answered(); });
    QObject::connect(m_asking, &QProcess::errorOccurred, m_asking, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            answered();
    });
    // A hung gsettings gives way, and the settings file decides.
    QTimer::singleShot(kGsettingsTimeoutMillis, m_asking, [process = m_asking] { process->kill(); });
    m_asking->start(gsettings, {QStringLiteral("get"), QStringLiteral("org.gnome.desktop.interface"),
                                QStringLiteral("enable-animations")});
}

void GtkReduceMotion::answered() const {
    QProcess* process = std::exchange(m_asking, nullptr);
    std::optional<bool> enabled;
    if (process->exitStatus() == QProcess::NormalExit && process->exitCode() == 0)
        enabled = parseGsettingsBool(QString::fromUtf8(process->readAllStandardOutput()));
    if (!enabled)
        enabled = fileEnableAnimations();
    m_cached = !enabled.value_or(true);
    m_readAt = QDateTime::currentMSecsSinceEpoch();
    process->deleteLater();
}

bool GtkReduceMotion::reduceMotion() const {
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (now - m_readAt >= kCacheMillis || now < m_readAt)
        ask();
    return m_cached;
}

} // namespace platform
