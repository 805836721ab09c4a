#include "browser/FileOperations.h"

#include "browser/DirTreeViewS.h"
#include "browser/FileListBox.h"
#include "browser/FilePanel.h"
#include "core/BusyCursor.h"
#include "platform/FileProbe.h"
#include "platform/FsName.h"
#include "ui/FileOperationDialogs.h"
#include "ui/MessageDialog.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QSignalBlocker>
#include <QTabWidget>

namespace browser {

using platform::FileOpKind;

namespace {

QString fileNamePart(const QString& path) {
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

// The folder part with its final "/".
QString folderPart(const QString& path) {
    return path.left(path.lastIndexOf(QLatin1Char('/')) + 1);
}

// Something is there, even a link whose target has gone.
bool entryExists(const QString& path) {
    return platform::pathExists(path) || platform::pathIsSymlink(path);
}

QAction* addItem(QMenu* menu, const QString& caption, const char* name, int tag) {
    QAction* item = menu->addAction(caption);
    item->setObjectName(QString::fromLatin1(name));
    item->setData(tag);
    return item;
}

} // namespace

QString OperationCaption(const QString& verb, const QString& path) {
    QString shown = platform::displayName(path);
    shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
    shown.replace(QLatin1Char('\t'), QLatin1Char(' ')); // a tab would start a shortcut text
    return verb + QStringLiteral(" ：") + shown;
}

FileOperations::FileOperations(FilePanel& panel, core::SharedState& state, QWidget* window)
    : QObject(&panel), panel_(panel), state_(state) {
    panel.PopupMenu4 = new QMenu(window);
    panel.PopupMenu4->setObjectName(QStringLiteral("PopupMenu4"));
    Paste1 = addItem(panel.PopupMenu4, QStringLiteral("複 写"), "Paste1", 0);
    IDO = addItem(panel.PopupMenu4, QStringLiteral("移 動"), "IDO", 0);
    connect(panel.PopupMenu4, &QMenu::aboutToShow, this, [this] { PopupMenu4Popup(); });
    connect(Paste1, &QAction::triggered, this, [this] { Paste1Click(); });
    connect(IDO, &QAction::triggered, this, [this] { IDOClick(); });

    panel.PopupMenu5 = new QMenu(window);
    panel.PopupMenu5->setObjectName(QStringLiteral("PopupMenu5"));
    Gomi = addItem(panel.PopupMenu5, QStringLiteral("ごみ箱"), "Gomi", 1);
    Delete1 = addItem(panel.PopupMenu5, QStringLiteral("削除"), "Delete1", 2);
    connect(panel.PopupMenu5, &QMenu::aboutToShow, this, [this] { PopupMenu5Popup(); });
    for (QAction* item : {Gomi, Delete1})
        connect(item, &QAction::triggered, this, [this, item] { GomiClick(item); });
}

bool FileOperations::run(FileOpKind kind, const QString& source, const QString& folder) {
    ui::FileOperationDialogs dialogs(kind, source, folder);
    const platform::FileOpResult result =
        platform::RunFileOperation(kind, source, folder, dialogs.callbacks());
    if (result.outcome == platform::FileOpOutcome::Failed)
        ui::FileOperationDialogs::ShowFailure(result.reason);
    return result.outcome == platform::FileOpOutcome::Done;
}

void FileOperations::showCurrentSheet() {
    const QSignalBlocker block(panel_.PageControl);
    panel_.PageControl->setCurrentWidget(panel_.TabSheet1);
}

// ---- Copy and move -------------------------------------------------------------------

void FileOperations::PopupMenu4Popup() {
    const QString source = state_.SourceFile;
    if (!source.isEmpty() && platform::pathIsFile(source)) {
        Paste1->setText(OperationCaption(QStringLiteral("複 写"), source));
        IDO->setText(OperationCaption(QStringLiteral("移 動"), source));
        // Not into the folder the file is in; a drive root's path already ends in "/".
        const bool elsewhere =
            panel_.DirList2->GetSelectedPath() + QLatin1Char('/') != folderPart(source);
        Paste1->setEnabled(elsewhere);
        IDO->setEnabled(elsewhere);
        return;
    }
    Paste1->setText(QStringLiteral("複 写"));
    IDO->setText(QStringLiteral("移 動"));
    Paste1->setEnabled(false);
    IDO->setEnabled(false);
}

void FileOperations::Paste1Click() {
    if (state_.SourceFile.isEmpty() || state_.TargetDirectory.isEmpty())
        return;
    core::BusyCursor busy;
    const QString source = state_.SourceFile;
    if (!run(FileOpKind::Copy, source, state_.TargetDirectory))
        return;
    panel_.WidenFilterFor(source);
    showCurrentSheet();
    panel_.ListBox1->SetDirectory(panel_.DirList2->GetSelectedPath());
    panel_.ShowListSummary(panel_.ListBox1);
}

void FileOperations::IDOClick() {
    if (state_.SourceFile.isEmpty() || state_.TargetDirectory.isEmpty())
        return;
    core::BusyCursor busy;
    const QString source = state_.SourceFile;
    if (!run(FileOpKind::Move, source, state_.TargetDirectory))
        return; // not done (failed, cancelled or skipped): the lists stay as they are
    state_.SourceFile.clear();
    panel_.SelectImage->clear();
    panel_.WidenFilterFor(state_.SourceFile); // empty: the filter shows all files
    showCurrentSheet();
    panel_.ListBox1->SetDirectory(panel_.DirList2->GetSelectedPath());
    panel_.ShowListSummary(panel_.ListBox1);
    // The moved file's entry in the search result goes, with its size from its record;
    // only when the entry still is that file (a new search may have refilled the list).
    TFileListBoxS* found = panel_.ListBox2;
    const int index = state_.SourceSearchIndex;
    if (state_.SourceFromSearch && index >= 0 && index < found->Count() &&
        found->GetItemPath(index) == source) {
        const int64_t size = found->Record(index)->Size;
        found->DeleteItem(index);
        found->AdjustTotalSize(-size);
        found->AdjustFileCount(-1);
    }
    if (state_.Windows.MeltView && state_.Windows.MeltView->isVisible())
        state_.Windows.MeltView->hide();
}

// ---- Delete ----------------------------------------------------------------------------

void FileOperations::PopupMenu5Popup() {
    const TFileListBoxS* list = panel_.ActiveList();
    const bool selected = list && list->ItemIndex() >= 0;
    Gomi->setEnabled(selected);
    Delete1->setEnabled(selected);
}

void FileOperations::GomiClick(QObject* sender) {
    TFileListBoxS* list = panel_.ActiveList();
    if (!list || list->ItemIndex() < 0)
        return;
    const int index = list->ItemIndex();
    const QString path = list->GetSelectedPath();
    if (!entryExists(path)) {
        ui::MessageBox(QString(),
                       QStringLiteral("現在の表示は、更新前の状態です。\r\n\r\n") +
                           platform::displayName(fileNamePart(path)) +
                           QStringLiteral(" は、確かに削除されています。"),
                       ui::MsgIcon::None, ui::mbOK);
        return;
    }
    const int64_t size = list->Record(index)->Size;
    const auto* item = qobject_cast<const QAction*>(sender);
    const bool forGood = item && item->data().toInt() == 2;
    if (!run(forGood ? FileOpKind::Delete : FileOpKind::Trash, path, QString()))
        return;
    if (index < list->Count() && list->GetItemPath(index) == path)
        list->DeleteItem(index);
    panel_.SelectImage->clear();
    list->AdjustTotalSize(-size);
    list->AdjustFileCount(-1);
    if (list == panel_.ListBox1)
        list->SetDirectory(panel_.DirList2->GetSelectedPath());
    panel_.ShowListSummary(list);
    if (state_.Windows.MeltView && state_.Windows.MeltView->isVisible())
        state_.Windows.MeltView->hide();
}

// ---- Drop onto the tree ----------------------------------------------------------------

void FileOperations::DirList2DragDrop(QObject* source, QPoint pos) {
    auto* from = qobject_cast<TFileListBoxS*>(source);
    if (!from)
        return;
    const bool fromCurrent = panel_.PageControl->currentWidget() == panel_.TabSheet1;
    TFileListBoxS* list = fromCurrent ? panel_.ListBox1 : panel_.ListBox2;
    state_.SourceFile = list->GetSelectedPath();
    if (state_.DropAction == core::daExtract) {
        panel_.ExtractDroppedArchive(fromCurrent, pos);
        return;
    }
    // Copy and move need a file and a folder under the drop point.
    QTreeWidgetItem* node = panel_.DirList2->itemAt(pos);
    if (state_.SourceFile.isEmpty() || !node)
        return;
    state_.TargetDirectory = panel_.DirList2->GetNodePath(node);
    panel_.DirList2->SelectPath(state_.TargetDirectory);
    if (state_.DropAction == core::daCopy) {
        Paste1Click();
        if (from == panel_.ListBox2)
            showCurrentSheet();
    } else {
        IDOClick();
    }
}

} // namespace browser
