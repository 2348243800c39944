#include "platform/EnvironmentKeyboard.h"
#include "platform/sim/SimKeyboard.h"
#include "platform/sim/SimPlatform.h"
#include "platform/x11/X11Keyboard.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QtGlobal>

namespace {

// Restores the variable whatever the test did.
class EnvironmentKeyboardTest : public ::testing::Test {
protected:
    void SetUp() override { m_saved = qgetenv(platform::EnvironmentKeyboard::kVariable); }
    void TearDown() override {
        if (m_saved.isNull())
            qunsetenv(platform::EnvironmentKeyboard::kVariable);
        else
            qputenv(platform::EnvironmentKeyboard::kVariable, m_saved);
    }

private:
    QByteArray m_saved;
};

TEST_F(EnvironmentKeyboardTest, IsoOnlyWhenTheVariableSaysSoAndReadAfreshEachTime) {
    platform::EnvironmentKeyboard keyboard;
    qunsetenv(platform::EnvironmentKeyboard::kVariable);
    EXPECT_FALSE(keyboard.isISO());
    qputenv(platform::EnvironmentKeyboard::kVariable, QByteArray(" iso "));
    EXPECT_TRUE(keyboard.isISO());
    for (const char* other : {"ANSI", "JIS", "", "isox"}) {
        qputenv(platform::EnvironmentKeyboard::kVariable, QByteArray(other));
        EXPECT_FALSE(keyboard.isISO()) << other;
    }
    qputenv(platform::EnvironmentKeyboard::kVariable, QByteArray("ISO"));
    EXPECT_TRUE(keyboard.isISO());
}

// The PC models of ISO keyboards; everything else, JIS and Brazilian ABNT2 included, is ANSI.
TEST(X11Keyboard, IsoModelsArePc102AndPc105AndTheirVariants) {
    using platform::x11::X11Keyboard;
    for (const char* iso : {"pc105", "pc102", "pc105+inet", "pc102-compat"})
        EXPECT_TRUE(X11Keyboard::isIsoModel(QString::fromLatin1(iso))) << iso;
    for (const char* other : {"pc104", "pc101", "pc86", "jp106", "abnt2", "macintosh", "", "xpc105"})
        EXPECT_FALSE(X11Keyboard::isIsoModel(QString::fromLatin1(other))) << other;
}

// A 105-key model is taken as ISO only with a first layout other than US, the distributions' default.
TEST(X11Keyboard, IsoKeyboardsNeedAnIsoModelAndANonUsFirstLayout) {
    using platform::x11::X11Keyboard;
    EXPECT_TRUE(X11Keyboard::isIsoKeyboard(u"pc105", u"gb"));
    EXPECT_TRUE(X11Keyboard::isIsoKeyboard(u"pc105", u"de,us"));
    EXPECT_FALSE(X11Keyboard::isIsoKeyboard(u"pc105", u"us"));
    EXPECT_FALSE(X11Keyboard::isIsoKeyboard(u"pc105", u"us,de"));
    EXPECT_FALSE(X11Keyboard::isIsoKeyboard(u"pc105", u""));
    EXPECT_FALSE(X11Keyboard::isIsoKeyboard(u"pc104", u"gb"));
}

// A set variable wins over the model, without asking the X server.
TEST_F(EnvironmentKeyboardTest, TheVariableOverridesTheXkbModel) {
    const platform::x11::X11Keyboard keyboard(nullptr);
    qputenv(platform::EnvironmentKeyboard::kVariable, QByteArray("ISO"));
    EXPECT_TRUE(keyboard.isISO());
    qputenv(platform::EnvironmentKeyboard::kVariable, QByteArray("ANSI"));
    EXPECT_FALSE(keyboard.isISO());
}

} // namespace

namespace {

TEST(SimKeyboard, TheSimPlatformsKeyboardIsSettable) {
    auto sim = platform::sim::makeSimPlatform();
    auto& keyboard = sim->service<platform::Keyboard>();
    EXPECT_FALSE(keyboard.isISO());
    sim->service<platform::sim::SimKeyboard>().setISO(true);
    EXPECT_TRUE(keyboard.isISO());
}

} // namespace
