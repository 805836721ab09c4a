#pragma once
// Where the program's own files live: the settings file beside the executable when it
// is the user's, else in the user's XDG config folder.
#include <QString>
#include <sys/types.h>

namespace platform {

// Full path of the running executable.
QString executablePath();

// The executable's path with its extension replaced by ext (".INI", ".hlp"); a name
// without an extension gets ext appended ("zelmo32" gives "zelmo32.INI").
QString pathWithExtension(const QString& path, const QString& ext);

// The settings file path, decided anew on each call. Tests point it elsewhere.
QString settingsFilePath();
void setSettingsFilePathOverride(const QString& path); // empty restores the real rule

// The rule behind settingsFilePath(): beside (the executable's path with ".INI") when
// that file is owned by uid, read-only or not, or when it does not exist and this
// process may create files in its folder; otherwise configHome + "/zelmo32/" + its
// file name. An installed program in a system folder, or a file another user left
// beside it, leads to the XDG file. So does any program whose folder is installFolder
// (the folder a package installs it in), whoever runs it: root may write there, but
// that folder belongs to the package, and a file left in it would be every user's.
QString chooseSettingsFile(const QString& beside, const QString& configHome, uid_t uid,
                           const QString& installFolder = QString());
// $XDG_CONFIG_HOME when set to an absolute path, else ~/.config.
QString configHome();

} // namespace platform
