// Slot handlers of the launcher pages. The same handlers serve all 154 slots: the slot
// is the sender's tag, the page the notebook's current page.
//
// Starting entries, registering (drop, click, menu), removal and the start-up pictures
// are filled in by the registration and launching work; until then a click on a slot
// does nothing and no picture is drawn.
#include "app/TForm1.h"

#include "launcher/SlotControls.h"

void TForm1::BP3SPiClick(QObject* /*sender*/) {
    // Filled by the launching work: start the slot's entry, or register and start the
    // selection on an empty slot.
}

void TForm1::BP3SPiMouseDown(QObject* /*sender*/, Qt::MouseButton /*button*/, QPoint /*pos*/) {
    // Filled by the registration work: a right press enables the page's slot images so
    // the release lands on the image.
}

void TForm1::BP3SPiMouseUp(QObject* /*sender*/, Qt::MouseButton /*button*/, QPoint /*pos*/) {
    // Filled by the registration work: a right release offers to remove the entry.
}

bool TForm1::BP3SPiDragOver(QObject* /*sender*/, QObject* /*source*/) {
    // Filled by the registration work: accept drags from the file lists, the selection
    // image and the directory tree. Nothing can be dropped until then.
    return false;
}

void TForm1::BP3SPiDragDrop(QObject* /*sender*/, QObject* /*source*/) {
    // Filled by the registration work: register the dragged file or folder.
}

void TForm1::Button1Click(QObject* /*sender*/) {
    // Filled by the registration work: register the selected file on slot tag - 1.
}

void TForm1::ShowStartupEntry(int /*page*/, int /*slot*/) {
    // Filled by the registration work: picture and hint of a stored entry at start-up.
}

void TForm1::RebuildRegistrationCaptions() {
    // Filled by the registration work: "登録 " captions of Button1..Button14.
}
