#pragma once
// Extraction of an LZH or ZIP archive dragged from a file list onto a folder of the tree
// (a plain drag, without Ctrl or Shift): checks the file and the libraries, asks, runs the
// library's extraction command, and asks whether to go on, which brings back the folder
// the archive came from or the search result list. While such a series runs the current
// folder's list shows all files, so the extracted ones are seen.
#include "archive/MemberColumns.h"

#include <QPoint>
#include <QString>

namespace core {
struct SharedState;
}

namespace browser {

class FilePanel;

class ArchiveExtraction {
public:
    ArchiveExtraction(FilePanel& panel, core::SharedState& state) : panel_(panel), state_(state) {}

    // Extracts state.SourceFile into the folder of the tree node at dropPoint (the tree's
    // viewport coordinates). fromCurrentDirectory: the file came from the current
    // folder's sheet, else from the search result sheet. The dialogs stand near the
    // mouse cursor as it is now.
    void Run(bool fromCurrentDirectory, QPoint dropPoint);

    static constexpr int kBufferSize = 32000; // the libraries' output buffer

private:
    // The filter on all files, for the current folder's list.
    void ShowAllFiles();
    // The library's extraction into destination; its error box when it fails.
    void Extract(archive::ArchiveKind kind, const QString& destination);
    // Ends the series: all files stay shown, nothing pending.
    void EndSeries();

    FilePanel& panel_;
    core::SharedState& state_;
};

} // namespace browser
