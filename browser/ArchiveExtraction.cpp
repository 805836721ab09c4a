// Extraction of an archive dropped onto a folder of the tree.
#include "browser/ArchiveExtraction.h"

#include "archive/LzhBinding.h"
#include "archive/TMeltView.h"
#include "archive/ZipBinding.h"
#include "browser/ArchiveExtractionText.h"
#include "browser/DirTreeViewS.h"
#include "browser/FileListBox.h"
#include "browser/FilePanel.h"
#include "browser/FilePanelText.h"
#include "core/BusyCursor.h"
#include "core/SharedState.h"
#include "platform/FsName.h"
#include "ui/MessageDialog.h"

#include <QComboBox>
#include <QCursor>
#include <QScopeGuard>
#include <QSignalBlocker>
#include <QTabWidget>
#include <vector>

namespace browser {

void FilePanel::ExtractDroppedArchive(bool fromCurrentDirectory, QPoint dropPoint) {
    ArchiveExtraction(*this, state_).Run(fromCurrentDirectory, dropPoint);
}

namespace {

void showSheet(FilePanel& panel, QWidget* sheet) {
    const QSignalBlocker block(panel.PageControl);
    panel.PageControl->setCurrentWidget(sheet);
}

} // namespace

void ArchiveExtraction::Run(bool fromCurrentDirectory, QPoint dropPoint) {
    const QString source = state_.SourceFile;
    const QString fileName = source.mid(source.lastIndexOf(QLatin1Char('/')) + 1);
    const QString name = platform::displayName(fileName);
    const archive::ArchiveKind kind = archive::ArchiveKindOf(fileName);
    const QPoint cursor = QCursor::pos();

    if (kind == archive::ArchiveKind::None) {
        ui::MessageDlg(NotAnArchiveText(name), ui::MsgDlgType::Confirmation, ui::mbOK,
                       cursor + QPoint(1, 1));
        return;
    }
    // Either kind needs both libraries.
    if (!state_.UnlhaAvailable || !state_.UnzipAvailable) {
        ui::MessageDlg(state_.UnlhaAvailable ? MissingUnzipText() : MissingUnlhaText(),
                       ui::MsgDlgType::Warning, ui::mbOK, cursor + QPoint(1, 1));
        return;
    }

    showSheet(panel_, panel_.TabSheet1);
    state_.ExtractionPending = true;
    if (panel_.FilterComboBox1->currentData().toString() != QLatin1String("*.*"))
        ShowAllFiles();
    // Where the archive was (the folder the current list shows), before the tree moves.
    const QString start = panel_.DirList2->GetSelectedPath();
    // The drop's folder becomes the current one, and its list is shown.
    QTreeWidgetItem* node = panel_.DirList2->itemAt(dropPoint);
    const QString destination = panel_.DirList2->GetNodePath(node);
    if (node)
        panel_.DirList2->SelectNode(node);
    else
        panel_.DirList2->SelectPath(destination);

    if (ui::MessageDlg(ConfirmExtractionText(name, platform::displayName(destination)),
                       ui::MsgDlgType::Information, ui::mbYes | ui::mbNo,
                       cursor + QPoint(5, 5)) != ui::MsgResult::Yes) {
        EndSeries();
        return;
    }
    {
        // The tree learns of new folders however the extraction ends; an error raised on
        // the way skips the question below.
        const auto rebuild = qScopeGuard([this] { panel_.DirList2->Rebuild(); });
        Extract(kind, destination);
    }

    const QPoint at = cursor + QPoint(3, 3);
    const QString question = fromCurrentDirectory
                                 ? ContinueFromFolderText(platform::displayName(start))
                                 : ContinueFromSearchText();
    if (ui::MessageDlg(question, ui::MsgDlgType::Information, ui::mbYes | ui::mbNo, at) !=
        ui::MsgResult::Yes) {
        EndSeries();
        return;
    }
    // Go on: back where the next archive may be dragged from.
    if (!fromCurrentDirectory)
        showSheet(panel_, panel_.TabSheet2);
    else if (!start.isEmpty())
        panel_.DirList2->SelectPath(start);
}

void ArchiveExtraction::Extract(archive::ArchiveKind kind, const QString& destination) {
    const QString source = state_.SourceFile;
    std::vector<char> output(kBufferSize); // not read
    core::BusyCursor busy;
    if (kind == archive::ArchiveKind::Lzh) {
        // A member of this archive with a name from the root (listed or viewed last in the
        // archive window) asks for the members without their folders.
        const auto* view = qobject_cast<const TMeltView*>(state_.Windows.MeltView.data());
        const QByteArray command = ExtractionCommand(
            kind, LzhVerb(view != nullptr, view ? view->LastMemberName : QString()), source,
            destination);
        const int result =
            archive::Lzh().Unlha(nullptr, command.constData(), output.data(), kBufferSize);
        busy.restore();
        if (result != 0)
            ui::MessageBox(LzhFailedCaption(), LzhFailedText(platform::displayName(source)),
                           ui::MsgIcon::Error, ui::mbOK);
        return;
    }
    const QByteArray command = ExtractionCommand(kind, QByteArray(), source, destination);
    const int result =
        archive::Zip().Unzip(nullptr, command.constData(), output.data(), kBufferSize);
    busy.restore();
    if (result != 0)
        ui::MessageBox(ZipFailedCaption(), ZipFailedText(), ui::MsgIcon::Error, ui::mbOK);
}

void ArchiveExtraction::ShowAllFiles() {
    {
        const QSignalBlocker block(panel_.FilterComboBox1);
        panel_.FilterComboBox1->setCurrentIndex(kAllFilesIndex);
    }
    panel_.ListBox1->SetMask(panel_.FilterComboBox1->currentData().toString());
}

void ArchiveExtraction::EndSeries() {
    ShowAllFiles();
    state_.ExtractionPending = false;
}

} // namespace browser
