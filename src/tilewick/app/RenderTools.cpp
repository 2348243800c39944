#include "RenderTools.h"

#include "ToolSession.h"

#include "platform/Platform.h"
#include "tilewick/mainwindow/MainView.h"
#include "tilewick/manualwindow/AboutView.h"
#include "tilewick/store/TilewickStore.h"
#include "tilewick/visuals/QuarterIcon.h"
#include "tilewick/visuals/keyboard/KeyboardView.h"
#include "tilewick/visuals/keyboard/OverlayKeyboard.h"

#include <QGraphicsScene>
#include <QLinearGradient>
#include <QPainter>

#include <array>
#include <charconv>
#include <limits>

namespace tilewick {

namespace {

using namespace Qt::StringLiterals;

constexpr std::array<Scheme, 2> kSchemes{Scheme::Light, Scheme::Dark};

QString schemeName(Scheme scheme) {
    return scheme == Scheme::Dark ? u"dark"_s : u"light"_s;
}

QString inFolder(const QString& folder, const QString& name) {
    // Joined as text: a folder given with a trailing "/" gives "//", which names the same file.
    return folder + u'/' + name;
}

// The keyboard picture of the floating keyboard: 900 points wide with 18 around it, and 40 more
// on every side.
constexpr qreal kOverlayWidth = 900;
constexpr qreal kOverlayPad = 18;
constexpr qreal kOverlayMargin = 40;
constexpr double kFramesPerSecond = 30;

// The stills' background, from the top-left to the bottom-right corner.
QBrush stillBackground(Scheme scheme) {
    QLinearGradient gradient(0, 0, 1, 1);
    gradient.setCoordinateMode(QGradient::ObjectMode);
    const QColor gray(142, 142, 147);
    if (scheme == Scheme::Dark) {
        gradient.setColorAt(0, Qt::black);
        gradient.setColorAt(0.5, gray);
        gradient.setColorAt(1, QColor(94, 92, 230));
    } else {
        gradient.setColorAt(0, gray);
        gradient.setColorAt(0.5, Qt::white);
        gradient.setColorAt(1, QColor(0, 122, 255, qRound(0.4 * 255)));
    }
    return gradient;
}

// The animation frames' flat grey.
QColor frameBackground(Scheme scheme) {
    const qreal white = scheme == Scheme::Dark ? 0.12 : 0.85;
    return QColor::fromRgbF(white, white, white);
}

QImage overlayPicture(OverlayKeyboard& keyboard, const QBrush& background, qreal scale) {
    const QSizeF content = keyboard.size();
    const QSizeF size(content.width() + 2 * kOverlayMargin, content.height() + 2 * kOverlayMargin);
    QImage image((size * scale).toSize(), QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return image;
    image.setDevicePixelRatio(scale);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing |
                           QPainter::SmoothPixmapTransform);
    painter.fillRect(QRectF(QPointF(), size), background);
    keyboard.scene()->render(&painter, QRectF(QPointF(kOverlayMargin, kOverlayMargin), content),
                             QRectF(QPointF(), content));
    return image;
}

// The three keys a multi-window gesture holds: Option, Command and the Globe key.
QHash<quint16, double> multiWindowKeys(double now) {
    return {{58, now}, {55, now}, {63, now}};
}

} // namespace

std::span<const QSize> windowRenderSizes() {
    static constexpr std::array<QSize, 11> sizes{{{280, 400},
                                                  {360, 450},
                                                  {620, 500},
                                                  {660, 600},
                                                  {680, 730},
                                                  {820, 600},
                                                  {860, 600},
                                                  {940, 600},
                                                  {956, 891},
                                                  {1040, 700},
                                                  {1100, 940}}};
    return sizes;
}

std::optional<int> parseFrameCount(const QByteArray& text) {
    const char* begin = text.constData();
    const char* end = begin + text.size();
    // A leading "+" is allowed too; from_chars only knows "-".
    if (begin != end && *begin == '+' && end - begin > 1 && begin[1] != '-')
        ++begin;
    qint64 count = 0;
    const auto [rest, error] = std::from_chars(begin, end, count);
    if (text.isEmpty() || error != std::errc() || rest != end)
        return std::nullopt;
    if (count > std::numeric_limits<int>::max())
        return std::nullopt;
    return count < 0 ? 0 : int(count);
}

QString frameFileName(const QString& scheme, int index) {
    return u"frame-%1-%2.png"_s.arg(scheme).arg(index, 3, 10, QChar(u'0'));
}

void renderIcon(const QString& path) {
    writePicture(QuarterIcon{1024, false}.image(1), path);
}

void renderWindow(ToolSession& session, const QString& folder) {
    if (!writableFolder(folder))
        return;
    session.selectScheme(Scheme::Light);
    TilewickStore& store = session.store();
    MainViewOptions options;
    // The manual's buttons show as they do in the program; nothing opens from a picture.
    options.showManual = [] {};
    options.isoKeyboard = session.isoKeyboard();
    for (const QSize& size : windowRenderSizes()) {
        MainView view(store, session.view(), options);
        view.resize(size);
        writePicture(snapshot(view, 2),
                     inFolder(folder, u"window-%1x%2.png"_s.arg(size.width()).arg(size.height())));
    }
}

void renderOverlay(ToolSession& session, const QString& folder) {
    if (!writableFolder(folder))
        return;
    TilewickStore& store = session.store();
    for (const Scheme scheme : kSchemes) {
        session.selectScheme(scheme);
        if (qEnvironmentVariableIsSet("TILEWICK_RENDER_MULTI")) {
            store.setMultiWindow(true);
            store.setPressedKeys(multiWindowKeys(session.view().uptime()));
        }
        if (qEnvironmentVariableIsSet("TILEWICK_RENDER_UNSUPPORTED")) {
            store.setMultiWindowUnsupported(qEnvironmentVariable("TILEWICK_RENDER_UNSUPPORTED"));
            store.setPressedKeys(multiWindowKeys(session.view().uptime()));
        }
        const int frames = parseFrameCount(qgetenv("TILEWICK_RENDER_FRAMES")).value_or(0);

        QGraphicsScene scene;
        auto* keyboard =
            new OverlayKeyboard(store, session.view(), session.isoKeyboard(), kOverlayWidth, kOverlayPad);
        scene.addItem(keyboard);
        for (int i = 0; i < frames; ++i) {
            KeyboardEnvironment environment = OverlayKeyboard::environment();
            environment.renderTime = i / kFramesPerSecond;
            keyboard->keyboard().setEnvironment(environment);
            writePicture(overlayPicture(*keyboard, frameBackground(scheme), 1),
                         inFolder(folder, frameFileName(schemeName(scheme), i)));
        }
        keyboard->keyboard().setEnvironment(OverlayKeyboard::environment());
        writePicture(overlayPicture(*keyboard, stillBackground(scheme), 2),
                     inFolder(folder, u"overlay-"_s + schemeName(scheme) + u".png"_s));
    }
}

void renderAbout(ToolSession& session, const QString& folder) {
    if (!writableFolder(folder))
        return;
    const QString version = versionLineOf(session.platform().bundle().bundlePath());
    for (const Scheme scheme : kSchemes) {
        session.selectScheme(scheme);
        AboutView view(PanelServices{session.view(), {}}, version);
        view.resize(view.sizeHint());
        writePicture(snapshot(view, 2), inFolder(folder, u"about-"_s + schemeName(scheme) + u".png"_s));
    }
}

} // namespace tilewick
