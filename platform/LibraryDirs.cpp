#include "platform/LibraryDirs.h"

#include "platform/AppPaths.h"

#include <QDir>
#include <QFileInfo>

#ifndef ZELMO_PROGRAM_LIBDIR
#define ZELMO_PROGRAM_LIBDIR "/usr/local/lib/zelmo32"
#endif
#ifndef ZELMO_SYSTEM_LIBDIR
#define ZELMO_SYSTEM_LIBDIR "/usr/lib"
#endif

namespace platform {

namespace {

QStringList& directoriesOverride() {
    static QStringList folders;
    return folders;
}

} // namespace

QString programLibraryDirectory() {
    return QStringLiteral(ZELMO_PROGRAM_LIBDIR);
}

QString systemLibraryDirectory() {
    return QStringLiteral(ZELMO_SYSTEM_LIBDIR);
}

QString userPluginDirectory() {
    QString data = qEnvironmentVariable("XDG_DATA_HOME");
    if (data.isEmpty() || !QDir::isAbsolutePath(data))
        data = QDir::homePath() + QStringLiteral("/.local/share");
    return data + QStringLiteral("/zelmo32/plugins");
}

QString outsideLibraryFileName(const QString& windowsName) {
    if (windowsName.endsWith(QLatin1String(".dll"), Qt::CaseInsensitive))
        return QStringLiteral("lib") + windowsName.left(windowsName.size() - 4).toLower() +
               QStringLiteral(".so");
    return windowsName;
}

QStringList outsideLibraryDirectories() {
    if (!directoriesOverride().isEmpty())
        return directoriesOverride();
    const QString program = executablePath();
    return {program.isEmpty() ? QString() : QFileInfo(program).absolutePath(),
            programLibraryDirectory(), systemLibraryDirectory()};
}

void setOutsideLibraryDirectoriesOverride(const QStringList& folders) {
    directoriesOverride() = folders;
}

QString findOutsideLibrary(const QString& windowsName) {
    const QString file = outsideLibraryFileName(windowsName);
    for (const QString& dir : outsideLibraryDirectories()) {
        if (!QDir::isAbsolutePath(dir))
            continue; // an unknown folder is never the current directory or the root
        const QString path = dir + QLatin1Char('/') + file;
        if (QFileInfo(path).isFile())
            return path;
    }
    return {};
}

} // namespace platform
