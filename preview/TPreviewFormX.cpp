#include "preview/TPreviewFormX.h"

#include "browser/FileListBox.h"
#include "browser/FilePanelText.h"
#include "core/BusyCursor.h"
#include "pictures/PictureService.h"
#include "platform/Shell.h"
#include "preview/PreviewAccessible.h"
#include "preview/PreviewHost.h"
#include "preview/PreviewRules.h"
#include "ui/HelpWindow.h"
#include "ui/Hints.h"
#include "ui/PixelRatioWatch.h"
#include "ui/ScreenMetrics.h"

#include <QCloseEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QTimer>
#include <QVBoxLayout>
#include <optional>

namespace preview {

namespace {
// How long the window manager may take to frame the window.
constexpr int kFrameSettleMs = 150;

// Never decoded larger than the screen it is fitted to, in the screen's own pixels.
pictures::FileImage decodeForScreen(const QString& path, qreal ratio) {
    std::optional<core::BusyCursor> busy;
    if (pictures::IsPictureKind(pictures::KindOf(path)))
        busy.emplace();
    const ui::ScreenMetrics m = ui::ReadScreenMetrics();
    return pictures::LoadFileImage(
        path, {QSize(m.screenWidth, m.screenHeight), pictures::Fit::KeepAspect, nullptr, ratio});
}
} // namespace

TPreviewFormX::TPreviewFormX(PreviewHost& host, QWidget* parent)
    : QWidget(parent, Qt::Tool), host_(host) {
    setObjectName(QStringLiteral("PreviewFormX"));
    setFont(QFont(QStringLiteral("ＭＳ Ｐゴシック"), 9));
    setFocusPolicy(Qt::StrongFocus); // the window sees the keys before its controls
    ui::SetHelpContext(this, kHelpContext);
    InstallPreviewAccessibility(this);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameStyle(QFrame::Box | QFrame::Plain);
    Panel1->setLineWidth(1);
    Panel1->setBackgroundRole(QPalette::Base);
    Panel1->setAutoFillBackground(true);
    outer->addWidget(Panel1);

    auto* inner = new QVBoxLayout(Panel1);
    inner->setContentsMargins(0, 0, 0, 0);
    Image1 = new QLabel(Panel1);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setScaledContents(true);
    Image1->setMinimumSize(0, 0);
    Image1->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    Image1->installEventFilter(this);
    ui::OnPixelRatioChange(Image1, [this] { RemakePicture(); });
    inner->addWidget(Image1);

    resize(kDesignClientWidth, kDesignClientHeight);
    const ui::ScreenMetrics m = ui::ReadScreenMetrics();
    move(CentredPosition({m.screenWidth, m.screenHeight}, size()));
}

// ---- Showing and sizing ----------------------------------------------------------------

bool TPreviewFormX::HasSelection(browser::TFileListBoxS* list) {
    if (list && list->ItemIndex() >= 0)
        return true;
    host_.ShowDirectoryPanel();
    return false;
}

void TPreviewFormX::FormShow() {
    browser::TFileListBoxS* list = host_.ActiveList();
    if (!HasSelection(list))
        return;
    PreviewIndex = list->ItemIndex();
    const QString path = list->GetSelectedPath();
    setWindowTitle(ShownCaption(PreviewIndex, list->FileCount(), path));
    // The selection image holds the picture at its own small size: read at the screen's.
    LoadPreviewPicture(path);
    FitPreviewToScreen();
    SetHint(path);
}

void TPreviewFormX::FitPreviewToScreen() {
    try {
        if (!HasSelection(host_.ActiveList()))
            return;
        const ui::ScreenMetrics m = ui::ReadScreenMetrics();
        ScreenWidth = m.screenWidth;
        ScreenHeight = m.screenHeight;
        CaptionHeight = m.captionHeight;
        // The panel fills the window: what the window has beyond the panel's client
        // area is the panel's border.
        const int border = 2 * Panel1->frameWidth();
        const QSize panelClient = size() - QSize(border, border);
        const QSize picture = PictureSize; // its own size, whatever size it was decoded at
        NeededClientWidth = border + picture.width() + 10;
        NeededClientHeight = border + picture.height() + 10;
        const QSize client = FitPreviewClient(
            {size(), panelClient, picture, {ScreenWidth, ScreenHeight}, CaptionHeight});
        resize(client);
        // The frame is known once the window manager has framed the window; before that
        // the caption is all it adds.
        QSize frame = frameGeometry().size() - geometry().size();
        if (frame.width() <= 0 && frame.height() <= 0)
            frame = QSize(0, CaptionHeight);
        move(CentredPosition({ScreenWidth, ScreenHeight}, client + frame));
    } catch (...) {
        // A failed sizing leaves the window as it was.
    }
}

void TPreviewFormX::LoadPreviewPicture(const QString& path) {
    shownPath_ = path;
    const pictures::FileImage shown = decodeForScreen(path, Image1->devicePixelRatioF());
    // An unreadable picture or icon file shows nothing rather than the file shown before.
    PictureSize = shown.size;
    if (shown.image.isNull())
        Image1->clear();
    else
        Image1->setPixmap(QPixmap::fromImage(shown.image));
}

void TPreviewFormX::RemakePicture() {
    if (Image1->pixmap().isNull())
        return;
    const pictures::FileImage shown = decodeForScreen(shownPath_, Image1->devicePixelRatioF());
    // A file that cannot be read now keeps the picture made from it before.
    if (!shown.image.isNull())
        Image1->setPixmap(QPixmap::fromImage(shown.image));
}

// ---- Keys ------------------------------------------------------------------------------

QString TPreviewFormX::ShownPath(browser::TFileListBoxS* list) const {
    if (PreviewIndex < 0 || PreviewIndex >= list->Count())
        return {};
    return list->GetItemPath(PreviewIndex);
}

void TPreviewFormX::ShowStep(browser::TFileListBoxS* list, int fileCount) {
    // The count includes hidden files the list does not show: an index beyond the shown
    // entries starts again at the first.
    QString path = ShownPath(list);
    if (path.isEmpty()) {
        PreviewIndex = 0;
        path = ShownPath(list);
    }
    LoadPreviewPicture(path);
    FitPreviewToScreen();
    setWindowTitle(SteppedCaption(PreviewIndex, fileCount, path));
}

void TPreviewFormX::SetHint(const QString& path) {
    Image1->setToolTip(ui::PlainHintText(PreviewHint(windowTitle(), path)));
}

bool TPreviewFormX::FormKeyDown(int key, Qt::KeyboardModifiers modifiers) {
    // 1.
    const bool closing = key == Qt::Key_Escape || key == Qt::Key_F4;
    if (closing)
        close();
    // 3.
    browser::TFileListBoxS* list = host_.ActiveList();
    if (!HasSelection(list))
        return closing;
    // 4. (2. Space steps as Right does.)
    const int n = list->FileCount();
    bool consumed = closing;
    if (key == Qt::Key_F12) {
        if (const QString path = ShownPath(list); !path.isEmpty())
            platform::ShellStart(path, QString(), QString(), platform::SW_SHOW);
        consumed = true;
    } else if (const auto step = StepForKey(key, modifiers)) {
        PreviewIndex = SteppedIndex(*step, PreviewIndex, n);
        // 5.
        ShowStep(list, n);
        consumed = true;
    }
    // 6.
    SetHint(ShownPath(list));
    return consumed;
}

void TPreviewFormX::keyPressEvent(QKeyEvent* e) {
    if (FormKeyDown(e->key(), e->modifiers()))
        e->accept();
    else
        QWidget::keyPressEvent(e);
}

// ---- Closing ---------------------------------------------------------------------------

void TPreviewFormX::FormClose() {
    hide();
    host_.LeaveTray();
    // The list follows the file shown last (its own selection stayed while stepping).
    browser::TFileListBoxS* list = host_.ActiveList();
    if (!list || PreviewIndex < 0 || PreviewIndex >= list->Count())
        return;
    list->SetItemIndex(PreviewIndex);
    list->setFocus();
    host_.SelectionChanged(list);
}

void TPreviewFormX::Image1Click() {
    close();
}

void TPreviewFormX::showEvent(QShowEvent* e) {
    if (!e->spontaneous()) {
        FormShow();
        // The window manager frames the window only once it is on the screen: then the
        // whole frame is centred, not the guess of a caption alone.
        QTimer::singleShot(kFrameSettleMs, this, [this] {
            const QSize frame = frameGeometry().size() - size();
            if (isVisible() && (frame.width() > 0 || frame.height() > 0))
                move(CentredPosition({ScreenWidth, ScreenHeight}, frameGeometry().size()));
        });
    }
    QWidget::showEvent(e);
}

void TPreviewFormX::closeEvent(QCloseEvent* e) {
    if (isVisible())
        FormClose();
    e->accept();
}

bool TPreviewFormX::eventFilter(QObject* watched, QEvent* e) {
    if (watched == Image1 && e->type() == QEvent::MouseButtonRelease) {
        auto* me = static_cast<QMouseEvent*>(e);
        if (me->button() == Qt::LeftButton && Image1->rect().contains(me->position().toPoint())) {
            Image1Click();
            return true;
        }
    }
    return QWidget::eventFilter(watched, e);
}

} // namespace preview
