// Life cycle of the main window: construction, showing, activation, the two ways of
// closing with their confirmation, and what is saved and released on the way out.
#include "app/TForm1.h"

#include "app/ControlPage.h"
#include "app/WindowModes.h"
#include "app/ZelmoApplication.h"
#include "archive/TMeltView.h"
#include "browser/FilePanel.h"
#include "core/Placement.h"
#include "launcher/LauncherStrip.h"
#include "platform/Errors.h"
#include "platform/UserInfo.h"
#include "preview/PreviewHost.h"
#include "preview/TPreviewFormX.h"
#include "ui/HelpWindow.h"
#include "ui/MessageDialog.h"
#include "ui/TabSet.h"

#include <QCloseEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QStackedWidget>
#include <QToolButton>

TForm1::TForm1(QWidget* parent) : QWidget(parent, Qt::Window | Qt::FramelessWindowHint) {
    BuildDesign();
    state_.EnsureMeltView = [this] { CreateMeltView(); };
    // Errors of creation are shown like any other unhandled error; the window goes on
    // with what was built (later steps of creation are then skipped).
    try {
        FormCreate();
    } catch (const std::exception& e) {
        // The file list's first listing waits for the tree (step 23), which did not come.
        files_->SettleStartupListing();
        ZelmoApplication::ShowException(e);
    }
    // After the main window, also when its creation stopped early.
    CreatePreviewForm();
}

TForm1::~TForm1() {
    FormDestroy();
    // It gives the keyboard to this window's lists and reads its state: it goes first
    // (its placement is saved on the way).
    delete state_.Windows.MeltView.data();
    delete state_.Windows.AboutBox.data(); // it reads the state this window owns
    preview_.reset();                      // before the lists it reads
}

bool TForm1::event(QEvent* e) {
    if (e->type() == QEvent::WindowActivate)
        FormActivate();
    return QWidget::event(e);
}

void TForm1::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    if (!e->spontaneous())
        FormShow();
}

void TForm1::FormShow() {
    modes_->FormShow();
    if (state_.ViewerOpen)
        files_->FilePanelFormShow();
}

void TForm1::FormActivate() {
    // The help pages are compiled into the program, so there is no help file to name;
    // what remains is the context of each item.
    ui::SetHelpContext(this, 1000);
    ui::SetHelpContext(PopupMenu1, 1030);
    ui::SetHelpContext(launcher_->PopButton, 1046);
    ui::SetHelpContext(launcher_->PopButton->menuAction(), 1046);
    for (QAction* item : {modes_->Normalsize, modes_->VierClose})
        ui::SetHelpContext(item, 1040);
    for (QAction* item : {modes_->ZoomOut, modes_->ZoomIn})
        ui::SetHelpContext(item, 1055);
    ui::SetHelpContext(modes_->TaskTray, 1056);
    // The other items with help contexts (search, directory panel, lists, make-directory, editor,
    // file commands, page names, information) get theirs from the subsystems that add them.
}

void TForm1::HelpH1Click() {
    ui::ShowHelp(1000);
}

void TForm1::CloseButtonClick() {
    // 1. So that saving writes back what the file holds when the viewer is closed.
    if (state_.ViewerOpen)
        files_->RememberTreeDirectory();
    else
        files_->LoadLastDirectory();
    // 2.
    ClosedByCommand = true;
    // 3.
    if (isMaximized())
        modes_->PopupNorClick();
    // 4. An editor whose text could not be saved stays open, and so does the program.
    if (!CloseSecondaryWindows())
        return;
    // 5.
    close();
}

void TForm1::N13Click() {
    QWidget* preview = state_.Windows.PreviewFormX;
    if (preview && preview->isVisible())
        preview->hide();
    close();
}

QString TForm1::CloseByCommandText(const QString& userName) {
    return userName + QStringLiteral(" さん") + QStringLiteral("\r\n\r\n") +
           QStringLiteral("お疲れさま !!  終了しますか ? ");
}

QString TForm1::CloseOtherwiseText(const QString& userName) {
    return QStringLiteral("ゼル君からの伝言 ： ") + userName + QStringLiteral(" さん") +
           QStringLiteral("\r\n") + QStringLiteral(" ") + QStringLiteral("\r\n") +
           QStringLiteral("本当に終了しますか ? ");
}

QPoint TForm1::CloseQuestionPosition(QPoint cursor, int screenHeight) {
    const int y = cursor.y() <= screenHeight / 4 ? cursor.y() + 15 : cursor.y() - 90;
    return {cursor.x() - 100, y};
}

bool TForm1::FormCloseQuery() {
    // 1.
    const QPoint cursor = QCursor::pos();
    const QString name = platform::ReadUserName();
    ui::MsgResult answer;
    if (ClosedByCommand) {
        // 2.
        answer = ui::MessageBox(ui::ApplicationTitle(), CloseByCommandText(name), ui::MsgIcon::None,
                                ui::mbYes | ui::mbNo,
                                CloseQuestionPosition(cursor, state_.ScreenHeight));
    } else {
        // 3. Closed from the tray menu, by the session or by the window manager.
        answer = ui::MessageBox(ui::ApplicationTitle(), CloseOtherwiseText(name), ui::MsgIcon::None,
                                ui::mbYes | ui::mbNo);
    }
    // 4.
    if (answer != ui::MsgResult::Yes)
        return false;
    // 5. A settings file that cannot be written is reported once, and the close goes on
    //    as if the writes had been made: the user can always quit, and nothing else is
    //    lost, since every registration was written when it was made.
    try {
        modes_->SaveZoom();
        files_->SaveLastDirectory();
        SavePlacement(this);
    } catch (const EZelmoError& e) {
        exitWriteFailed_ = true;
        ZelmoApplication::ShowException(e);
    }
    // A text window whose changed text could not be saved keeps the program running.
    return CloseSecondaryWindows();
}

void TForm1::FormClose() {
    if (exitWriteFailed_)
        return; // already reported
    try {
        SavePlacement(this);
    } catch (const EZelmoError& e) {
        ZelmoApplication::ShowException(e);
    }
}

void TForm1::closeEvent(QCloseEvent* e) {
    e->ignore();
    if (!FormCloseQuery())
        return;
    FormClose();
    e->accept();
    emit formClosed();
}

void TForm1::FormDestroy() {
    WorkBitmap1 = QPixmap();
    WorkBitmap2 = QPixmap();
    UnloadImagePlugins();
    if (state_.UnzipAvailable)
        UnloadUnzipLibrary();
    modes_->ReleaseTrayIcon();
}

bool TForm1::CloseSecondaryWindows() {
    // In this order, each only when it exists; each runs its own close handling. A text
    // window refuses when its changed text could not be saved; the rest stay open then.
    const core::SecondaryWindows& w2 = state_.Windows;
    for (QWidget* w : {w2.MeltL.data(), w2.MeltM.data(), w2.DirMakeForm.data(), w2.MeltView.data(),
                       w2.AboutBox.data()})
        if (w && !w->close())
            return false;
    return true;
}

void TForm1::CreateMeltView() {
    if (state_.Windows.MeltView)
        return;
    state_.Windows.MeltView = new TMeltView(state_, [this] { files_->FocusActiveList(); });
}

void TForm1::paintEvent(QPaintEvent* e) {
    QWidget::paintEvent(e);
    modes_->FormPaint();
}
