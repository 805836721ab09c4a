#pragma once
// Where the program's own files live: the settings file beside the executable when
// that folder is writable, else in the user's XDG config folder.
#include <QString>

namespace platform {

// Full path of the running executable.
QString executablePath();

// The executable's path with its extension replaced by ext (".INI", ".hlp"); a name
// without an extension gets ext appended ("zelmo32" gives "zelmo32.INI").
QString pathWithExtension(const QString& path, const QString& ext);

// The settings file path, decided anew on each call. Tests point it elsewhere.
QString settingsFilePath();
void setSettingsFilePathOverride(const QString& path); // empty restores the real rule

} // namespace platform
