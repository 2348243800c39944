#include "betakit/update/UpdateLeftovers.h"

#include "AppFixture.h"

#include "support/SimPlatformTest.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

namespace {

using betakit::removeUpdateLeftovers;
using betakit::UpdateLock;

class UpdateLeftovers : public SimPlatformTest {
protected:
    void SetUp() override {
        SimPlatformTest::SetUp();
        temporary = paths().temporary();
        apps = paths().root() + "/Apps";
        target = apps + "/Tilewick.app";
        makeApp(target, "com.corvane.tilewick", "119");
    }
    // The names in `folder`, sorted, one line each.
    std::string entries(const QString& folder) {
        QStringList names =
            QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        names.sort();
        return names.join('\n').toStdString();
    }
    std::string sorted(QStringList names) {
        names.sort();
        return names.join('\n').toStdString();
    }

    QString temporary, apps, target;
};

TEST_F(UpdateLeftovers, OnlyOursGoAndOnlyWhileNoUpdateRuns) {
    const QString id = "0B1C2D3E-4F50-6172-8394-A5B6C7D8E9F0";
    // Ours: an archive and a staging folder a kill left while unpacking, a swap's script and helpers.
    writeFile(temporary + "/beta-update-" + id + ".zip", "PK");
    writeFile(temporary + "/beta-update-" + id + ".sh", "pid=");
    writeFile(temporary + "/beta-update-" + id + ".bin/open", "#!/bin/sh\n", 0755);
    makeApp(apps + "/.Tilewick-update-0B1C2D3E/Tilewick.app", "com.corvane.tilewick", "124");
    // Not ours, or not what our names stand for.
    writeFile(temporary + "/beta-update-" + id.toLower() + ".zip", "PK");
    writeFile(temporary + "/beta-update-1234.sh", "");
    writeFile(temporary + "/beta-update-" + id + ".sh.bak", "");
    writeFile(temporary + "/beta-update-" + id + ".bin.zip", "");
    QDir().mkpath(temporary + "/beta-update-" + id.left(35) + "1.zip");
    writeFile(temporary + "/Beta report 0B1C2D3E/report.json", "{}");
    writeFile(paths().root() + "/elsewhere/keep", "x");
    QFile::link(paths().root() + "/elsewhere", temporary + "/beta-update-" + id.left(35) + "2.bin");
    QFile::link(paths().root() + "/elsewhere", apps + "/.Tilewick-update-0B1C2D3F");
    QDir().mkpath(apps + "/.Other-update-0B1C2D3E");
    QDir().mkpath(apps + "/.Tilewick-update-0B1C2D3");
    QDir().mkpath(apps + "/.Tilewick-update-0b1c2d3e");
    QDir().mkpath(apps + "/Tilewick-update-0B1C2D3E");
    const QStringList before = listing(paths().root());

    {
        const auto running = UpdateLock::hold(paths().temporary());
        ASSERT_TRUE(running);
        EXPECT_FALSE(removeUpdateLeftovers(paths().temporary(), target));
        EXPECT_EQ(listing(paths().root()), before);
    }
    EXPECT_TRUE(removeUpdateLeftovers(paths().temporary(), target));
    EXPECT_EQ(
        entries(temporary),
        sorted({"Beta report 0B1C2D3E", "beta-update-" + id + ".bin.zip", "beta-update-" + id + ".sh.bak",
                "beta-update-" + id.left(35) + "1.zip", "beta-update-" + id.left(35) + "2.bin",
                "beta-update-" + id.toLower() + ".zip", "beta-update-1234.sh"}));
    EXPECT_EQ(entries(apps),
              sorted({".Other-update-0B1C2D3E", ".Tilewick-update-0B1C2D3", ".Tilewick-update-0B1C2D3F",
                      ".Tilewick-update-0b1c2d3e", "Tilewick-update-0B1C2D3E", "Tilewick.app"}));
    EXPECT_TRUE(QFile::exists(paths().root() + "/elsewhere/keep"));
}

} // namespace
