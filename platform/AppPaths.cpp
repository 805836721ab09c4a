#include "platform/AppPaths.h"
#include "platform/SafeWrite.h"

#include "platform/FsName.h"
#include "platform/LibraryDirs.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {
QString& overridePath() {
    static QString path;
    return path;
}
} // namespace

QString executablePath() {
    QString p = QCoreApplication::instance() ? QCoreApplication::applicationFilePath() : QString();
    if (p.isEmpty())
        p = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    return p;
}

QString pathWithExtension(const QString& path, const QString& ext) {
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    if (dot > slash + 1)
        return path.left(dot) + ext;
    return path + ext;
}

namespace {
// Whether two folders are one, links resolved; a missing folder is no folder.
bool sameFolder(const QString& a, const QString& b) {
    struct stat sa {};
    struct stat sb {};
    return ::stat(toFsBytes(a).constData(), &sa) == 0 &&
           ::stat(toFsBytes(b).constData(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}
} // namespace

QString chooseSettingsFile(const QString& beside, const QString& configHome, uid_t uid,
                           const QString& installFolder) {
    const QByteArray file = toFsBytes(beside);
    const qsizetype slash = beside.lastIndexOf(QLatin1Char('/'));
    const QString folder = slash > 0 ? beside.left(slash) : QStringLiteral("/");
    struct stat st {};
    struct stat link {};
    struct stat folderSt {};
    if (!installFolder.isEmpty() && sameFolder(folder, installFolder)) {
        // The package's folder: never the user's, even for root.
    } else if (::lstat(file.constData(), &link) == 0 && S_ISLNK(link.st_mode) &&
               ::stat(toFsBytes(folder).constData(), &folderSt) == 0 &&
               !mayFollowLink(link, folderSt, uid)) {
        // A link someone else left in a shared folder: not where our settings go.
    } else if (::stat(file.constData(), &st) == 0) {
        // The user's own file, even read-only (a failed write is then reported). A file
        // of another user is left alone, writable or not: each write replaces the file,
        // which would take it from its owner.
        if (st.st_uid == uid)
            return beside;
    } else if (errno == ENOENT) {
        const QByteArray dir = toFsBytes(folder);
        struct stat dst {};
        if (::stat(dir.constData(), &dst) == 0 && S_ISDIR(dst.st_mode) &&
            ::eaccess(dir.constData(), W_OK | X_OK) == 0)
            return beside;
    }
    return configHome + QStringLiteral("/zelmo32/") +
           beside.mid(beside.lastIndexOf(QLatin1Char('/')) + 1);
}

QString configHome() {
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty() || !QDir::isAbsolutePath(config))
        config = QDir::homePath() + QStringLiteral("/.config");
    return config;
}

QString settingsFilePath() {
    if (!overridePath().isEmpty())
        return overridePath();
    return chooseSettingsFile(pathWithExtension(executablePath(), QStringLiteral(".INI")),
                              configHome(), ::geteuid(), programLibraryDirectory());
}

void setSettingsFilePathOverride(const QString& path) {
    overridePath() = path;
}

} // namespace platform
