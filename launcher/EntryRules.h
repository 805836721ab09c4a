#pragma once
// The rules that decide, for an entry on a launcher slot, which picture and hint it
// shows and which texts the registration menu and the removal question use. Pure
// logic: the main window applies the decisions to its controls.
#include <QString>

namespace launcher {

// The extension of the file name (from its last dot, dot included), upper-cased;
// empty when the name has no dot.
QString ExtensionKey(const QString& path);
// The same cut to its first four characters (".JPEG" counts as ".JPE").
QString ExtensionKey4(const QString& path);
// The file name part of a path (after the last "/").
QString EntryFileName(const QString& path);
// path made absolute against the current directory; a trailing "/" (a drive root)
// is kept.
QString FullPath(const QString& path);

// The ways an entry gets its picture.
enum class PictureRule { StartUpFile, StartUpMissing, Drop, Click, Menu, LastLaunched };

struct PictureChoice {
    enum Kind {
        Bitmap,   // the file itself as the picture, stretched to 32 x 32
        IconFile, // the icon file's own image
        Extract,  // the first icon of iconSource, else the resource fallback
        Resource  // one of the program's own pictures
    };
    Kind kind = Resource;
    QString file;     // Bitmap, IconFile: the entry; Extract: the icon source
    QString resource; // Resource: its name; Extract: the picture when no icon is found
};

// The picture of an entry by rule. StartUpFile is for an entry that names an existing
// file (not a folder), StartUpMissing for any other entry at start-up. Shortcuts
// (".LNK") are resolved here for the rules that resolve them.
PictureChoice ChoosePicture(PictureRule rule, const QString& entry);

// The hint of an entry registered by rule (not for LastLaunched, see LastLaunchedHint).
QString EntryHint(PictureRule rule, const QString& entry);
QString LastLaunchedHint(const QString& path);
QString UnregisteredHint(int slot); // "未登録 " and slot + 1
QString RemovedHint(int slot);      // "解除後 " and slot + 1

// Caption of registration menu item slot + 1 for the slot's entry.
QString RegistrationCaption(int slot, const QString& entry);

// The question asked before an entry is removed.
QString RemovalQuestion(const QString& entry);

// The message shown when a slot's entry cannot be found.
QString NotFoundMessage(const QString& entry);

// Settings file section and key of an entry.
QString PageSection(int page); // "Page" and page + 1
QString SlotKey(int slot);     // "BPFileName" and slot

} // namespace launcher
