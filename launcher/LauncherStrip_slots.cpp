// Slot handlers of the launcher pages. The same handlers serve all 154 slots: the slot
// is the sender's tag, the page the notebook's current page. The decisions live in
// launcher/EntryRules and launcher/LaunchRules; here they meet the controls.
#include "launcher/LauncherStrip.h"

#include "core/BusyCursor.h"
#include "core/SettingsFile.h"
#include "core/SharedState.h"
#include "launcher/EntryRules.h"
#include "launcher/LaunchRules.h"
#include "launcher/SelectionSource.h"
#include "launcher/SlotControls.h"
#include "launcher/SlotPicture.h"
#include "platform/Errors.h"
#include "platform/FileProbe.h"
#include "platform/Shell.h"
#include "ui/MessageDialog.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QPalette>
#include <QScopeGuard>

namespace launcher {

namespace {
QColor ButtonFace() {
    return QApplication::palette().color(QPalette::Button);
}
} // namespace

void LauncherStrip::ShowSlotPicture(SlotImage* image, const PictureChoice& choice) {
    const QImage picture = SlotPicture(choice, TmpImage, ButtonFace(), image->devicePixelRatioF());
    image->setPicture(QPixmap::fromImage(picture), choice);
}

void LauncherStrip::ShowNoIconPicture(SlotImage* image) {
    ShowSlotPicture(image, {PictureChoice::Resource, QString(), QStringLiteral("USAGI")});
}

void LauncherStrip::RemakeSlotPictures() {
    for (const auto& page : SlotImages)
        for (SlotImage* image : page) {
            if (!image || !image->madeFrom())
                continue;
            try {
                ShowSlotPicture(image, *image->madeFrom());
            } catch (const EZelmoError&) {
                // A file that cannot be read now keeps the picture made from it before.
            }
        }
}

void LauncherStrip::RegisterOnSlot(int slot, PictureRule rule, const QString& path,
                                   QAction* menuItem) {
    const int page = PageIndex();
    if (!EntryTable::IsValid(page, slot))
        return;
    const QString full = FullPath(path);
    SlotImage* image = SlotImages[page][slot];
    // An unreadable picture raises here, before anything of the entry has changed.
    ShowSlotPicture(image, ChoosePicture(rule, full));
    image->setToolTip(full);
    Entries.set(page, slot, full);
    if (menuItem)
        menuItem->setText(menuItem->text() + QStringLiteral("  ") + full);
    SettingsFile ini;
    Entries.Record(ini, page, slot, full);
}

void LauncherStrip::ShowStartupEntry(int page, int slot) {
    if (!EntryTable::IsValid(page, slot))
        return;
    const QString& entry = Entries.at(page, slot);
    if (entry.isEmpty())
        return;
    const PictureRule rule =
        platform::pathIsFile(entry) ? PictureRule::StartUpFile : PictureRule::StartUpMissing;
    SlotImage* image = SlotImages[page][slot];
    try {
        ShowSlotPicture(image, ChoosePicture(rule, entry));
    } catch (const EZelmoError&) {
        // A damaged picture file must not cut start-up short: it shows as "no icon".
        ShowNoIconPicture(image);
    }
    image->setToolTip(EntryHint(rule, entry));
}

void LauncherStrip::BP3SPiClick(QObject* sender) {
    const QPoint cursor = QCursor::pos();
    core::BusyCursor wait;
    const int slot = SlotTag(sender);
    const int page = PageIndex();
    if (!EntryTable::IsValid(page, slot))
        return;
    const QString entry = Entries.at(page, slot);
    const bool entryIsFile = !entry.isEmpty() && !state_.ViewerOpen && platform::pathIsFile(entry);
    const SlotClickAction action =
        DecideSlotClick(entry, state_.ViewerOpen, Selection, entryIsFile);
    if (action.kind == SlotClickAction::RegisterAndStart)
        RegisterOnSlot(slot, PictureRule::Click, action.registerPath, nullptr);
    const int result = platform::ShellStart(action.request.file, action.request.parameters,
                                            action.request.directory, platform::SW_SHOW);
    if (!action.reportNotFound ||
        (result != platform::kShellFileNotFound && result != platform::kShellPathNotFound))
        return;
    // The box gets the normal cursor, as a system message box would.
    wait.restore();
    ui::MessageBox(QString(), NotFoundMessage(entry), ui::MsgIcon::Question, ui::mbOK,
                   cursor + QPoint(10, 10));
}

ShellRequest LauncherStrip::PlannedSlotClick(int slot) const {
    const int page = PageIndex();
    if (!EntryTable::IsValid(page, slot))
        return {};
    const QString entry = Entries.at(page, slot);
    const bool entryIsFile = !entry.isEmpty() && !state_.ViewerOpen && platform::pathIsFile(entry);
    return DecideSlotClick(entry, state_.ViewerOpen, Selection, entryIsFile).request;
}

void LauncherStrip::BP3SPiMouseDown(QObject* /*sender*/, Qt::MouseButton button, QPoint /*pos*/) {
    // Enabled images take the release of this press, even with the viewer closed.
    if (button == Qt::RightButton)
        SetSlotImagesEnabled(true);
}

void LauncherStrip::BP3SPiMouseUp(QObject* sender, Qt::MouseButton button, QPoint /*pos*/) {
    if (button != Qt::RightButton)
        return;
    // Whatever happens below, the images go back to the viewer's state.
    const auto restore = qScopeGuard([this] {
        if (!state_.ViewerOpen)
            SetSlotImagesEnabled(false);
    });
    const int slot = SlotTag(sender);
    const int page = PageIndex();
    if (!EntryTable::IsValid(page, slot) || Entries.at(page, slot).isEmpty())
        return;
    const QString entry = Entries.at(page, slot);
    if (ui::MessageBox(QString(), RemovalQuestion(entry), ui::MsgIcon::Question,
                       ui::mbYes | ui::mbNo) != ui::MsgResult::Yes)
        return;
    Entries.set(page, slot, QString());
    SlotImage* image = SlotImages[page][slot];
    image->setToolTip(RemovedHint(slot));
    image->setPicture(QPixmap());
    SettingsFile ini;
    Entries.Record(ini, page, slot, QString());
}

bool LauncherStrip::BP3SPiDragOver(QObject* /*sender*/, QObject* source) {
    return Selection && Selection->dragSourceKind(source) != DragSourceKind::Other;
}

void LauncherStrip::BP3SPiDragDrop(QObject* sender, QObject* source) {
    if (!Selection)
        return;
    const auto path = DropPath(Selection->dragSourceKind(source), Selection);
    if (!path)
        return;
    try {
        RegisterOnSlot(SlotTag(sender), PictureRule::Drop, *path, nullptr);
    } catch (const std::exception&) {
        // A drop that cannot be recorded is dropped quietly; what was done stays.
    }
}

void LauncherStrip::Button1Click(QObject* sender) {
    auto* item = qobject_cast<QAction*>(sender);
    if (!item || !Selection)
        return;
    const auto file = Selection->selectedFile();
    if (!file)
        return;
    RegisterOnSlot(item->data().toInt() - 1, PictureRule::Menu, *file, item);
}

void LauncherStrip::RebuildRegistrationCaptions() {
    const int page = PageIndex();
    if (page < 0 || page >= kPages)
        return;
    for (int k = 0; k < kSlots; ++k)
        ButtonItems[k]->setText(RegistrationCaption(k, Entries.at(page, k)));
}

void LauncherStrip::ShowLastLaunched(const QString& path) {
    const int page = PageIndex();
    if (page >= 0 && page < kPages) {
        const int slot = kSlots - 1;
        SlotImage* image = SlotImages[page][slot];
        try {
            ShowSlotPicture(image, ChoosePicture(PictureRule::LastLaunched, path));
        } catch (const EZelmoError&) {
            // The file is still started; its slot shows it as "no icon".
            ShowNoIconPicture(image);
        }
        image->setToolTip(LastLaunchedHint(path));
        Entries.set(page, slot, FullPath(path)); // memory only: the stored entry returns
    }
    platform::ShellStart(path, QString(), QString(), platform::SW_SHOW);
}

} // namespace launcher
