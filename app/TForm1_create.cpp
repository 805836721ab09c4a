// Creation of the main window: builds the launcher strip and restores every remembered
// setting in a fixed order, keeping the splash animated between steps.
#include "app/TForm1.h"

#include "app/ControlPage.h"
#include "app/SplashScreen.h"
#include "app/WindowModes.h"
#include "app/ZelmoApplication.h"
#include "archive/LzhBinding.h"
#include "archive/ZipBinding.h"
#include "browser/FilePanel.h"
#include "core/Placement.h"
#include "launcher/LauncherStrip.h"
#include "launcher/ShellDrops.h"
#include "platform/Errors.h"
#include "platform/LibraryDirs.h"
#include "search/BulkSearch.h"
#include "ui/AlignLayout.h"
#include "ui/Hints.h"
#include "ui/Resources.h"
#include "ui/ScreenMetrics.h"
#include "ui/TabSet.h"

#include <QApplication>
#include <QStackedWidget>
#include <QToolButton>

namespace {

void letMessagesRun() {
    QCoreApplication::processEvents();
}

// The hourglass for the whole of creation, restored on every way out.
class BusyCursor {
public:
    BusyCursor() { push(); }
    ~BusyCursor() {
        while (depth_ > 0)
            pop();
    }
    void push() {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        ++depth_;
    }
    void pop() {
        if (depth_ > 0) {
            QApplication::restoreOverrideCursor();
            --depth_;
        }
    }

private:
    int depth_ = 0;
};

} // namespace

void TForm1::FormCreate() {
    // 1. Hourglass.
    BusyCursor busy;
    // If creation stops early, the splash must not stay on top of everything.
    struct SplashCloser {
        TSplashScreen*& splash;
        ~SplashCloser() {
            delete splash;
            splash = nullptr;
        }
    } splashCloser{splash_};

    // 2. Work bitmaps, empty.
    WorkBitmap1 = QPixmap();
    WorkBitmap2 = QPixmap();

    // 3. Splash, shown at once.
    splash_ = new TSplashScreen;
    splash_->show();
    splash_->repaint();
    letMessagesRun();

    // 4.
    state_.Creating = true;
    state_.RememberedDirectory.clear();
    letMessagesRun();

    // 5. The lookup lists (page panels, registration and page menu items) are the arrays
    //    filled when the controls were built; the filter items come with the file panel.
    letMessagesRun();

    // 6. System metrics, list item heights, tabs.
    const ui::ScreenMetrics metrics = ui::ReadScreenMetrics();
    state_.ScreenWidth = metrics.screenWidth;
    state_.ScreenHeight = metrics.screenHeight;
    state_.CaptionHeight = metrics.captionHeight;
    state_.BorderHeight = metrics.borderHeight;
    files_->SetFileListItemHeights();
    launcher_->TabSet1->setTabs(launcher::LauncherStrip::NotebookPageCaptions());
    launcher_->TabSet1->setTabIndex(launcher_->PageIndex());
    letMessagesRun();

    // 7. The 154 entries.
    launcher_->LoadEntries(letMessagesRun);

    // 8. Slot controls, page by page.
    for (int p = 0; p < launcher::LauncherStrip::kPages; ++p)
        launcher_->BuildSlotControls(p, letMessagesRun);

    // 9.
    busy.pop();
    busy.push();

    // 10. Pictures and hints of the registered slots.
    launcher_->ShowStartupEntries();
    letMessagesRun();

    // 11.
    splash_->SetStatus(QStringLiteral("   もう少し 待って下さいネ"), Qt::blue);
    splash_->repaint();
    letMessagesRun();

    // 12.
    launcher_->CheckPageItem(launcher_->PageIndex());
    letMessagesRun();

    // 13. Viewer state (writes "ViewerStyle" back at once); tray flag.
    //     A settings file that cannot be written is reported here, once, and creation
    //     goes on: stopping would leave a half-built window.
    try {
        modes_->LoadViewerStyle();
        modes_->ApplyViewerState();
    } catch (const EZelmoError& e) {
        ZelmoApplication::ShowException(e);
    }
    modes_->LoadTaskTray();
    letMessagesRun();

    // 14.
    launcher_->Notebook1->resize(launcher_->Notebook1->width(),
                                 launcher::LauncherStrip::kSlotButtonSize + 1);
    Layout->activate(); // the strip's geometry holds before the window is shown
    letMessagesRun();

    // 15.
    RestorePlacement(this);
    letMessagesRun();

    // 16. The list's listing with the filter's mask waits for step 23, where the tree
    //     usually lists the remembered folder in its place.
    files_->LoadLastDirectory();
    files_->ApplyFilterSelection();
    letMessagesRun();

    // 17.
    delete splash_;
    splash_ = nullptr;
    letMessagesRun();

    // 18. Zoom; a failure here does not stop start-up.
    try {
        const QSize keep = size();
        modes_->LoadZoom();
        modes_->ScaleForStartupZoom(keep);
    } catch (...) {
    }
    letMessagesRun();

    // 19. Hints; archive libraries.
    ui::SetApplicationHints(QColor(0, 255, 0), 200, 11000);
    LocateArchiveLibraries();
    letMessagesRun();

    // 20. Image plug-ins.
    LoadImagePlugins();
    letMessagesRun();

    // 21. Files dropped from other programs.
    AcceptShellDrops();
    letMessagesRun();

    // 22. Hand cursors.
    SetHandCursors();
    letMessagesRun();

    // 23. Directory tree on the remembered directory (else the list's owed listing).
    files_->OpenTreeOnRememberedDirectory();
    letMessagesRun();

    // 24.
    search_->ClearSearchResults();
    letMessagesRun();

    // 25. Page names.
    launcher_->LoadPageNames();
    launcher_->BuildPageCaptions();

    // 26.
    busy.pop();
    state_.Creating = false;
}

void TForm1::LocateArchiveLibraries() {
    // The LZH library was bound when the program started: it is available only when the
    // binding holds the very file the search finds, so a file that is there but does not
    // load never claims availability (its calls would only show the stubs' boxes).
    const QString lzh = platform::findOutsideLibrary(QStringLiteral("unlha32.dll"));
    state_.UnlhaAvailable = !lzh.isEmpty() && archive::BoundLzhLibrary() == lzh;
    const QString zip = platform::findOutsideLibrary(QStringLiteral("unzip32.dll"));
    if (zip.isEmpty())
        return;
    // A library that is there but cannot be bound is reported, and creation goes on:
    // the plug-ins, drops, cursors and tree of the steps after this one still come.
    try {
        LoadUnzipLibrary(zip);
        state_.UnzipAvailable = true;
    } catch (const EPanArchiveError& e) {
        ZelmoApplication::ShowException(e);
    }
}

void TForm1::SetHandCursors() {
    HandCursors[0] = ui::resourceCursor(QStringLiteral("HANDPNT"));
    HandCursors[1] = ui::resourceCursor(QStringLiteral("HANDFLAT"));
    HandCursors[2] = ui::resourceCursor(QStringLiteral("HANDHIT"));
    launcher_->SetHandCursors(HandCursors);
    controls_->CloseButton->setCursor(HandCursors[1]);
}

void TForm1::AcceptShellDrops() {
    // Files dropped from other programs are started, each in its own folder.
    launcher::ShellDropFilter::Install(this);
}
