#include "platform/EnvironmentKeyboard.h"
#include "platform/sim/SimKeyboard.h"
#include "platform/sim/SimPlatform.h"

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
