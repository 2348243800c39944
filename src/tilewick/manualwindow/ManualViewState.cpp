#include "ManualViewState.h"

#include "tilewick/manual/LinkAddress.h"
#include "tilewick/manual/ManualContent.h"
#include "tilewick/manual/ManualSearch.h"

#include <QPointer>
#include <QStringDecoder>

namespace tilewick {

namespace {

using namespace Qt::StringLiterals;

constexpr QStringView kSearchScheme = u"search:";

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The text with its percent-encoding removed; none when an escape is cut short, is no pair of
// hexadecimal digits, or the bytes are no UTF-8.
std::optional<QString> percentDecoded(QStringView text) {
    const QByteArray bytes = text.toUtf8();
    QByteArray decoded;
    decoded.reserve(bytes.size());
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '%') {
            decoded.append(bytes[i]);
            continue;
        }
        if (i + 2 >= bytes.size())
            return std::nullopt;
        const int high = hexValue(bytes[i + 1]);
        const int low = hexValue(bytes[i + 2]);
        if (high < 0 || low < 0)
            return std::nullopt;
        decoded.append(char(high * 16 + low));
        i += 2;
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString result = utf8.decode(decoded);
    if (utf8.hasError())
        return std::nullopt;
    return result;
}

const QString& firstSection() {
    static const QString id = Manual::sections().isEmpty() ? QString() : Manual::sections().first().id;
    return id;
}

bool isSection(const QString& id) {
    for (const Manual::Section& section : Manual::sections())
        if (section.id == id)
            return true;
    return false;
}

} // namespace

ManualViewState::ManualViewState(ViewServices services, UrlOpener openUrl, QObject* parent)
    : QObject(parent), m_services(std::move(services)), m_openUrl(std::move(openUrl)),
      m_current(firstSection()) {}

double ManualViewState::flashLevel(const QString& id, double now) const {
    if (m_flashed == id)
        return 1;
    if (m_fading == id)
        return m_fade.valueAt(now);
    return 0;
}

void ManualViewState::setQuery(const QString& query) {
    if (query == m_query)
        return;
    m_query = query;
    emit queryChanged();
}

void ManualViewState::setSearching(bool searching) {
    if (searching == m_searching)
        return;
    m_searching = searching;
    emit searchingChanged();
}

void ManualViewState::setCurrent(const QString& section) {
    if (section == m_current)
        return;
    m_current = section;
    emit currentChanged();
}

void ManualViewState::setFlashed(std::optional<QString> anchor) {
    if (anchor == m_flashed)
        return;
    m_flashed = std::move(anchor);
    emit flashedChanged();
}

ManualViewState::LinkResult ManualViewState::openLink(const QString& destination) {
    if (destination.startsWith(kSearchScheme)) {
        setQuery(percentDecoded(QStringView(destination).mid(kSearchScheme.size())).value_or(QString()));
        return LinkResult::Handled;
    }
    const auto address = Manual::parseLinkAddress(destination);
    // Nothing that is no valid address reaches the desktop.
    if (!address)
        return LinkResult::Handled;
    if (address->scheme.isEmpty()) {
        if (address->fragment)
            jump(*address->fragment);
        // A relative address without an anchor names nothing of the manual, and handed to the
        // desktop it would open whatever file of that name the working folder holds.
        return LinkResult::Handled;
    }
    if (m_openUrl)
        m_openUrl(QUrl(destination, QUrl::StrictMode));
    return LinkResult::HandedToSystem;
}

void ManualViewState::jump(const QString& anchor) {
    setQuery(QString());
    setSearching(false);
    const auto section = Manual::anchors().constFind(anchor);
    if (section != Manual::anchors().constEnd()) {
        setCurrent(*section);
        m_heldUntil = m_services.now() + kHold;
    }
    // The document shows again first, so the scroll finds it laid out.
    QPointer<ManualViewState> self(this);
    m_services.runtime().async([self, anchor] {
        if (self)
            self->scrollAndFlash(anchor);
    });
}

void ManualViewState::scrollAndFlash(const QString& anchor) {
    if (m_scroller)
        m_scroller(anchor);
    // Headings are not highlighted.
    if (isSection(anchor))
        return;
    if (m_fading == anchor) {
        m_fading.clear();
        m_fade.set(0);
    }
    setFlashed(anchor);
    QPointer<ManualViewState> self(this);
    m_services.runtime().after(kFlashHold, [self, anchor] {
        // A later jump keeps its own highlight for its whole time.
        if (!self || self->m_flashed != anchor)
            return;
        self->m_fading = anchor;
        self->m_fade.set(1);
        self->m_fade.retarget(0, self->m_services.now(), kFlashFade, Transition::Curve::easeOut);
        self->setFlashed(std::nullopt);
    });
}

void ManualViewState::trackSection(const QHash<QString, double>& tops) {
    if (m_services.now() <= m_heldUntil)
        return;
    const QList<Manual::Section>& sections = Manual::sections();
    for (auto section = sections.crbegin(); section != sections.crend(); ++section) {
        const auto top = tops.constFind(section->id);
        if (top != tops.constEnd() && *top <= kSectionLine) {
            setCurrent(section->id);
            return;
        }
    }
    setCurrent(firstSection());
}

void ManualViewState::submitSearch() {
    const QList<Manual::Entry> results = Manual::search(m_query);
    if (!results.isEmpty())
        jump(results.first().id);
}

void ManualViewState::escape() {
    setQuery(QString());
}

void ManualViewState::clearSearch() {
    setQuery(QString());
    setSearching(true);
}

void ManualViewState::appeared() {
    QPointer<ManualViewState> self(this);
    m_services.runtime().async([self] {
        if (self)
            self->setSearching(true);
    });
}

} // namespace tilewick
