#include "platform/Drives.h"

#include "platform/FsName.h"

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace platform {

namespace {

bool isOctal(char c) {
    return c >= '0' && c <= '7';
}

// Field number `index` (0-based) of each line, unescaped, as file names.
QStringList mountField(const QByteArray& text, int index) {
    QStringList out;
    for (const QByteArray& line : text.split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() <= index || fields.at(index).isEmpty())
            continue;
        out.append(fromFsBytes(unescapeMountField(fields.at(index))));
    }
    return out;
}

QByteArray readProcFile(const char* path) {
    // /proc files report a size of 0, so read until the end instead of trusting it.
    QFile f(QString::fromLatin1(path));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

QString homeDirectory() {
    QByteArray home = qgetenv("HOME");
    if (home.isEmpty()) {
        if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir)
            home = pw->pw_dir;
    }
    return home.isEmpty() ? QString() : normalizeDriveRoot(fromFsBytes(home));
}

bool isVolumeMount(const QString& mountPoint) {
    for (const char* prefix : {"/media/", "/run/media/", "/mnt/"}) {
        if (mountPoint.startsWith(QLatin1String(prefix)))
            return true;
    }
    // A volume mounted right on /mnt is common; /media and /run/media hold only folders.
    return mountPoint == QLatin1String("/mnt");
}

DriveSource& driveSource() {
    static DriveSource source;
    return source;
}

} // namespace

QByteArray unescapeMountField(const QByteArray& field) {
    QByteArray out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && isOctal(field[i + 1]) &&
            isOctal(field[i + 2]) && isOctal(field[i + 3])) {
            out.append(char(((field[i + 1] - '0') << 6) | ((field[i + 2] - '0') << 3) |
                            (field[i + 3] - '0')));
            i += 3;
        } else {
            out.append(field[i]);
        }
    }
    return out;
}

QStringList parseMountInfo(const QByteArray& text) {
    return mountField(text, 4);
}

QStringList parseProcMounts(const QByteArray& text) {
    return mountField(text, 1);
}

QStringList drivesFromMounts(const QStringList& mountPoints, const QString& home) {
    QStringList volumes;
    for (const QString& m : mountPoints) {
        QString root = normalizeDriveRoot(m);
        if (isVolumeMount(root) && !volumes.contains(root))
            volumes.append(root);
    }
    std::sort(volumes.begin(), volumes.end());
    QStringList drives{QStringLiteral("/")};
    if (!home.isEmpty() && !drives.contains(normalizeDriveRoot(home)))
        drives.append(normalizeDriveRoot(home));
    for (const QString& v : volumes) {
        if (!drives.contains(v))
            drives.append(v);
    }
    return drives;
}

QStringList systemDrives() {
    QByteArray info = readProcFile("/proc/self/mountinfo");
    QStringList mounts =
        info.isEmpty() ? parseProcMounts(readProcFile("/proc/mounts")) : parseMountInfo(info);
    return drivesFromMounts(mounts, homeDirectory());
}

QStringList DriveList() {
    const DriveSource& source = driveSource();
    return source ? source() : systemDrives();
}

void SetDriveSource(DriveSource source) {
    driveSource() = std::move(source);
}

QString normalizeDriveRoot(const QString& root) {
    QString r = root;
    while (r.size() > 1 && r.endsWith(QLatin1Char('/')))
        r.chop(1);
    return r;
}

QString driveRootPath(const QString& root) {
    QString r = normalizeDriveRoot(root);
    return r.endsWith(QLatin1Char('/')) ? r : r + QLatin1Char('/');
}

bool pathIsUnder(const QString& path, const QString& root) {
    const QString r = normalizeDriveRoot(root);
    if (r.isEmpty() || !path.startsWith(r))
        return false;
    if (r.endsWith(QLatin1Char('/')) || path.size() == r.size())
        return true;
    return path.at(r.size()) == QLatin1Char('/');
}

QString driveOfPath(const QString& path, const QStringList& roots) {
    QString best;
    for (const QString& root : roots) {
        const QString r = normalizeDriveRoot(root);
        if (pathIsUnder(path, r) && (best.isEmpty() || r.size() > best.size()))
            best = r;
    }
    return best;
}

std::optional<DiskSpace> GetDiskFreeSpace(const QString& root) {
    struct statvfs st {};
    if (::statvfs(toFsBytes(driveRootPath(root)).constData(), &st) != 0)
        return std::nullopt;
    const uint64_t unit = st.f_frsize ? st.f_frsize : st.f_bsize;
    return DiskSpace{uint64_t(st.f_bavail) * unit, uint64_t(st.f_blocks) * unit};
}

bool DriveReady(const QString& root) {
    // Opening the directory checks permission with the file-system identity and fails
    // on a volume that has gone away, unlike access() or a cached stat.
    int fd = ::open(toFsBytes(driveRootPath(root)).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

} // namespace platform
