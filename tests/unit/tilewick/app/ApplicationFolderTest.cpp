#include "platform/ResourceBundle.h"
#include "platform/qt/AppFolderBundle.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontInfo>
#include <QImage>
#include <QPainter>

namespace {

platform::qt::AppFolderBundle builtApplication() {
    return platform::qt::AppFolderBundle(TILEWICK_TEST_APP_DIR "/Contents/bin/Tilewick");
}

QList<int> fontWeights() {
    QList<int> weights;
    QFile file(TILEWICK_SOURCE_DIR "/resources/fonts/weights.txt");
    if (!file.open(QIODevice::ReadOnly))
        return weights;
    for (const QByteArray& line : file.readAll().split('\n')) {
        bool ok = false;
        const int weight = line.trimmed().toInt(&ok);
        if (ok)
            weights << weight;
    }
    std::sort(weights.begin(), weights.end());
    return weights;
}

// Total ink of a line of text: the sum of how dark every pixel is.
qint64 ink(const QFont& font) {
    QImage image(1400, 120, QImage::Format_Grayscale8);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(10, 90, "Hamburgefonstiv Tilewick 0123");
    painter.end();
    qint64 total = 0;
    for (int y = 0; y < image.height(); ++y) {
        const uchar* row = image.constScanLine(y);
        for (int x = 0; x < image.width(); ++x)
            total += 255 - row[x];
    }
    return total;
}

TEST(ApplicationFolder, InfoPlistNamesTheProgram) {
    const auto bundle = builtApplication();
    EXPECT_EQ(bundle.bundlePath(), QFileInfo(TILEWICK_TEST_APP_DIR).absoluteFilePath());
    EXPECT_EQ(bundle.identifier(), "com.corvane.tilewick");
    EXPECT_EQ(bundle.version(), TILEWICK_VERSION);
    EXPECT_EQ(bundle.build(), TILEWICK_BUILD);
    EXPECT_FALSE(bundle.version().isEmpty());
    EXPECT_FALSE(bundle.build().isEmpty());
    EXPECT_TRUE(QFileInfo(bundle.executablePath()).isExecutable());
}

TEST(ApplicationFolder, ResourceBundleHoldsTheVariableFont) {
    const QString resources = platform::requireResourceBundle("Tilewick_Tilewick", builtApplication());
    EXPECT_EQ(resources, TILEWICK_TEST_APP_DIR "/Contents/Resources/Tilewick_Tilewick.bundle");
    const int id = QFontDatabase::addApplicationFont(resources + "/Fonts/InterVariable.ttf");
    ASSERT_NE(id, -1);
    EXPECT_TRUE(QFontDatabase::applicationFontFamilies(id).join(",").contains("Inter"));
}

TEST(ApplicationFolder, EachWeightInstanceLoadsUnderItsFamilyAndIsHeavierThanTheOneBelow) {
    const QList<int> weights = fontWeights();
    ASSERT_GE(weights.size(), 2);
    const QString fonts = TILEWICK_TEST_APP_DIR "/Contents/Resources/Tilewick_Tilewick.bundle/Fonts/";
    qint64 previousInk = 0;
    int previousWeight = 0;
    for (int weight : weights) {
        const QString family = QString("Inter W%1").arg(weight);
        const int id = QFontDatabase::addApplicationFont(fonts + QString("InterW%1.ttf").arg(weight));
        ASSERT_NE(id, -1) << weight;
        EXPECT_EQ(QFontDatabase::applicationFontFamilies(id), QStringList{family});

        QFont font(family);
        font.setPixelSize(64);
        font.setHintingPreference(QFont::PreferNoHinting);
        ASSERT_EQ(QFontInfo(font).family(), family);
        const qint64 amount = ink(font);
        EXPECT_GT(amount, previousInk)
            << qPrintable(family) << " is not heavier than Inter W" << previousWeight;
        previousInk = amount;
        previousWeight = weight;
    }
}

} // namespace
