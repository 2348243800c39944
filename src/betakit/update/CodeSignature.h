#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace betakit {

// An Ed25519 key pair as raw bytes: the 32-byte private key and the 32-byte public key.
struct SigningKey {
    QByteArray privateKey;
    QByteArray publicKey;

    static SigningKey generate();
    // The pair of a 32-byte private key; none for anything else.
    static std::optional<SigningKey> fromPrivateKey(const QByteArray& privateKey);
    QByteArray sign(const QByteArray& message) const;
};
bool verifyEd25519(const QByteArray& publicKey, const QByteArray& message, const QByteArray& signature);

// The CFBundleIdentifier text of an application folder's Contents/Info.plist; empty when it has none.
QString bundleIdentifier(const QString& app);

// Whether a symlink at `linkPath` (relative to the folder that holds everything) with `target`
// resolves inside that folder, whatever the other links inside it point at: the target is relative,
// and its ".." components all come first and climb no higher than the link's own folder's depth.
bool linkStaysInside(const QString& linkPath, const QString& target);

// The code signature of an application folder.
//
// <app>/Contents/_CodeSignature/ holds three files:
// - "CodeResources": the manifest, compact JSON of the bundle identifier and every entry of the
//   folder but this one, sorted by path: folders with their mode, files with their mode and SHA-256,
//   symlinks with their target;
// - "CodeSignature": the signer's Ed25519 public key and its signature over the manifest's bytes;
// - "Notarization" (optional): the notary's public key and its counter-signature over the signer,
//   the manifest's digest and the signature.
//
// A folder is valid when the signature holds and a fresh manifest of the folder is byte for byte the
// signed one: every entry listed and matching, nothing unlisted, at any depth; no symlink pointing
// out of the folder, no device, FIFO or socket, nothing else in _CodeSignature. Its designated
// requirement is its bundle identifier and its signer's key: a new build must meet the installed
// one's.
class CodeSignature {
public:
    CodeSignature() = delete;

    struct Requirement {
        QString identifier;
        QByteArray signer;

        friend bool operator==(const Requirement&, const Requirement&) = default;
    };

    // The requirement of a signed folder (its manifest's identifier and signer, the signature over
    // the manifest holding); none when it is not signed.
    static std::optional<Requirement> designatedRequirement(const QString& app);
    // Empty when `app` is validly signed (and meets `requirement` when one is given); otherwise
    // what is wrong, in words.
    static QString check(const QString& app, const std::optional<Requirement>& requirement = std::nullopt);
    // Signs the folder as it is now, dropping a notarisation ticket. Empty, or why it could not.
    static QString sign(const QString& app, const SigningKey& key);
    // Counter-signs a signed folder's signature. Empty, or why it could not.
    static QString notarize(const QString& app, const SigningKey& notary);
    // Whether a ticket by one of the `trusted` notaries counter-signs the folder's signature as it
    // stands (the folder's validity is check()'s business).
    static bool isNotarized(const QString& app, const QList<QByteArray>& trusted);

    static constexpr const char* kFolder = "Contents/_CodeSignature";
};

} // namespace betakit
