#pragma once
// Where outside libraries are looked for, and the file name an outside library has here.
#include <QString>
#include <QStringList>

namespace platform {

// The installed program's library folder (where the outside components are installed);
// stands where the Windows directory stood.
QString programLibraryDirectory();
// The system library folder (/usr/lib/<multiarch>); stands for the system directory.
QString systemLibraryDirectory();

// The per-user folder of picture plug-ins, $XDG_DATA_HOME/zelmo32/plugins (by default
// ~/.local/share/zelmo32/plugins); stands where the registry's plug-in folder stood.
QString userPluginDirectory();

// "unlha32.dll" -> "libunlha32.so"; names without ".dll" ("ifgif.spi") stay as they are.
QString outsideLibraryFileName(const QString& windowsName);

// The folders where outside libraries are looked for, in order: the program's own folder,
// the program's library folder, the system library folder. Never the process's current
// directory: code is not taken from wherever the program happens to be started.
QStringList outsideLibraryDirectories();
// Test seam: these folders are searched instead; an empty list restores the real ones.
void setOutsideLibraryDirectoriesOverride(const QStringList& folders);

// The full path of the library in the first of those folders that holds it as a file;
// empty when none does.
QString findOutsideLibrary(const QString& windowsName);

} // namespace platform
