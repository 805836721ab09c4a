#pragma once
// The preview window: one file of the active list shown large, fitted to the screen,
// while the main window waits in the task tray. The keys step through the list (the
// list's own selection stays where it was); closing brings the main window back with
// the file shown last selected. Created hidden once at start-up and kept for the run.
#include <QWidget>

class QFrame;
class QLabel;
namespace browser {
class TFileListBoxS;
}

namespace preview {

class PreviewHost;

class TPreviewFormX : public QWidget {
    Q_OBJECT
public:
    static constexpr int kDesignClientWidth = 427;
    static constexpr int kDesignClientHeight = 273;
    static constexpr int kHelpContext = 1078;

    explicit TPreviewFormX(PreviewHost& host, QWidget* parent = nullptr);

    // ---- Controls ---------------------------------------------------------------------
    QFrame* Panel1 = nullptr; // fills the window, a single border
    QLabel* Image1 = nullptr; // fills Panel1, its picture stretched to it

    // ---- State ------------------------------------------------------------------------
    int PreviewIndex = 0; // index in the active list of the file shown
    int ScreenWidth = 0, ScreenHeight = 0, CaptionHeight = 0; // read at each sizing
    int NeededClientWidth = 0, NeededClientHeight = 0;        // the picture at its natural size
    QSize PictureSize{0, 0}; // the shown picture's own size (it may be decoded smaller)

    // ---- Handlers ---------------------------------------------------------------------
    void FormShow();
    void FormHide() {}
    // True when the key was consumed.
    bool FormKeyDown(int key, Qt::KeyboardModifiers modifiers);
    void FormClose();
    void Image1Click();
    // One file into Image1 through the picture service, no larger than the screen:
    // pictures, icon files, any other file its icon (a shortcut its target's), or nothing.
    void LoadPreviewPicture(const QString& path);
    // Sizes the window to the picture and the screen and centres it.
    void FitPreviewToScreen();

protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    bool HasSelection(browser::TFileListBoxS* list);
    // The path of the file at PreviewIndex; empty when the index lies beyond the
    // entries the list shows.
    QString ShownPath(browser::TFileListBoxS* list) const;
    void ShowStep(browser::TFileListBoxS* list, int fileCount);
    void SetHint(const QString& path);
    void RemakePicture(); // the file shown, for a screen of another scale

    PreviewHost& host_;
    QString shownPath_; // the file Image1 was last made from
};

} // namespace preview
