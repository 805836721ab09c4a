#pragma once
// Where outside libraries are looked for, and the file name an outside library has here.
#include <QString>

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

// The first of: the current directory, the program's library folder, the system library
// folder, that holds the library; empty when none does.
QString findOutsideLibrary(const QString& windowsName);

} // namespace platform
