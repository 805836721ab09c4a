#pragma once
// Copying and moving the file clicked last in a list into a folder of the tree (the
// tree's menu with Shift or Ctrl, or a drop onto the tree), and deleting the selected
// file of the active list to the trash or for good (the lists' menu with Shift or Ctrl).
// The work is platform::RunFileOperation's, its questions the dialogs of ui/; the lists
// are brought up to date only when an operation was done.
#include "core/SharedState.h"
#include "platform/FileOperation.h"

#include <QObject>
#include <QPoint>
#include <QString>

class QAction;
class QWidget;

namespace browser {

class FilePanel;
class TFileListBoxS;

class FileOperations : public QObject {
    Q_OBJECT
public:
    // Builds the panel's PopupMenu4 (copy, move) and PopupMenu5 (trash, delete).
    FileOperations(FilePanel& panel, core::SharedState& state, QWidget* window);

    QAction *Paste1 = nullptr, *IDO = nullptr;   // "複 写", "移 動"
    QAction *Gomi = nullptr, *Delete1 = nullptr; // "ごみ箱" (tag 1), "削除" (tag 2)

    void PopupMenu4Popup();
    void Paste1Click(); // copy SourceFile into TargetDirectory
    void IDOClick();    // move SourceFile into TargetDirectory
    void PopupMenu5Popup();
    void GomiClick(QObject* sender); // the item's tag: 2 deletes for good, else the trash
    // A drop onto the tree at pos (viewport coordinates); acts only on drags from a list.
    void DirList2DragDrop(QObject* source, QPoint pos);

private:
    // Runs one operation with its dialogs; a failure is shown. True when it was done.
    bool run(platform::FileOpKind kind, const QString& source, const QString& folder);
    void showCurrentSheet();

    FilePanel& panel_;
    core::SharedState& state_;
};

// The caption of a copy/move item naming the file (a menu shows "&" as a mnemonic).
QString OperationCaption(const QString& verb, const QString& path);

} // namespace browser
