#pragma once
// What a click on a launcher slot does, what a drop onto a slot registers and what a
// drop of files from other programs starts: decided here without widgets, carried out
// by the main window.
#include "launcher/SelectionSource.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

class QMimeData;

namespace launcher {

struct ShellRequest {
    QString file, parameters, directory;
    bool operator==(const ShellRequest&) const = default;
};

struct SlotClickAction {
    enum Kind {
        Start,            // start request
        RegisterAndStart, // register path by the click rule, then start request
    };
    Kind kind = Start;
    QString registerPath; // RegisterAndStart: the path given to the click rule
    ShellRequest request;
    bool reportNotFound = false; // results 2 and 3 show the not-found message
};

// The parameter file handed to a started entry: the active list's selection, when the
// viewer is open and the selection is not a program (".EXE").
std::optional<QString> ParameterFile(bool viewerOpen, const SelectionSource* selection);

// The slot click for entry (empty: the slot is unregistered). entryIsFile: the entry
// names an existing file, not a folder (asked only with the viewer closed).
SlotClickAction DecideSlotClick(const QString& entry, bool viewerOpen,
                                const SelectionSource* selection, bool entryIsFile);

// The path a drop onto a slot registers, by where the drag came from; none: nothing.
std::optional<QString> DropPath(DragSourceKind kind, const SelectionSource* selection);

// Files dropped from other programs (text/uri-list), local files only, in their order,
// with their names' own bytes kept.
QStringList DroppedLocalFiles(const QMimeData* mime);
// How a dropped file is started: with its own folder as working directory.
ShellRequest DroppedFileRequest(const QString& path);

} // namespace launcher
