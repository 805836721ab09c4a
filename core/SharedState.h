#pragma once
// What several parts of the main window read and write: the window's modes, the
// screen's measures, the availability of the outside libraries, the browser's
// selection source and drop target, the bulk search's pattern and base, and the
// secondary windows. The main window owns one and hands it to each part by reference.
#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>

namespace core {

// How a drop of files onto a folder acts (a plain drag extracts archives).
enum TDropAction { daExtract = 0, daCopy = 1, daMove = 2 };

// Windows the main window closes when it closes; each is empty until created.
struct SecondaryWindows {
    QPointer<QWidget> PreviewFormX, MeltL, MeltM, DirMakeForm, MeltView, AboutBox;
};

struct SharedState {
    // Window modes.
    bool Creating = false; // creation (or a size change) runs: no height lock
    bool ViewerOpen = true;
    bool InTray = false;
    int Zoom = 100;
    int PreviousZoom = 100;
    int ScreenWidth = 0, ScreenHeight = 0, CaptionHeight = 0, BorderHeight = 0;

    // The file browser's remembered folder and filter (as read; the filter box keeps the
    // live index).
    QString RememberedDirectory;
    int FilterIndex = 1;

    // Outside libraries found at start-up.
    bool UnlhaAvailable = false;
    bool UnzipAvailable = false;
    bool ArchiveListBusy = false; // the archive window is reading
    // The picture plug-ins found at start-up (full paths, empty when not found).
    QString GifPluginPath, JpegPluginPath;

    // The file clicked last in a list, and where a drop goes.
    QString SourceFile;
    bool SourceFromSearch = false;
    int SourceSearchIndex = -1;
    TDropAction DropAction = daExtract;
    QString TargetDirectory;
    bool ExtractionPending = false; // a series of extractions runs (all files shown)

    // The bulk search.
    QString SearchPattern;
    QString SearchBase;
    bool SearchRunning = false; // a bulk search is filling the result list

    // The text windows: the text loaded last (Save as proposes its name) and the edit
    // box of the text window created last, whose face plain texts take.
    QString CurrentTextFile;
    QPointer<QWidget> LastTextFontSource;

    SecondaryWindows Windows;
    // Makes the archive window, hidden, unless it exists (Windows.MeltView); set by the
    // main window, which knows how it is built and where it gives the keyboard back.
    std::function<void()> EnsureMeltView;
};

} // namespace core
