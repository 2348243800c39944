#include "UpdateView.h"

#include "FeedFetch.h"

#include "platform/drawing/RoundedRect.h"

#include <QBoxLayout>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>

#include <algorithm>
#include <cmath>

namespace betakit {

namespace {

using Case = UpdateModel::Stage::Case;

KitText* mutedText(const QString& text, const SchemeSource& scheme, int weight = 340,
                   BKColor color = bkMuted) {
    return new KitText(text, bkFont(13, weight), color, scheme);
}

// The download's line: one line, its digits in cells of the widest digit's width, so the
// changing numbers do not make the text jitter.
class ProgressText final : public KitText {
public:
    ProgressText(const QString& text, SchemeSource scheme)
        : KitText(text, bkFont(13, 340), bkMuted, scheme), m_scheme(std::move(scheme)) {
        setWordWrap(false);
    }

    QSize sizeHint() const override {
        const QFontMetricsF metrics(font());
        qreal width = 0;
        for (const QChar c : plainText())
            width += c.isDigit() ? digitCell() : metrics.horizontalAdvance(c);
        return {int(std::ceil(width)), int(std::ceil(metrics.height()))};
    }
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setFont(font());
        painter.setPen(color().resolve(schemeOf(m_scheme)));
        const QFontMetricsF metrics(font());
        const qreal cell = digitCell();
        qreal x = 0;
        for (const QChar c : plainText()) {
            const qreal advance = metrics.horizontalAdvance(c);
            const qreal width = c.isDigit() ? cell : advance;
            painter.drawText(QPointF(x + (width - advance) / 2, metrics.ascent()), QString(c));
            x += width;
        }
    }

private:
    qreal digitCell() const {
        const QFontMetricsF metrics(font());
        qreal widest = 0;
        for (char digit = '0'; digit <= '9'; ++digit)
            widest = std::max(widest, metrics.horizontalAdvance(QChar(digit)));
        return widest;
    }

    SchemeSource m_scheme;
};

// The download's bar: `value` of `total` in the accent on a track of the line colour.
class ProgressBar final : public QWidget {
public:
    static constexpr int kHeight = 6;

    explicit ProgressBar(SchemeSource scheme) : m_scheme(std::move(scheme)) {
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        setFixedHeight(kHeight);
    }

    void setProgress(double value, double total) {
        m_fraction = total > 0 ? std::clamp(value / total, 0.0, 1.0) : 0.0;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        const Scheme scheme = schemeOf(m_scheme);
        const QRectF track(rect());
        const qreal radius = track.height() / 2;
        painter.setBrush(bkLine.resolve(scheme));
        painter.drawRoundedRect(track, radius, radius);
        if (m_fraction <= 0)
            return;
        QRectF filled = track;
        filled.setWidth(std::max(track.width() * m_fraction, track.height()));
        painter.setBrush(bkAccent.resolve(scheme));
        painter.drawRoundedRect(filled, radius, radius);
    }

private:
    SchemeSource m_scheme;
    double m_fraction = 0;
};

// The application's icon, stretched to its square.
class IconView final : public QWidget {
public:
    static constexpr int kSide = 48;

    explicit IconView(QIcon icon) : m_icon(std::move(icon)) { setFixedSize(kSide, kSide); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        m_icon.paint(&painter, rect());
    }

private:
    QIcon m_icon;
};

// One change of a release: an accent dot whose bottom sits 3 points above the text's first
// baseline, then the text, wrapping.
class ChangeRow final : public QWidget {
public:
    static constexpr qreal kDot = 5;
    static constexpr int kSpacing = 8;

    ChangeRow(const QString& text, SchemeSource scheme) : m_scheme(scheme) {
        auto* layout = new QHBoxLayout(this);
        layout->setContentsMargins(int(kDot) + kSpacing, 0, 0, 0);
        m_text = new KitText(text, bkFont(13, 340), bkText, std::move(scheme));
        layout->addWidget(m_text);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(bkAccent.resolve(schemeOf(m_scheme)));
        const qreal bottom =
            m_text->y() + m_text->contentsRect().top() + QFontMetricsF(m_text->font()).ascent() - 3;
        painter.drawEllipse(QRectF(0, bottom - kDot, kDot, kDot));
    }

private:
    SchemeSource m_scheme;
    KitText* m_text;
};

// The releases newer than the installed build in a scrolling list, inside a box with a line
// inside its edge. The box shows also when the list is empty.
KitBox* releaseList(const std::vector<UpdateFeed::Release>& releases, const SchemeSource& scheme) {
    auto* box = new KitBox(12, bkSurface, scheme);
    auto* outer = new QVBoxLayout(box);
    outer->setContentsMargins(1, 1, 1, 1);
    auto* scroll = new QScrollArea;
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setFocusPolicy(Qt::NoFocus);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The box shows through the list.
    QPalette clear = scroll->palette();
    clear.setColor(QPalette::Window, Qt::transparent);
    clear.setColor(QPalette::Base, Qt::transparent);
    scroll->setPalette(clear);
    scroll->viewport()->setAutoFillBackground(false);
    auto* list = new QWidget;
    list->setAutoFillBackground(false);
    auto* entries = new QVBoxLayout(list);
    entries->setContentsMargins(14 - 1, 14 - 1, 14 - 1, 14 - 1);
    entries->setSpacing(16);
    for (const UpdateFeed::Release& release : releases) {
        auto* entry = new QVBoxLayout;
        entry->setSpacing(6);
        entry->addWidget(
            new KitText(release.version + QStringLiteral(" changes:"), bkFont(13, 600), bkText, scheme));
        for (const QString& change : release.changes)
            entry->addWidget(new ChangeRow(change, scheme));
        entries->addLayout(entry);
    }
    entries->addStretch(1);
    scroll->setWidget(list);
    outer->addWidget(scroll);
    return box;
}

} // namespace

UpdateView::UpdateView(UpdateModel& model, std::function<void()> close, UpdateViewServices services,
                       QWidget* parent)
    : QWidget(parent), m_model(model), m_close(std::move(close)), m_services(std::move(services)) {
    setFocusPolicy(Qt::StrongFocus);
    const SchemeSource& scheme = m_services.kit.scheme;

    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(0);

    m_content = new QVBoxLayout;
    m_content->setContentsMargins(24, 24, 24, 24);
    m_content->setSpacing(18);
    auto* header = new QHBoxLayout;
    header->setSpacing(14);
    header->addWidget(new IconView(m_services.icon), 0, Qt::AlignVCenter);
    auto* headings = new QVBoxLayout;
    headings->setSpacing(6);
    QFont kickerFont = bkFont(11, 500);
    kickerFont.setLetterSpacing(QFont::AbsoluteSpacing, 1.1);
    auto* kicker = new KitText(QStringLiteral("BETA UPDATE"), kickerFont, bkAccent, scheme);
    kicker->setWordWrap(false);
    headings->addWidget(kicker);
    QFont titleFont = bkFont(20, 517);
    titleFont.setLetterSpacing(QFont::AbsoluteSpacing, -0.4);
    m_title = new KitText(QString(), titleFont, bkText, scheme);
    headings->addWidget(m_title);
    header->addLayout(headings, 1);
    m_content->addLayout(header);
    root->addLayout(m_content, 1);

    root->addWidget(new KitRule(scheme));
    m_bar = new QWidget;
    m_barLayout = new QHBoxLayout(m_bar);
    m_barLayout->setContentsMargins(24, 14, 24, 14);
    m_barLayout->setSpacing(10);
    m_barLayout->addStretch(1);
    root->addWidget(m_bar);

    connect(&m_model, &UpdateModel::stageChanged, this, &UpdateView::rebuild);
    rebuild();
}

QString UpdateView::bodyText(const UpdateModel::Stage& stage, const QString& appName, const QString& version,
                             const QString& systemName) {
    switch (stage.kind()) {
    case Case::Available:
        return appName + u' ' + stage.feed()->latest.version + QStringLiteral(" is ready. You have ") +
               version + u'.';
    case Case::UpToDate:
        if (stage.ahead())
            return QStringLiteral("This build, ") + version +
                   QStringLiteral(", is newer than the latest public beta, ") + stage.text() + u'.';
        return appName + u' ' + version + QStringLiteral(" is the newest beta.");
    case Case::TooOld:
        return QStringLiteral("The newest ") + appName + QStringLiteral(" beta needs ") + systemName + u' ' +
               stage.text() + QStringLiteral(" or later. You can keep using this one.");
    case Case::CouldNotCheck:
        return stage.text();
    case Case::Failed:
        return stage.text() + QStringLiteral(" Your current ") + appName + QStringLiteral(" hasn’t changed.");
    case Case::Downloading:
        return QStringLiteral("Downloading ") + appName + QStringLiteral("… ") +
               progressText(stage.received(), stage.total());
    case Case::Checking:
        return QString();
    case Case::Installing:
        return QStringLiteral("Checking the new build and installing it. ") + appName +
               QStringLiteral(" will reopen by itself.");
    }
    return QString();
}

QImage UpdateView::picture(UpdateModel& model, UpdateViewServices services, QSize size) {
    UpdateView view(
        model, [] {}, std::move(services));
    view.resize(size);
    view.layout()->activate();
    return view.grab().toImage();
}

UpdateView::Role UpdateView::roleOf(const BKButton* button) const {
    const auto index = m_buttons.indexOf(const_cast<BKButton*>(button));
    return index < 0 ? Role::Plain : m_roles[index];
}

BKButton* UpdateView::buttonWithRole(Role role) const {
    const auto index = m_roles.indexOf(role);
    return index < 0 ? nullptr : m_buttons[index];
}

void UpdateView::addButton(const QString& title, Role role, std::function<void()> action) {
    const BKButton::Style style = role == Role::Default ? BKButton::Style(BKPrimaryButtonStyle{})
                                                        : BKButton::Style(BKSecondaryButtonStyle{});
    auto* button = new BKButton(style, ButtonLabel{title}, m_services.kit.scheme);
    button->setFocusPolicy(Qt::NoFocus);
    connect(button, &QAbstractButton::clicked, this, [action = std::move(action)] { action(); });
    m_barLayout->addWidget(button);
    m_buttons.append(button);
    m_roles.append(role);
}

QWidget* UpdateView::makeBody(const UpdateModel::Stage& stage) {
    const SchemeSource& scheme = m_services.kit.scheme;
    const BetaConfiguration& config = m_model.config();
    const InstalledVersion installed = installedVersion(config);
    const QString text = bodyText(stage, config.appName, installed.version, m_services.systemName);

    auto* body = new QWidget;
    auto* layout = new QVBoxLayout(body);
    layout->setContentsMargins(0, 0, 0, 0);
    switch (stage.kind()) {
    case Case::Available: {
        layout->setSpacing(12);
        layout->addWidget(mutedText(text, scheme));
        layout->addWidget(mutedText(QStringLiteral("Changes since last update:"), scheme, 500, bkText));
        const auto releases =
            installed.build ? stage.feed()->changes(*installed.build) : std::vector<UpdateFeed::Release>();
        layout->addWidget(releaseList(releases, scheme), 1);
        return body;
    }
    case Case::Downloading: {
        layout->setSpacing(8);
        m_progressText = new ProgressText(text, scheme);
        layout->addWidget(m_progressText);
        m_progressBar = new ProgressBar(scheme);
        layout->addWidget(m_progressBar);
        showProgress(stage);
        break;
    }
    case Case::Checking:
        layout->addWidget(new KitSpinner(m_services.kit), 0, Qt::AlignLeft);
        break;
    case Case::Installing: {
        auto* row = new QHBoxLayout;
        row->setSpacing(10);
        row->addWidget(new KitSpinner(m_services.kit), 0, Qt::AlignVCenter);
        row->addWidget(mutedText(text, scheme), 1, Qt::AlignVCenter);
        layout->addLayout(row);
        break;
    }
    default:
        layout->addWidget(mutedText(text, scheme));
        break;
    }
    layout->addStretch(1);
    return body;
}

void UpdateView::showProgress(const UpdateModel::Stage& stage) {
    const BetaConfiguration& config = m_model.config();
    if (m_progressText) {
        m_progressText->setPlainText(bodyText(stage, config.appName, QString(), QString()));
        m_progressText->updateGeometry();
    }
    if (auto* bar = static_cast<ProgressBar*>(m_progressBar.data()))
        bar->setProgress(double(std::min(stage.received(), stage.total())),
                         double(std::max<qint64>(stage.total(), 1)));
}

void UpdateView::rebuild() {
    const UpdateModel::Stage& stage = m_model.stage();
    if (m_shown && m_shown->kind() == Case::Downloading && stage.kind() == Case::Downloading) {
        m_shown = stage;
        showProgress(stage);
        return;
    }
    if (m_shown == stage)
        return;
    m_shown = stage;
    m_title->setPlainText(m_model.title());

    // A button may be the one whose click changed the stage: the old ones go once it has returned.
    for (BKButton* button : std::as_const(m_buttons)) {
        button->hide();
        button->deleteLater();
    }
    m_buttons.clear();
    m_roles.clear();
    if (m_body) {
        m_body->hide();
        m_content->removeWidget(m_body);
        m_body->deleteLater();
    }
    m_body = makeBody(stage);
    m_content->addWidget(m_body, 1);

    UpdateModel* model = &m_model;
    const auto close = [this] {
        if (m_close)
            m_close();
    };
    switch (stage.kind()) {
    case Case::Available: {
        const UpdateFeed feed = *stage.feed();
        addButton(QStringLiteral("Not Now"), Role::Cancel, close);
        addButton(QStringLiteral("Download"), Role::Default, [model, feed] { model->startDownload(feed); });
        break;
    }
    case Case::UpToDate:
    case Case::TooOld:
    case Case::Checking:
        addButton(QStringLiteral("Close"), Role::Default, close);
        break;
    case Case::CouldNotCheck:
        addButton(QStringLiteral("Close"), Role::Cancel, close);
        addButton(QStringLiteral("Try Again"), Role::Default, [model] { model->runCheck(); });
        break;
    case Case::Downloading:
        addButton(QStringLiteral("Cancel"), Role::Cancel, [model] { model->cancelTask(); });
        break;
    case Case::Failed:
        addButton(QStringLiteral("Close"), Role::Cancel, close);
        if (const auto& feed = stage.feed()) {
            const QUrl url = feed->latest.url;
            addButton(QStringLiteral("Download from the Website"), Role::Default, [this, url, close] {
                if (m_services.openUrl)
                    m_services.openUrl(url);
                close();
            });
        }
        break;
    case Case::Installing:
        break;
    }
    update();
}

void UpdateView::keyPressEvent(QKeyEvent* event) {
    Role role = Role::Plain;
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier)
        role = Role::Cancel;
    else if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
             (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier)
        role = Role::Default;
    BKButton* button = role == Role::Plain ? nullptr : buttonWithRole(role);
    if (!button) {
        QWidget::keyPressEvent(event);
        return;
    }
    button->click();
}

void UpdateView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), bkBackground.resolve(m_services.kit.now()));
}

} // namespace betakit
