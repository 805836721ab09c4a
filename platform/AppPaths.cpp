#include "platform/AppPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
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

QString settingsFilePath() {
    if (!overridePath().isEmpty())
        return overridePath();
    const QString beside = pathWithExtension(executablePath(), QStringLiteral(".INI"));
    const QString dir = QFileInfo(beside).absolutePath();
    const QFileInfo existing(beside);
    const bool usable = existing.exists()
                            ? ::access(QFile::encodeName(beside).constData(), W_OK) == 0
                            : ::access(QFile::encodeName(dir).constData(), W_OK) == 0;
    if (usable)
        return beside;
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty() || !QDir::isAbsolutePath(config))
        config = QDir::homePath() + QStringLiteral("/.config");
    return config + QStringLiteral("/zelmo32/") + QFileInfo(beside).fileName();
}

void setSettingsFilePathOverride(const QString& path) { overridePath() = path; }

} // namespace platform
