#include "support/StoreTest.h"

#include "tilewick/store/AppSnapStorage.h"
#include "tilewick/store/SettingsKeys.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

using namespace tilewick;

const AppSnap kAtlas{"org.atlas", "Atlas", SnapAction::leftHalf, false, "UUID-STUDIO", "Studio"};
const AppSnap kNotes{"org.notes", "Notes", SnapAction::maximize, false, {}, {}};
const AppSnap kTerm{"org.term", "Term", SnapAction::topLeftQuarter, true, {}, {}};

QByteArray json(const char* text) {
    return QByteArray(text);
}

TEST(AppSnapCoding, RoundTripWritesDisplayKeysOnlyWhenPresent) {
    const QByteArray data = encodeAppSnaps({kAtlas, kNotes, kTerm});
    const auto decoded = decodeAppSnaps(data);
    EXPECT_FALSE(decoded.damaged);
    EXPECT_EQ(decoded.snaps, (QList<AppSnap>{kAtlas, kNotes, kTerm}));

    const QJsonArray array = QJsonDocument::fromJson(data).array();
    ASSERT_EQ(array.size(), 3);
    EXPECT_EQ(array[0].toObject().keys(),
              (QStringList{"action", "bundleID", "displayID", "displayName", "multiWindow", "name"}));
    EXPECT_EQ(array[0].toObject().value("action").toString(), QStringLiteral("leftHalf"));
    EXPECT_EQ(array[1].toObject().keys(), (QStringList{"action", "bundleID", "multiWindow", "name"}));
}

TEST(AppSnapCoding, AbsentOrNullDisplayAndUnknownKeysAreFine) {
    const auto decoded = decodeAppSnaps(json(
        R"([{"bundleID":"org.notes","name":"Notes","action":"maximize","multiWindow":false,"displayID":null,)"
        R"("displayName":null,"colour":"teal"}])"));
    EXPECT_FALSE(decoded.damaged);
    EXPECT_EQ(decoded.snaps, QList<AppSnap>{kNotes});
}

TEST(AppSnapCoding, EachUnreadableEntryIsLeftOutAndTheRestKept) {
    const char* good = R"({"bundleID":"org.notes","name":"Notes","action":"maximize","multiWindow":false})";
    const struct {
        const char* name;
        const char* bad;
    } cases[] = {
        {"action naming no action",
         R"({"bundleID":"a","name":"A","action":"leftHalves","multiWindow":false})"},
        {"action in other case", R"({"bundleID":"a","name":"A","action":"LeftHalf","multiWindow":false})"},
        {"missing name", R"({"bundleID":"a","action":"leftHalf","multiWindow":false})"},
        {"missing multiWindow", R"({"bundleID":"a","name":"A","action":"leftHalf"})"},
        {"multiWindow as text", R"({"bundleID":"a","name":"A","action":"leftHalf","multiWindow":"true"})"},
        {"bundleID as number", R"({"bundleID":7,"name":"A","action":"leftHalf","multiWindow":false})"},
        {"displayID as number",
         R"({"bundleID":"a","name":"A","action":"leftHalf","multiWindow":false,"displayID":3})"},
        {"no object", R"("org.atlas")"},
    };
    for (const auto& c : cases) {
        const QByteArray data = QByteArray("[") + good + "," + c.bad + "," + good + "]";
        const auto decoded = decodeAppSnaps(data);
        EXPECT_TRUE(decoded.damaged) << c.name;
        EXPECT_EQ(decoded.snaps, (QList<AppSnap>{kNotes, kNotes})) << c.name;
    }
}

TEST(AppSnapCoding, AValueThatIsNoArrayYieldsNothing) {
    for (const char* data : {"", "{", "{}", "null", "[{\"bundleID\":", "\xff\xfe"}) {
        const auto decoded = decodeAppSnaps(json(data));
        EXPECT_TRUE(decoded.damaged) << data;
        EXPECT_TRUE(decoded.snaps.isEmpty()) << data;
    }
    EXPECT_FALSE(decodeAppSnaps("[]").damaged);
}

// The store keeping its snaps in the defaults, as the program does.
class AppSnapDefaultsTest : public StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        appSnapStorage.reset();
    }
};

TEST_F(AppSnapDefaultsTest, SnapsAreLoadedAtStartAndEverySetSavesThem) {
    defaults().set(keys::appSnaps, encodeAppSnaps({kAtlas, kNotes}));
    auto& store = makeStore();
    EXPECT_EQ(store.appSnaps(), (QList<AppSnap>{kAtlas, kNotes}));
    EXPECT_FALSE(defaults().contains(keys::unreadableAppSnaps));

    store.setAppSnaps({kTerm});
    EXPECT_EQ(decodeAppSnaps(*defaults().dataValue(keys::appSnaps)).snaps, QList<AppSnap>{kTerm});
}

TEST_F(AppSnapDefaultsTest, OneBadEntryKeepsTheOthersAndTheStoredValue) {
    const QByteArray stored =
        R"([{"bundleID":"org.notes","name":"Notes","action":"maximize","multiWindow":false},)"
        R"({"bundleID":"org.gone","name":"Gone","action":"leftQuarter","multiWindow":false}])";
    defaults().set(keys::appSnaps, stored);
    auto& store = makeStore();
    EXPECT_EQ(store.appSnaps(), QList<AppSnap>{kNotes});
    EXPECT_EQ(defaults().dataValue(keys::unreadableAppSnaps), stored);

    // The first save replaces "appSnaps" but never what was kept.
    store.setAppSnaps({kNotes, kAtlas});
    EXPECT_EQ(decodeAppSnaps(*defaults().dataValue(keys::appSnaps)).snaps, (QList<AppSnap>{kNotes, kAtlas}));
    EXPECT_EQ(defaults().dataValue(keys::unreadableAppSnaps), stored);
}

TEST_F(AppSnapDefaultsTest, AValueOfAnotherTypeIsKeptAsItWas) {
    defaults().set(keys::appSnaps, QStringLiteral("[]"));
    auto& store = makeStore();
    EXPECT_TRUE(store.appSnaps().isEmpty());
    EXPECT_EQ(defaults().stringValue(keys::unreadableAppSnaps), QStringLiteral("[]"));
}

TEST_F(AppSnapDefaultsTest, NothingStoredIsNoSnapsAndNothingKept) {
    auto& store = makeStore();
    EXPECT_TRUE(store.appSnaps().isEmpty());
    EXPECT_FALSE(defaults().contains(keys::appSnaps));
    EXPECT_FALSE(defaults().contains(keys::unreadableAppSnaps));
}

} // namespace
