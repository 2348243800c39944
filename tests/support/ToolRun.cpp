#include "ToolRun.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>

namespace tilewick::test {

using namespace Qt::StringLiterals;

ToolRun runTool(const QTemporaryDir& home, const QStringList& arguments,
                const std::map<QString, QString>& variables, int timeoutMs) {
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("DISPLAY");
    env.remove("QT_QPA_PLATFORM");
    for (const QString& name : env.keys())
        if (name.startsWith(u"TILEWICK_RENDER_"_s))
            env.remove(name);
    for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME", "XDG_RUNTIME_DIR"})
        env.insert(name, home.filePath(name));
    env.insert("TZ", "Europe/Berlin");
    env.insert("LC_ALL", "C.UTF-8");
    env.insert("TILEWICK_KEYBOARD_TYPE", "ANSI");
    for (const auto& [name, value] : variables)
        env.insert(name, value);
    program.setProcessEnvironment(env);
    program.start(TILEWICK_TEST_APP_DIR "/Contents/bin/Tilewick", arguments);
    if (!program.waitForFinished(timeoutMs))
        return {};
    return {program.exitCode(), program.readAllStandardOutput(),
            QString::fromLocal8Bit(program.readAllStandardError())};
}

QStringList storedSettings(const QTemporaryDir& home) {
    QFile file(home.filePath(u"XDG_CONFIG_HOME/com.corvane.tilewick/defaults.json"_s));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QJsonObject settings = QJsonDocument::fromJson(file.readAll()).object();
    QStringList pairs;
    for (auto it = settings.begin(); it != settings.end(); ++it)
        pairs << it.key() + u'=' + it.value().toObject().value(u"value"_s).toVariant().toString();
    return pairs;
}

} // namespace tilewick::test
