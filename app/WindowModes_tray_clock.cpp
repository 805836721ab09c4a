// The task tray (the window hidden behind a notification icon) and the once-a-second
// clock of the control page, which runs the taskbar title while the window is minimised.
#include "app/WindowModes.h"

#include "app/ControlPage.h"
#include "app/TitleClock.h"
#include "browser/FileListBox.h"
#include "browser/FilePanel.h"
#include "core/SharedState.h"
#include "launcher/LauncherStrip.h"
#include "launcher/SlotPicture.h"
#include "ui/Resources.h"
#include "ui/TrayService.h"

#include <QApplication>
#include <QLabel>
#include <QTimer>
#include <QToolButton>

// ---- Task tray -----------------------------------------------------------------------

void WindowModes::TaskTrayClick() {
    // 1. With the viewer closed (or already in the tray) the values on file are read
    //    back, so that step 5 writes them unchanged.
    if (state_.ViewerOpen && !state_.InTray)
        files_.RememberTreeDirectory();
    else
        files_.LoadLastDirectory();
    // 2. and 3.
    Tray->enter();
    // 4.
    state_.InTray = true;
    SaveTaskTray();
    // 5.
    files_.SaveLastDirectory();
}

void WindowModes::TaskTaryShowClick() {
    // 1.
    if (state_.Windows.PreviewFormX && state_.Windows.PreviewFormX->isVisible())
        state_.Windows.PreviewFormX->hide();
    // 2. and 3. Cleared before the window shows, so its first paint stays out of the tray.
    state_.InTray = false;
    Tray->leave();
    SaveTaskTray();
    // 4. The list follows the picture the preview showed last.
    if (!state_.ViewerOpen)
        return;
    browser::TFileListBoxS* list = files_.ActiveList();
    const int index = PreviewLastIndex();
    if (!list || index < 0 || index >= list->Count())
        return;
    list->SetItemIndex(index);
    list->setFocus();
    files_.ListBox1Click(list);
}

void WindowModes::FormPaint() {
    // A window that was in the tray at the last exit goes back there when it first
    // paints; hiding it inside its own paint would be unsafe, so it waits its turn.
    if (!state_.InTray || !Tray || Tray->inTray())
        return;
    QTimer::singleShot(0, this, [this] {
        if (state_.InTray && !Tray->inTray())
            TaskTrayClick();
    });
}

// ---- Clock ---------------------------------------------------------------------------

void WindowModes::Timer1Timer() {
    const bool minimized = window_->isMinimized();
    const TitleTick t = TitleClockTick(
        TitleClockNow(), minimized, launcher_.PageIndex() == launcher::LauncherStrip::kControlPage);
    if (!t.windowIcon.isEmpty())
        window_->setWindowIcon(ui::resourceIcon(t.windowIcon));
    // The window's title is the taskbar text, and also the caption the maximised
    // window shows: that keeps its text while it is on the screen.
    window_->setWindowTitle(window_->isMaximized() && !minimized ? MaximizedCaption() : t.title);
    if (!t.sbpGlyph.isEmpty()) {
        const QImage face =
            launcher::DrawIconOnFace(launcher_.TmpImage, ui::resourcePixmap(t.sbpGlyph).toImage(),
                                     QApplication::palette().color(QPalette::Button));
        controls_.Image1->setPixmap(QPixmap::fromImage(face));
        const QSize glyph = controls_.SBP->size() - QSize(2, 2);
        controls_.SBP->setIconSize(glyph);
        controls_.SBP->setIcon(QIcon(QPixmap::fromImage(
            face.scaled(glyph, Qt::IgnoreAspectRatio, Qt::SmoothTransformation))));
    }
}

void WindowModes::PageChanged(int page) {
    // The clock only runs on the control page.
    if (page == launcher::LauncherStrip::kControlPage)
        Timer1->start(1000);
    else
        Timer1->stop();
}

void WindowModes::ReleaseTrayIcon() {
    // The icon goes with the tray service: no icon outlives the window.
    delete Tray;
    Tray = nullptr;
}

int WindowModes::PreviewLastIndex() const {
    return PreviewIndexSource ? PreviewIndexSource() : 0;
}
