// The preview window joins the main window: it reads the active list and the selection
// image of the file panel and switches the tray of the window modes; the selection
// image's click shows it, and the return from the tray selects what it showed last.
#include "app/TForm1.h"

#include "app/WindowModes.h"
#include "browser/FilePanel.h"
#include "preview/PreviewHost.h"
#include "preview/TPreviewFormX.h"
#include "ui/Panel.h"

#include <QLabel>

namespace {

class MainWindowPreviewHost : public preview::PreviewHost {
public:
    MainWindowPreviewHost(browser::FilePanel& files, WindowModes& modes)
        : files_(files), modes_(modes) {}

    browser::TFileListBoxS* ActiveList() const override { return files_.ActiveList(); }
    void ShowDirectoryPanel() override { files_.DirectoryPanel->show(); }
    void LeaveTray() override { modes_.TaskTaryShowClick(); }
    void SelectionChanged(browser::TFileListBoxS* list) override { files_.ListBox1Click(list); }

private:
    browser::FilePanel& files_;
    WindowModes& modes_;
};

} // namespace

void TForm1::CreatePreviewForm() {
    previewHost_ = std::make_unique<MainWindowPreviewHost>(*files_, *modes_);
    preview_ = std::make_unique<preview::TPreviewFormX>(*previewHost_);
    state_.Windows.PreviewFormX = preview_.get();
    // SelectImageClick: the preview first, then the window goes to the tray.
    files_->ShowPreview = [this] {
        preview_->show();
        preview_->raise();
        preview_->activateWindow();
        modes_->TaskTrayClick();
    };
    modes_->PreviewIndexSource = [this] { return preview_->PreviewIndex; };
}
