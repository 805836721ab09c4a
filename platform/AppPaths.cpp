#include "platform/AppPaths.h"

#include "platform/FsName.h"

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

QString chooseSettingsFile(const QString& beside, const QString& configHome, uid_t uid) {
    const QByteArray file = toFsBytes(beside);
    struct stat st {};
    if (::stat(file.constData(), &st) == 0) {
        // The user's own file, even read-only (a failed write is then reported). A file
        // of another user is left alone, writable or not: each write replaces the file,
        // which would take it from its owner.
        if (st.st_uid == uid)
            return beside;
    } else if (errno == ENOENT) {
        const qsizetype slash = beside.lastIndexOf(QLatin1Char('/'));
        const QByteArray dir = toFsBytes(slash > 0 ? beside.left(slash) : QStringLiteral("/"));
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
                              configHome(), ::geteuid());
}

void setSettingsFilePathOverride(const QString& path) {
    overridePath() = path;
}

} // namespace platform
