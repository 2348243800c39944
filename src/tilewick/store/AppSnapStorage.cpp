#include "AppSnapStorage.h"

#include "SettingsKeys.h"

#include "platform/Defaults.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtDebug>

namespace tilewick {

namespace {

const QString kBundleID = QStringLiteral("bundleID");
const QString kName = QStringLiteral("name");
const QString kAction = QStringLiteral("action");
const QString kMultiWindow = QStringLiteral("multiWindow");
const QString kDisplayID = QStringLiteral("displayID");
const QString kDisplayName = QStringLiteral("displayName");

// An optional text: absent or null is none; any other type is unreadable (nullopt outside).
std::optional<std::optional<QString>> optionalText(const QJsonObject& object, const QString& key) {
    const QJsonValue value = object.value(key);
    if (value.isUndefined() || value.isNull())
        return std::optional<QString>();
    if (!value.isString())
        return std::nullopt;
    return std::optional<QString>(value.toString());
}

std::optional<AppSnap> decodeSnap(const QJsonValue& value) {
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject object = value.toObject();
    const QJsonValue bundleID = object.value(kBundleID);
    const QJsonValue name = object.value(kName);
    const QJsonValue action = object.value(kAction);
    const QJsonValue multiWindow = object.value(kMultiWindow);
    if (!bundleID.isString() || !name.isString() || !action.isString() || !multiWindow.isBool())
        return std::nullopt;
    const auto parsedAction = snapActionFromRaw(action.toString());
    const auto displayID = optionalText(object, kDisplayID);
    const auto displayName = optionalText(object, kDisplayName);
    if (!parsedAction || !displayID || !displayName)
        return std::nullopt;
    return AppSnap{bundleID.toString(),  name.toString(), *parsedAction,
                   multiWindow.toBool(), *displayID,      *displayName};
}

} // namespace

QByteArray encodeAppSnaps(const QList<AppSnap>& snaps) {
    QJsonArray array;
    for (const AppSnap& snap : snaps) {
        QJsonObject object{{kBundleID, snap.bundleID},
                           {kName, snap.name},
                           {kAction, rawValue(snap.action)},
                           {kMultiWindow, snap.multiWindow}};
        if (snap.displayID)
            object.insert(kDisplayID, *snap.displayID);
        if (snap.displayName)
            object.insert(kDisplayName, *snap.displayName);
        array.append(object);
    }
    return QJsonDocument(array).toJson(QJsonDocument::Compact);
}

DecodedAppSnaps decodeAppSnaps(const QByteArray& data) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(data, &error);
    if (error.error != QJsonParseError::NoError || !document.isArray())
        return {{}, true};
    DecodedAppSnaps decoded;
    for (const QJsonValue& value : document.array()) {
        if (auto snap = decodeSnap(value))
            decoded.snaps.append(*snap);
        else
            decoded.damaged = true;
    }
    return decoded;
}

QList<AppSnap> DefaultsAppSnapStorage::load() {
    const auto stored = m_defaults.value(QLatin1String(keys::appSnaps));
    if (!stored)
        return {};
    const auto* data = std::get_if<QByteArray>(&*stored);
    DecodedAppSnaps decoded = data ? decodeAppSnaps(*data) : DecodedAppSnaps{{}, true};
    // One bad entry must not cost the user every other snap, nor vanish without a trace: the whole
    // stored value stays under a key of its own, where the next save cannot reach it.
    if (decoded.damaged) {
        qWarning("Tilewick: %lld of the stored Default App Snaps could be read; what was stored is kept "
                 "under \"%s\"",
                 static_cast<long long>(decoded.snaps.size()), keys::unreadableAppSnaps);
        m_defaults.set(QLatin1String(keys::unreadableAppSnaps), *stored);
    }
    return decoded.snaps;
}

void DefaultsAppSnapStorage::save(const QList<AppSnap>& snaps) {
    m_defaults.set(QLatin1String(keys::appSnaps), encodeAppSnaps(snaps));
}

} // namespace tilewick
