#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <map>

// The developer tools run as the program runs them: the built executable with no display, the
// XDG folders inside a temporary home, and a fixed time zone, locale and keyboard type. The
// TILEWICK_RENDER_ variables are only those a test gives.

namespace tilewick::test {

struct ToolRun {
    // -1 when the program did not finish in time.
    int status = -1;
    QByteArray out;
    QString errors;
};

ToolRun runTool(const QTemporaryDir& home, const QStringList& arguments,
                const std::map<QString, QString>& variables = {}, int timeoutMs = 120000);

// The program's settings in the home's XDG folders as "key=value", in key order; empty when
// there is no settings file.
QStringList storedSettings(const QTemporaryDir& home);

} // namespace tilewick::test
