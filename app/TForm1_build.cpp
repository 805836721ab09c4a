// The main window's layout: the parts built in the order their controls and context
// menu items stand, then wired together.
#include "app/TForm1.h"

#include "app/ControlPage.h"
#include "app/KeyboardMenus.h"
#include "app/WindowModes.h"
#include "browser/FilePanel.h"
#include "launcher/LauncherStrip.h"
#include "launcher/StripKeys.h"
#include "search/BulkSearch.h"
#include "ui/AlignLayout.h"
#include "ui/HelpWindow.h"
#include "ui/Resources.h"

#include <QAbstractButton>
#include <QAction>
#include <QMenu>
#include <QToolButton>

void TForm1::BuildDesign() {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Zelmo32"));
    setWindowIcon(ui::programIcon());
    resize(kDesignWidth, kDesignHeight);
    Layout = new ui::AlignLayout(this);

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    connect(PopupMenu1, &QMenu::aboutToShow, this, [this] { PopupMenu1Popup(); });

    // The strip and its page-select and registration submenus.
    launcher_ = new launcher::LauncherStrip(state_, this, Layout, PopupMenu1);
    controls_ = new ControlPage(launcher_->ControlPanel);

    PopupMenu1->addSeparator();
    HelpH1 = PopupMenu1->addAction(QStringLiteral("ヘルプ  (&H)"));
    HelpH1->setObjectName(QStringLiteral("HelpH1"));
    HelpH1->setShortcut(QKeySequence(Qt::Key_F1));
    HelpH1->setShortcutContext(Qt::WindowShortcut);
    addAction(HelpH1); // the shortcut works while the menu is closed
    connect(HelpH1, &QAction::triggered, this, [this] { HelpH1Click(); });
    Exit1 = PopupMenu1->addAction(QStringLiteral("ゼルモ３２を終了 (&X)"));
    Exit1->setObjectName(QStringLiteral("Exit1"));
    connect(Exit1, &QAction::triggered, this, [this] { CloseButtonClick(); });

    // The browser's items go before the menu's first separator, the modes' items before
    // the separator above help.
    files_ = new browser::FilePanel(state_, this, Layout, PopupMenu1);
    search_ = new search::BulkSearch(state_, files_->Sheet(), this);
    const QList<QAction*> items = PopupMenu1->actions();
    const qsizetype helpAt = items.indexOf(HelpH1);
    QAction* before =
        helpAt > 0 && items.at(helpAt - 1)->isSeparator() ? items.at(helpAt - 1) : HelpH1;
    modes_ = new WindowModes(state_, this, *launcher_, *files_, *controls_, PopupMenu1, before);

    // The editor, last before help; F2 works while the menu is closed.
    EditPop = new QAction(QStringLiteral("簡易エディタ を 開く (&E)"), PopupMenu1);
    EditPop->setObjectName(QStringLiteral("EditPop"));
    EditPop->setShortcut(QKeySequence(Qt::Key_F2));
    EditPop->setShortcutContext(Qt::WindowShortcut);
    PopupMenu1->insertAction(before, EditPop);
    addAction(EditPop);
    ui::SetHelpContext(EditPop, 1075);
    connect(EditPop, &QAction::triggered, this, [this] { EditPopClick(); });
    // The information window.
    PopupVer = new QAction(QStringLiteral("リソース計測・各種情報 (&R)"), PopupMenu1);
    PopupVer->setObjectName(QStringLiteral("PopupVer"));
    PopupMenu1->insertAction(before, PopupVer);
    ui::SetHelpContext(PopupVer, 1100);
    connect(PopupVer, &QAction::triggered, this, [this] { SBPClick(); });

    ConnectParts();
    new KeyboardMenus(this, *files_, PopupMenu1);
    launcher_->Keys->AddButtons(launcher_->ControlPanel->findChildren<QAbstractButton*>(
        QString(), Qt::FindDirectChildrenOnly));
}

void TForm1::ConnectParts() {
    launcher_->setSelectionSource(files_->Selection());
    files_->ControlPageShown = [this] {
        return launcher_->PageIndex() == launcher::LauncherStrip::kControlPage;
    };
    connect(files_, &browser::FilePanel::launchRequested, launcher_,
            &launcher::LauncherStrip::ShowLastLaunched);
    connect(files_, &browser::FilePanel::findDirectoryRequested, search_,
            &search::BulkSearch::FindDirectoryClick);
    connect(files_, &browser::FilePanel::panelButtonHintChanged, controls_->DirSPB,
            &QToolButton::setToolTip);
    connect(search_, &search::BulkSearch::viewerNeeded, modes_, &WindowModes::VierButtonClick);
    connect(files_, &browser::FilePanel::viewerNeeded, modes_, &WindowModes::VierButtonClick);
    connect(modes_, &WindowModes::exitRequested, this, [this] { N13Click(); });
    connect(modes_, &WindowModes::editorRequested, this, [this] { EditPopClick(); });

    // The control page's buttons whose actions are not the window modes'.
    auto bind = [this](QToolButton* button, auto handler) {
        connect(button, &QToolButton::clicked, this, handler);
    };
    bind(controls_->CloseButton, [this] { CloseButtonClick(); });
    bind(controls_->DirSPB, [this] { files_->DirSPBClick(); });
    bind(controls_->FindDirSPB, [this] { search_->FindDirectoryClick(); });
    bind(controls_->MKDirSB, [this] { files_->DirMakeClick(); });
    bind(controls_->EditB, [this] { EditPopClick(); });
    bind(controls_->SBP, [this] { SBPClick(); });
}

void TForm1::PopupMenu1Popup() {
    launcher_->UpdateMenuItems();
    modes_->UpdateMenuItems();
    files_->UpdateMenuItems();
}
