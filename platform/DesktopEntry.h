#pragma once
// Desktop entry files (".desktop"): the few keys needed to start the application they
// describe and to show its icon.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

namespace platform {

struct DesktopEntry {
    QString type; // "Application", "Link", ...
    QString name; // Name= (untranslated)
    QString exec; // Exec= with the value escapes already undone
    QString path; // Path=: the working directory the application wants
    QString icon; // Icon=: a theme name or an absolute path
    QString url;  // URL= of a Link entry
    bool terminal = false;
};

// Reads the [Desktop Entry] group; nothing when there is none.
std::optional<DesktopEntry> parseDesktopEntry(const QByteArray& content);

// The argument vector of Exec= (program first) with the field codes expanded: %f / %u
// take the first of files, %F / %U all of them, %i the icon, %c the name, %k the entry
// file's own path, %% a percent sign; deprecated codes vanish. Nothing when Exec= is
// empty or its quoting is broken.
std::optional<QStringList> expandDesktopExec(const DesktopEntry& entry, const QStringList& files,
                                             const QString& entryFile);

} // namespace platform
