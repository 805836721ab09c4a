// The task tray (the window hidden behind a notification icon) and the once-a-second
// clock of the control page, which runs the taskbar title while the window is minimised.
#include "app/TForm1.h"

#include "app/TitleClock.h"
#include "browser/FileListBox.h"
#include "launcher/SlotPicture.h"
#include "ui/Resources.h"
#include "ui/TrayService.h"

#include <QApplication>
#include <QLabel>
#include <QTimer>
#include <QToolButton>

// ---- Task tray -----------------------------------------------------------------------

void TForm1::TaskTrayClick() {
    // 1. With the viewer closed (or already in the tray) the values on file are read
    //    back, so that step 5 writes them unchanged.
    if (ViewerOpen && !InTray)
        RememberTreeDirectory();
    else
        LoadLastDirectory();
    // 2. and 3.
    Tray->enter();
    // 4.
    InTray = true;
    SaveTaskTray();
    // 5.
    SaveLastDirectory();
}

void TForm1::TaskTaryShowClick() {
    // 1.
    if (PreviewFormX && PreviewFormX->isVisible())
        PreviewFormX->hide();
    // 2. and 3. Cleared before the window shows, so its first paint stays out of the tray.
    InTray = false;
    Tray->leave();
    SaveTaskTray();
    // 4. The list follows the picture the preview showed last.
    if (!ViewerOpen)
        return;
    browser::TFileListBoxS* list = ActiveList();
    const int index = PreviewLastIndex();
    if (!list || index < 0 || index >= list->Count())
        return;
    list->SetItemIndex(index);
    list->setFocus();
    ListBox1Click(list);
}

void TForm1::FormPaint() {
    // A window that was in the tray at the last exit goes back there when it first
    // paints; hiding it inside its own paint would be unsafe, so it waits its turn.
    if (!InTray || !Tray || Tray->inTray())
        return;
    QTimer::singleShot(0, this, [this] {
        if (InTray && !Tray->inTray())
            TaskTrayClick();
    });
}

// ---- Clock ---------------------------------------------------------------------------

void TForm1::Timer1Timer() {
    const bool minimized = isMinimized();
    const TitleTick t = TitleClockTick(TitleClockNow(), minimized, PageIndex() == kControlPage);
    if (!t.windowIcon.isEmpty())
        setWindowIcon(ui::resourceIcon(t.windowIcon));
    // The window's title is the taskbar text, and also the caption the maximised
    // window shows: that keeps its text while it is on the screen.
    setWindowTitle(isMaximized() && !minimized ? MaximizedCaption() : t.title);
    if (!t.sbpGlyph.isEmpty()) {
        const QImage face =
            launcher::DrawIconOnFace(TmpImage, ui::resourcePixmap(t.sbpGlyph).toImage(),
                                     QApplication::palette().color(QPalette::Button));
        Image1->setPixmap(QPixmap::fromImage(face));
        const QSize glyph = SBP->size() - QSize(2, 2);
        SBP->setIconSize(glyph);
        SBP->setIcon(QIcon(QPixmap::fromImage(
            face.scaled(glyph, Qt::IgnoreAspectRatio, Qt::SmoothTransformation))));
    }
}
