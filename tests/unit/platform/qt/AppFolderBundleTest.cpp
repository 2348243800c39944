#include "platform/qt/AppFolderBundle.h"
#include "platform/ResourceBundle.h"
#include "platform/sim/SimBundle.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using platform::qt::AppFolderBundle;

namespace {

class ApplicationFolder : public ::testing::Test {
protected:
    QString root() const { return m_dir.path(); }
    void makeFolder(const QString& relative) { ASSERT_TRUE(QDir(root()).mkpath(relative)); }
    void writeFile(const QString& relative, const QByteArray& text) {
        QDir(root()).mkpath(QFileInfo(relative).path());
        QFile file(root() + "/" + relative);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }

private:
    QTemporaryDir m_dir;
};

TEST_F(ApplicationFolder, IsFoundFromTheExecutableAndReadsInfoPlist) {
    writeFile("Apps/Tilewick.app/Contents/Info.plist", R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0">
<dict>
	<key>CFBundleIdentifier</key>
	<string>com.corvane.tilewick</string>
	<key>LSUIElement</key>
	<true/>
	<key>CFBundleDocumentTypes</key>
	<array><string>ignored</string></array>
	<key>CFBundleShortVersionString</key>
	<string> 2.3.1 </string>
	<key>CFBundleVersion</key>
	<integer>417</integer>
</dict>
</plist>
)");
    AppFolderBundle bundle(root() + "/Apps/Tilewick.app/Contents/bin/Tilewick");
    EXPECT_EQ(bundle.bundlePath(), root() + "/Apps/Tilewick.app");
    EXPECT_EQ(bundle.resourcesPath(), root() + "/Apps/Tilewick.app/Contents/Resources");
    EXPECT_EQ(bundle.executablePath(), root() + "/Apps/Tilewick.app/Contents/bin/Tilewick");
    EXPECT_EQ(bundle.identifier(), "com.corvane.tilewick");
    EXPECT_EQ(bundle.version(), "2.3.1");
    EXPECT_EQ(bundle.build(), "417");
}

TEST_F(ApplicationFolder, ExecutableOutsideAnApplicationFolderAndBadInfoPlist) {
    AppFolderBundle loose(root() + "/build/Tilewick");
    EXPECT_EQ(loose.bundlePath(), root() + "/build");
    EXPECT_EQ(loose.identifier(), "");

    writeFile("Broken.app/Contents/Info.plist", "<plist><dict><key>CFBundleIdentifier</key><string>x");
    AppFolderBundle broken(root() + "/Broken.app/Contents/bin/Tilewick");
    EXPECT_EQ(broken.bundlePath(), root() + "/Broken.app");
    EXPECT_EQ(broken.identifier(), "");
    EXPECT_EQ(broken.version(), "");
}

TEST_F(ApplicationFolder, ResourceBundleIsLookedForInThreePlacesInOrder) {
    platform::sim::SimBundle bundle(root() + "/Apps/Tilewick.app");
    const QStringList places = platform::resourceBundlePlaces(bundle);
    ASSERT_EQ(places.size(), 3);
    EXPECT_EQ(places[0], root() + "/Apps/Tilewick.app/Contents/Resources");
    EXPECT_EQ(places[1], root() + "/Apps/Tilewick.app/Contents/Resources");
    EXPECT_EQ(places[2], root() + "/Apps");

    // Three distinct places laid out by hand; each one wins over those after it.
    const QStringList distinct{root() + "/main", root() + "/code", root() + "/beside"};
    const QString name = "Tilewick_Tilewick";
    EXPECT_EQ(platform::findResourceBundle(name, distinct), "");
    makeFolder("beside/Tilewick_Tilewick.bundle");
    EXPECT_EQ(platform::findResourceBundle(name, distinct), root() + "/beside/Tilewick_Tilewick.bundle");
    makeFolder("code/Tilewick_Tilewick.bundle");
    EXPECT_EQ(platform::findResourceBundle(name, distinct), root() + "/code/Tilewick_Tilewick.bundle");
    writeFile("main/Tilewick_Tilewick.bundle", "a file, not a bundle");
    EXPECT_EQ(platform::findResourceBundle(name, distinct), root() + "/code/Tilewick_Tilewick.bundle");
    QFile::remove(root() + "/main/Tilewick_Tilewick.bundle");
    makeFolder("main/Tilewick_Tilewick.bundle");
    EXPECT_EQ(platform::requireResourceBundle(name, distinct), root() + "/main/Tilewick_Tilewick.bundle");
}

TEST_F(ApplicationFolder, ResourceBundleFromAnExecutableRunElsewhere) {
    // The main bundle is a folder without resources; the code's own folder has them.
    makeFolder("Elsewhere.app/Contents/bin");
    makeFolder("dev/Resources/Tilewick_Tilewick.bundle");
    struct DevBundle : platform::Bundle {
        QString root;
        QString bundlePath() const override { return root + "/Elsewhere.app"; }
        QString resourcesPath() const override { return root + "/Elsewhere.app/Contents/Resources"; }
        QString executablePath() const override { return root + "/dev/bin/Tilewick"; }
        QString identifier() const override { return {}; }
        QString version() const override { return {}; }
        QString build() const override { return {}; }
    } dev;
    dev.root = root();
    EXPECT_EQ(platform::requireResourceBundle("Tilewick_Tilewick", dev),
              root() + "/dev/Resources/Tilewick_Tilewick.bundle");
}

TEST_F(ApplicationFolder, MissingResourceBundleStopsTheProgram) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const QStringList places{root() + "/main", root() + "/code", root() + "/beside"};
    // The child that dies runs the fixture again: it removes its own folder first, which its end
    // would leave behind.
    EXPECT_DEATH(
        {
            QDir(root()).removeRecursively();
            platform::requireResourceBundle("Tilewick_Tilewick", places);
        },
        "unable to find bundle named Tilewick_Tilewick\n");
}

} // namespace
