#pragma once

#include "betakit/update/CodeSignature.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>

#include <vector>

// A zip archive written byte by byte, so tests can put in it what no honest tool would: names with
// "..", absolute names, links out, devices, declared sizes that lie.
class ZipWriter {
public:
    enum class Compression { Stored, Deflated };

    void folder(const QByteArray& path, int mode = 0755);
    void file(const QByteArray& path, const QByteArray& data, int mode = 0644,
              Compression compression = Compression::Stored, qint64 declaredSize = -1);
    void link(const QByteArray& path, const QByteArray& target);
    // An entry with any type and mode bits (a FIFO: 0010644).
    void entry(const QByteArray& path, unsigned fullMode, const QByteArray& data);
    // Every file, folder and symlink below `folder`, named from the folder itself ("Tilewick.app/…"),
    // under `prefix` (a folder path ending in "/", or empty).
    void addTree(const QString& top, const QByteArray& prefix = {});

    QByteArray bytes() const;
    bool write(const QString& path) const;

private:
    struct Entry {
        QByteArray path;
        unsigned mode;
        QByteArray data;
        Compression compression;
        qint64 declaredSize;
    };
    std::vector<Entry> m_entries;
};

// An application folder for tests: Contents/Info.plist with `identifier` and `build` (written as
// given, blanks included), Contents/bin/Tilewick (a shell script that appends its folder's build to
// `launchLog` when given) and a resource.
void makeApp(const QString& app, const QString& identifier, const QString& build,
             const QString& launchLog = {});
void writeFile(const QString& path, const QByteArray& data, int mode = 0644);
QByteArray readFile(const QString& path);
// Every path below `folder` with its type, mode and content: two equal listings mean nothing changed.
QStringList listing(const QString& folder);

// While it lives, the swap script's `sleep` records each wait in <folder>/polls and waits 10 ms
// instead of the script's 100 ms: PATH begins with a folder holding that `sleep`.
class QuickSleep {
public:
    explicit QuickSleep(const QString& folder);
    ~QuickSleep();
    int polls() const;

private:
    QString m_folder;
    QByteArray m_path;
};

// Waits, polling the disk, for work of another process (the swap script) that has no designed
// delay of ours; false after 10 s.
bool waitForOutside(const std::function<bool()>& done);

// A child process that lives until it is ended (and reaped), for the swap script to wait for.
class LivingProcess {
public:
    LivingProcess();
    ~LivingProcess();
    qint64 pid() const;
    void end();

private:
    std::unique_ptr<class QProcess> m_process;
};

// The developer key a fixture's builds are signed with, and the notary key the built
// application's `spctl` trusts.
const betakit::SigningKey& developerKey();
const betakit::SigningKey& buildNotaryKey();
