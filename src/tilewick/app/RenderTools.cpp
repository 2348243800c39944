#include "RenderTools.h"

#include "ToolSession.h"

#include "platform/Platform.h"
#include "tilewick/mainwindow/MainLayout.h"
#include "tilewick/mainwindow/MainView.h"
#include "tilewick/mainwindow/PageArea.h"
#include "tilewick/mainwindow/TabPage.h"
#include "tilewick/manualwindow/AboutView.h"
#include "tilewick/store/SettingsKeys.h"
#include "tilewick/store/TilewickStore.h"
#include "tilewick/visuals/HoverTips.h"
#include "tilewick/visuals/QuarterIcon.h"
#include "tilewick/visuals/keyboard/KeyboardView.h"
#include "tilewick/visuals/keyboard/OverlayKeyboard.h"

#include <QCoreApplication>
#include <QGraphicsScene>
#include <QLinearGradient>
#include <QPainter>

#include <array>
#include <charconv>
#include <cmath>
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

// The keys the pictures hold: Option, Command and the Globe key.
constexpr quint16 kOptionKey = 58;
constexpr quint16 kCommandKey = 55;
constexpr quint16 kGlobeKey = 63;

// The three keys a multi-window gesture holds.
QHash<quint16, double> multiWindowKeys(double now) {
    return {{kOptionKey, now}, {kCommandKey, now}, {kGlobeKey, now}};
}

// The tab pictures size their keyboard as a window of their size would, for the page area below
// its header and tab bar.
constexpr qreal kAboveThePageArea = 126;

// A tab picture's page is its own root, and nothing ends a recording or an open picker there.
class PictureHost final : public PageHost {
public:
    QPointF rootPoint(QPointF scenePos) const override { return scenePos; }
    void setModifierPanelFrame(const QRectF&) override {}
    void setRecordingCardFrame(SnapAction, const QRectF&) override {}
    void setAppPickerFrame(const QRectF&) override {}
    void setAppPickerListFrame(const QRectF&) override {}
};

// The store as the environment asks for one tab's picture; what is set stays for the next.
void primeStoreForTab(TilewickStore& store, SnapTab tab, double now) {
    store.setTab(tab);
    if (qEnvironmentVariableIsSet("TILEWICK_RENDER_RECORDING")) {
        const QList<SnapAction>& tabActions = actions(tab);
        store.setRecording(tabActions.isEmpty() ? std::nullopt : std::optional(tabActions.first()));
    }
    if (qEnvironmentVariableIsSet("TILEWICK_RENDER_PRIMED"))
        store.setPressedKeys({{kOptionKey, now}, {kCommandKey, now}});
    if (qEnvironmentVariableIsSet("TILEWICK_RENDER_GLOBE")) {
        QHash<quint16, double> keys = store.pressedKeys();
        keys.insert(kGlobeKey, now);
        store.setPressedKeys(keys);
    }
}

// A tab's page over the drawn keyboard as the window's page area lays them out for a window of
// `window`'s size, padded on every side by the window's side padding, on the page background:
// `window`'s width, and as high as the content. A window narrower than the content shows its
// leading part.
QImage tabPicture(ToolSession& session, HoverTipState& tips, SnapTab tab, QSize window, qreal scale) {
    TilewickStore& store = session.store();
    const qreal pad = MainLayout::forContent(QSizeF(window), true).pad;
    const PageLayout layout =
        PageLayout::forArea(QSizeF(window.width(), window.height() - kAboveThePageArea), pad);
    PictureHost host;
    QGraphicsScene scene;
    auto* page = new TabPage(PageContext{store, session.view(), tips, host}, tab, layout.keyboardWidth);
    // The picker's list drops over the keyboard.
    page->setZValue(1);
    page->setPos(pad, pad);
    scene.addItem(page);
    auto* keyboard = new KeyboardView(
        store, session.view(), tips, [&session] { return session.isoKeyboard(); }, 4,
        windowKeyboardStyle(store));
    keyboard->setWidth(layout.keyboardWidth);
    scene.addItem(keyboard);
    const qreal keyboardTop =
        pad + page->effectiveSizeHint(Qt::PreferredSize).height() + PageLayout::kSpacing;
    keyboard->setPos(pad, keyboardTop + (layout.keyboardHeight - keyboard->metrics().naturalHeight()) / 2);
    // The pages' layouts are posted.
    QCoreApplication::sendPostedEvents();

    const QSizeF size(window.width(),
                      keyboardTop + layout.keyboardHeight + PageLayout::kKeyboardBottom + pad);
    // Opaque: the PNG holds no alpha channel, and is written faster.
    QImage image(QSize(int(std::ceil(size.width() * scale)), int(std::ceil(size.height() * scale))),
                 QImage::Format_RGB32);
    if (image.isNull())
        return image;
    image.setDevicePixelRatio(scale);
    image.fill(Theme::background.resolve(session.view().scheme()));
    QPainter painter(&image);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing |
                           QPainter::SmoothPixmapTransform);
    scene.render(&painter, QRectF(QPointF(), size), QRectF(QPointF(), size));
    return image;
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

std::span<const QSize> tabRenderSizes() {
    static constexpr std::array<QSize, 3> sizes{{{1100, 940}, {1100, 700}, {360, 450}}};
    return sizes;
}

QString tabFileName(SnapTab tab, QSize window, Scheme scheme) {
    return u"%1-%2x%3-%4.png"_s.arg(rawValue(tab))
        .arg(window.width())
        .arg(window.height())
        .arg(schemeName(scheme));
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
    options.isoKeyboard = [&session] { return session.isoKeyboard(); };
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

void renderTabs(ToolSession& session, const QString& folder) {
    if (!writableFolder(folder))
        return;
    TilewickStore& store = session.store();
    HoverTipState tips(session.view());
    {
        PictureWriter writer(session.platform().runtime());
        for (const Scheme scheme : kSchemes) {
            session.selectScheme(scheme);
            for (const SnapTab tab : allSnapTabs()) {
                for (const QSize& window : tabRenderSizes()) {
                    primeStoreForTab(store, tab, session.view().uptime());
                    writer.write(tabPicture(session, tips, tab, window, 2),
                                 inFolder(folder, tabFileName(tab, window, scheme)));
                }
            }
        }
    }
    // The last tab chosen is the one setting the tool leaves behind.
    session.keepSetting(QString::fromLatin1(keys::lastTab));
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
