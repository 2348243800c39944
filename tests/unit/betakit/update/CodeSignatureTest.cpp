#include "betakit/update/CodeSignature.h"

#include "AppFixture.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

namespace {

using betakit::CodeSignature;
using betakit::linkStaysInside;
using betakit::SigningKey;

TEST(LinkStaysInside, OnlyLeadingClimbsWithinTheLinksDepth) {
    const std::vector<std::tuple<QString, QString, bool>> cases{
        {"a/b/link", "c", true},
        {"a/b/link", "../c", true},
        {"a/b/link", "../../c", true},
        {"a/b/link", "../../..", false},
        {"link", ".", true},
        {"link", "./x/./y", true},
        {"link", "..", false},
        {"a/link", "x/../y", false}, // a ".." after a name might follow a link anywhere
        {"a/link", "/etc/passwd", false},
        {"a/link", "", false},
    };
    for (const auto& [link, target, inside] : cases)
        EXPECT_EQ(linkStaysInside(link, target), inside) << qPrintable(link) << " -> " << qPrintable(target);
}

TEST(Ed25519, SignaturesHoldOnlyForTheirMessageAndKey) {
    const SigningKey key = SigningKey::generate();
    ASSERT_EQ(key.publicKey.size(), 32);
    EXPECT_EQ(SigningKey::fromPrivateKey(key.privateKey)->publicKey, key.publicKey);
    const QByteArray signature = key.sign("message");
    EXPECT_TRUE(betakit::verifyEd25519(key.publicKey, "message", signature));
    EXPECT_FALSE(betakit::verifyEd25519(key.publicKey, "messagf", signature));
    EXPECT_FALSE(betakit::verifyEd25519(SigningKey::generate().publicKey, "message", signature));
    EXPECT_FALSE(SigningKey::fromPrivateKey("short").has_value());
}

class CodeSignatureTest : public ::testing::Test {
protected:
    void SetUp() override {
        app = m_dir.filePath("Tilewick.app");
        makeApp(app, "com.corvane.tilewick", "124");
        ASSERT_EQ(CodeSignature::sign(app, developerKey()), "");
    }
    CodeSignature::Requirement requirement() const {
        return {"com.corvane.tilewick", developerKey().publicKey};
    }

    QString app;

private:
    QTemporaryDir m_dir;
};

TEST_F(CodeSignatureTest, ASignedFolderMeetsItsOwnRequirement) {
    EXPECT_EQ(CodeSignature::designatedRequirement(app), requirement());
    EXPECT_EQ(CodeSignature::check(app, requirement()), "");
    EXPECT_EQ(CodeSignature::check(app), "");
}

TEST_F(CodeSignatureTest, AnotherDeveloperOrAnotherApplicationDoesNotMeetIt) {
    EXPECT_EQ(CodeSignature::check(
                  app, CodeSignature::Requirement{"com.corvane.tilewick", SigningKey::generate().publicKey}),
              "the folder is signed by another developer");
    EXPECT_TRUE(
        CodeSignature::check(app, CodeSignature::Requirement{"com.other.app", developerKey().publicKey})
            .contains("another application"));
}

TEST_F(CodeSignatureTest, AnyChangeAfterSigningBreaksIt) {
    const std::vector<std::pair<const char*, std::function<void()>>> changes{
        {"file added", [&] { writeFile(app + "/Contents/Resources/added.txt", "x"); }},
        {"file changed", [&] { writeFile(app + "/Contents/Resources/notes.txt", "Build 125\n"); }},
        {"file removed", [&] { QFile::remove(app + "/Contents/Resources/notes.txt"); }},
        {"mode changed",
         [&] { chmod(QFile::encodeName(app + "/Contents/Resources/notes.txt").constData(), 0666); }},
        {"empty folder added", [&] { QDir().mkpath(app + "/Contents/Plugins"); }},
        {"symlink added inside", [&] { QFile::link("notes.txt", app + "/Contents/Resources/alias"); }},
        {"symlink pointing outside", [&] { QFile::link("/etc/passwd", app + "/Contents/Resources/passwd"); }},
        {"FIFO added", [&] { mkfifo(QFile::encodeName(app + "/Contents/fifo").constData(), 0644); }},
        {"identifier changed",
         [&] {
             QFile plist(app + "/Contents/Info.plist");
             plist.open(QIODevice::ReadOnly);
             const QByteArray text = plist.readAll().replace("com.corvane.tilewick", "com.corvane.other");
             plist.close();
             writeFile(app + "/Contents/Info.plist", text);
         }},
        {"extra file in the signature", [&] { writeFile(app + "/Contents/_CodeSignature/Extra", "x"); }},
        {"signature replaced",
         [&] { writeFile(app + "/Contents/_CodeSignature/CodeSignature", "{\"format\":1}"); }},
    };
    for (const auto& [what, change] : changes) {
        QTemporaryDir dir;
        app = dir.filePath("Tilewick.app");
        makeApp(app, "com.corvane.tilewick", "124");
        ASSERT_EQ(CodeSignature::sign(app, developerKey()), "");
        change();
        EXPECT_NE(CodeSignature::check(app, requirement()), "") << what;
    }
}

TEST_F(CodeSignatureTest, SigningRefusesWhatNoSignedFolderMayHold) {
    QFile::link("/etc/passwd", app + "/Contents/Resources/passwd");
    EXPECT_EQ(CodeSignature::sign(app, developerKey()),
              "Contents/Resources/passwd points outside the folder");
    QFile::remove(app + "/Contents/Resources/passwd");
    mkfifo(QFile::encodeName(app + "/Contents/fifo").constData(), 0644);
    EXPECT_EQ(CodeSignature::sign(app, developerKey()), "Contents/fifo is a device, FIFO or socket");
}

TEST_F(CodeSignatureTest, ANotarisationHoldsForATrustedNotaryAndThisSignatureOnly) {
    const SigningKey notary = SigningKey::generate();
    EXPECT_FALSE(CodeSignature::isNotarized(app, {notary.publicKey}));
    ASSERT_EQ(CodeSignature::notarize(app, notary), "");
    EXPECT_TRUE(CodeSignature::isNotarized(app, {notary.publicKey}));
    EXPECT_FALSE(CodeSignature::isNotarized(app, {SigningKey::generate().publicKey}));
    EXPECT_EQ(CodeSignature::check(app, requirement()), "");

    // A ticket carried over to another build's signature counter-signs nothing there.
    const QByteArray ticket = readFile(app + "/Contents/_CodeSignature/Notarization");
    writeFile(app + "/Contents/Resources/notes.txt", "Build 125\n");
    ASSERT_EQ(CodeSignature::sign(app, developerKey()), "");
    EXPECT_FALSE(CodeSignature::isNotarized(app, {notary.publicKey}));
    writeFile(app + "/Contents/_CodeSignature/Notarization", ticket);
    EXPECT_FALSE(CodeSignature::isNotarized(app, {notary.publicKey}));
}

} // namespace
