#include "Golden.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cstdlib>

namespace {

// A pixel counts as different when a channel is further off than this.
constexpr int kChannelTolerance = 24;
// The share of pixels allowed to differ.
constexpr double kDifferentShare = 0.002;

QString goldenPath(const QString& name) {
    return QDir(TILEWICK_TEST_DATA_DIR).filePath(name + ".png");
}

QString keepActual(const QImage& picture, const QString& name) {
    const QString path =
        QDir(QDir::tempPath()).filePath("tilewick-actual-" + QString(name).replace('/', '-') + ".png");
    picture.save(path, "PNG");
    return path;
}

} // namespace

::testing::AssertionResult matchesGolden(const QImage& picture, const QString& name) {
    const QString path = goldenPath(name);
    if (qEnvironmentVariableIntValue("TILEWICK_UPDATE_GOLDENS") == 1) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        if (!picture.save(path, "PNG"))
            return ::testing::AssertionFailure() << "cannot write " << path.toStdString();
        return ::testing::AssertionSuccess() << "wrote " << path.toStdString();
    }
    QImage golden(path);
    if (golden.isNull())
        return ::testing::AssertionFailure() << "no golden " << path.toStdString() << "; picture at "
                                             << keepActual(picture, name).toStdString();
    const QImage actual = picture.convertToFormat(QImage::Format_ARGB32);
    golden = golden.convertToFormat(QImage::Format_ARGB32);
    if (actual.size() != golden.size())
        return ::testing::AssertionFailure()
               << name.toStdString() << ": size " << actual.width() << "x" << actual.height() << ", golden "
               << golden.width() << "x" << golden.height() << "; picture at "
               << keepActual(picture, name).toStdString();

    qint64 different = 0;
    for (int y = 0; y < actual.height(); ++y) {
        const auto* a = reinterpret_cast<const QRgb*>(actual.constScanLine(y));
        const auto* g = reinterpret_cast<const QRgb*>(golden.constScanLine(y));
        for (int x = 0; x < actual.width(); ++x) {
            const int off =
                std::max({std::abs(qRed(a[x]) - qRed(g[x])), std::abs(qGreen(a[x]) - qGreen(g[x])),
                          std::abs(qBlue(a[x]) - qBlue(g[x])), std::abs(qAlpha(a[x]) - qAlpha(g[x]))});
            if (off > kChannelTolerance)
                ++different;
        }
    }
    const double share = double(different) / double(qint64(actual.width()) * actual.height());
    if (share > kDifferentShare)
        return ::testing::AssertionFailure()
               << name.toStdString() << ": " << different << " pixels differ (" << share * 100
               << "%); picture at " << keepActual(picture, name).toStdString();
    return ::testing::AssertionSuccess();
}
