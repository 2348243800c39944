#include "AppFixture.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QThread>
#include <QtEndian>

#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

namespace {

void put16(QByteArray& out, quint16 value) {
    char bytes[2];
    qToLittleEndian(value, bytes);
    out.append(bytes, 2);
}
void put32(QByteArray& out, quint32 value) {
    char bytes[4];
    qToLittleEndian(value, bytes);
    out.append(bytes, 4);
}

QByteArray rawDeflate(const QByteArray& data) {
    z_stream stream{};
    deflateInit2(&stream, 9, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    QByteArray out(int(deflateBound(&stream, uLong(data.size()))), Qt::Uninitialized);
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.constData()));
    stream.avail_in = uInt(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = uInt(out.size());
    deflate(&stream, Z_FINISH);
    out.truncate(qsizetype(stream.total_out));
    deflateEnd(&stream);
    return out;
}

QByteArray linkTarget(const QString& path) {
    QByteArray target(4096, Qt::Uninitialized);
    const ssize_t n = readlink(QFile::encodeName(path).constData(), target.data(), size_t(target.size()));
    return target.left(n < 0 ? 0 : n);
}

} // namespace

void ZipWriter::folder(const QByteArray& path, int mode) {
    m_entries.push_back(
        {path.endsWith('/') ? path : path + '/', unsigned(S_IFDIR | mode), {}, Compression::Stored, -1});
}

void ZipWriter::file(const QByteArray& path, const QByteArray& data, int mode, Compression compression,
                     qint64 declaredSize) {
    m_entries.push_back({path, unsigned(S_IFREG | mode), data, compression, declaredSize});
}

void ZipWriter::link(const QByteArray& path, const QByteArray& target) {
    m_entries.push_back({path, unsigned(S_IFLNK | 0777), target, Compression::Stored, -1});
}

void ZipWriter::entry(const QByteArray& path, unsigned fullMode, const QByteArray& data) {
    m_entries.push_back({path, fullMode, data, Compression::Stored, -1});
}

void ZipWriter::addTree(const QString& top, const QByteArray& prefix) {
    const QDir base = QFileInfo(top).absoluteDir();
    QStringList paths{QFileInfo(top).absoluteFilePath()};
    QDirIterator it(top, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        paths.append(it.next());
    paths.sort();
    for (const QString& path : paths) {
        const QByteArray name = prefix + QFile::encodeName(base.relativeFilePath(path));
        struct stat info;
        lstat(QFile::encodeName(path).constData(), &info);
        if (S_ISLNK(info.st_mode))
            link(name, linkTarget(path));
        else if (S_ISDIR(info.st_mode))
            folder(name, int(info.st_mode & 07777));
        else
            file(name, readFile(path), int(info.st_mode & 07777));
    }
}

QByteArray ZipWriter::bytes() const {
    QByteArray out;
    QByteArray central;
    for (const Entry& e : m_entries) {
        const bool deflated = e.compression == Compression::Deflated;
        const QByteArray stored = deflated ? rawDeflate(e.data) : e.data;
        const quint32 crc =
            quint32(crc32(0, reinterpret_cast<const Bytef*>(e.data.constData()), uInt(e.data.size())));
        const quint32 size = quint32(e.declaredSize >= 0 ? e.declaredSize : e.data.size());
        const quint32 offset = quint32(out.size());
        const auto header = [&](QByteArray& to, bool isCentral) {
            put32(to, isCentral ? 0x02014b50 : 0x04034b50);
            if (isCentral)
                put16(to, (3 << 8) | 20); // made on Unix
            put16(to, 20);
            put16(to, 0x0800); // UTF-8 names
            put16(to, deflated ? 8 : 0);
            put16(to, 0);
            put16(to, 0x21);
            put32(to, crc);
            put32(to, quint32(stored.size()));
            put32(to, size);
            put16(to, quint16(e.path.size()));
            put16(to, 0);
            if (isCentral) {
                put16(to, 0);
                put16(to, 0);
                put16(to, 0);
                put32(to, e.mode << 16);
                put32(to, offset);
            }
            to.append(e.path);
        };
        header(out, false);
        out.append(stored);
        header(central, true);
    }
    const quint32 centralOffset = quint32(out.size());
    out.append(central);
    put32(out, 0x06054b50);
    put16(out, 0);
    put16(out, 0);
    put16(out, quint16(m_entries.size()));
    put16(out, quint16(m_entries.size()));
    put32(out, quint32(central.size()));
    put32(out, centralOffset);
    put16(out, 0);
    return out;
}

bool ZipWriter::write(const QString& path) const {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes()) >= 0;
}

void writeFile(const QString& path, const QByteArray& data, int mode) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(data);
    file.close();
    chmod(QFile::encodeName(path).constData(), mode_t(mode));
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void makeApp(const QString& app, const QString& identifier, const QString& build, const QString& launchLog) {
    QDir().mkpath(app + "/Contents/bin");
    QDir().mkpath(app + "/Contents/Resources");
    chmod(QFile::encodeName(app).constData(), 0755);
    chmod(QFile::encodeName(app + "/Contents").constData(), 0755);
    chmod(QFile::encodeName(app + "/Contents/bin").constData(), 0755);
    chmod(QFile::encodeName(app + "/Contents/Resources").constData(), 0755);
    writeFile(app + "/Contents/Info.plist",
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n"
              "\t<key>CFBundleIdentifier</key>\n\t<string>" +
                  identifier.toUtf8() + "</string>\n\t<key>CFBundleVersion</key>\n\t<string>" +
                  build.toUtf8() + "</string>\n</dict>\n</plist>\n");
    const QByteArray log = launchLog.isEmpty() ? QByteArray("/dev/null") : QFile::encodeName(launchLog);
    writeFile(app + "/Contents/bin/Tilewick",
              "#!/bin/sh\necho \"launched " + build.toUtf8() + " from $(dirname \"$0\")\" >> '" + log + "'\n",
              0755);
    writeFile(app + "/Contents/Resources/notes.txt", "Build " + build.toUtf8() + "\n");
}

QStringList listing(const QString& folder) {
    QStringList lines;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        struct stat info;
        lstat(QFile::encodeName(path).constData(), &info);
        QString line = QDir(folder).relativeFilePath(path) + QString(" %1").arg(info.st_mode, 0, 8);
        if (S_ISLNK(info.st_mode))
            line += " -> " + QString::fromUtf8(linkTarget(path));
        else if (S_ISREG(info.st_mode))
            line += " " + QString::fromLatin1(readFile(path).toHex().left(64));
        lines.append(line);
    }
    lines.sort();
    return lines;
}

const betakit::SigningKey& developerKey() {
    static const betakit::SigningKey key = betakit::SigningKey::generate();
    return key;
}

const betakit::SigningKey& buildNotaryKey() {
    static const betakit::SigningKey key = *betakit::SigningKey::fromPrivateKey(
        QByteArray::fromHex(readFile(TILEWICK_SIGNING_DIR "/notary.key").trimmed()));
    return key;
}

QuickSleep::QuickSleep(const QString& folder) : m_folder(folder), m_path(qgetenv("PATH")) {
    QFile::remove(folder + "/polls");
    writeFile(folder + "/sleep",
              "#!/bin/sh\necho poll >> '" + QFile::encodeName(folder) + "/polls'\nexec /bin/sleep 0.01\n",
              0755);
    qputenv("PATH", QFile::encodeName(folder) + ":" + m_path);
}

QuickSleep::~QuickSleep() {
    qputenv("PATH", m_path);
}

int QuickSleep::polls() const {
    return int(readFile(m_folder + "/polls").count('\n'));
}

bool waitForOutside(const std::function<bool()>& done) {
    QDeadlineTimer deadline(10000);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(5);
    }
    return true;
}

LivingProcess::LivingProcess() : m_process(std::make_unique<QProcess>()) {
    m_process->start("/bin/cat", {});
    m_process->waitForStarted();
}

LivingProcess::~LivingProcess() {
    end();
}

qint64 LivingProcess::pid() const {
    return m_process->processId();
}

void LivingProcess::end() {
    if (m_process->state() == QProcess::NotRunning)
        return;
    m_process->kill();
    m_process->waitForFinished();
}
