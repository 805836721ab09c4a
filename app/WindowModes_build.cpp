// The window-mode parts of the main window that exist from construction on: the frame
// of the caption-less window, the notification icon, the mode items of the context menu
// and the tray menu, the clock's timer and the file panel's resize hook.
#include "app/WindowModes.h"

#include "app/ControlPage.h"
#include "browser/FilePanel.h"
#include "core/SharedState.h"
#include "launcher/LauncherStrip.h"
#include "ui/FramelessFrame.h"
#include "ui/Panel.h"
#include "ui/TabSet.h"
#include "ui/TrayService.h"

#include <QAction>
#include <QEvent>
#include <QMenu>
#include <QStackedWidget>
#include <QTimer>
#include <QToolButton>

namespace {

// Calls back after each resize of one widget.
class ResizeWatcher : public QObject {
public:
    ResizeWatcher(QWidget* watched, std::function<void()> onResize)
        : QObject(watched), onResize_(std::move(onResize)) {
        watched->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (e->type() == QEvent::Resize && watched == parent())
            onResize_();
        return QObject::eventFilter(watched, e);
    }

private:
    std::function<void()> onResize_;
};

} // namespace

WindowModes::WindowModes(core::SharedState& state, QWidget* window,
                         launcher::LauncherStrip& launcher, browser::FilePanel& files,
                         ControlPage& controls, QMenu* contextMenu, QAction* before)
    : QObject(window), state_(state), window_(window), launcher_(launcher), files_(files),
      controls_(controls), contextMenu_(contextMenu) {
    Timer1 = new QTimer(window);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    connect(Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });

    // ---- Frame: moved by its background, edges inert and height held while the viewer
    //      is closed (only the launcher strip is left then).
    Frame = new ui::FramelessFrame(window);
    Frame->setEdgesInertWhen([this] { return !state_.ViewerOpen; });
    Frame->setHeightLockedWhen([this] { return !state_.ViewerOpen && !state_.Creating; });
    Frame->addBackground(window);
    for (ui::Panel* panel : launcher.BPPanels)
        Frame->addBackground(panel);
    Frame->addBackground(launcher.ControlPanel);
    Frame->addBackground(launcher.TabSet1);
    Frame->setRightPressHandler([this](QWidget* control, QPoint globalPos) {
        FormMouseDown(control, Qt::RightButton, control->mapFromGlobal(globalPos));
    });

    BuildMenus(contextMenu, before);

    // ---- The control page's mode buttons.
    auto bind = [this](QToolButton* button, void (WindowModes::*handler)()) {
        connect(button, &QToolButton::clicked, this, [this, handler] { (this->*handler)(); });
    };
    bind(controls.VierButton, &WindowModes::VierButtonClick);
    bind(controls.VierCloseBottun, &WindowModes::VierCloseClick);
    bind(controls.ZoomoutSB, &WindowModes::ZoomOutClick);
    bind(controls.ZoomInSB, &WindowModes::ZoomInClick);
    bind(controls.SBMax, &WindowModes::PopupMaxClick);
    bind(controls.SBNor, &WindowModes::PopupNorClick);
    bind(controls.MinimizeButton, &WindowModes::MinimizeButtonClick);
    bind(controls.TRayButton, &WindowModes::TaskTrayClick);
    connect(&launcher, &launcher::LauncherStrip::pageChanged, this,
            [this](int page) { PageChanged(page); });

    // ---- The file list re-lays its rows whenever the right panel changes size.
    new ResizeWatcher(files.Panel3, [this] { files_.Panel3Resize(); });
}

void WindowModes::BuildMenus(QMenu* contextMenu, QAction* before) {
    // ---- Context menu items, before the separator above its help and exit items.
    auto addItem = [&](const QString& caption, const char* name, void (WindowModes::*handler)()) {
        auto* item = new QAction(caption, contextMenu);
        item->setObjectName(QString::fromLatin1(name));
        contextMenu->insertAction(before, item);
        connect(item, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
        return item;
    };
    contextMenu->insertSeparator(before);
    Normalsize = addItem(QStringLiteral("ビューア を 開く (&O)"), "Normalsize",
                         &WindowModes::VierButtonClick);
    VierClose = addItem(QStringLiteral("ビューア を 閉じる (&C)"), "VierClose",
                        &WindowModes::VierCloseClick);
    contextMenu->insertSeparator(before);
    PopupMax = addItem(QStringLiteral("最大化（ビューアも開く）(&V)"), "PopupMax",
                       &WindowModes::PopupMaxClick);
    PopupNor = addItem(QStringLiteral("ノーマル化 (&N)"), "PopupNor", &WindowModes::PopupNorClick);
    PopupMini =
        addItem(QStringLiteral("アイコン化 (&i)"), "PopupMini", &WindowModes::MinimizeButtonClick);
    contextMenu->insertSeparator(before);
    ZoomOut =
        addItem(QStringLiteral("縮小  ( 30 % down ) (&D)"), "ZoomOut", &WindowModes::ZoomOutClick);
    ZoomIn = addItem(QStringLiteral("拡大  ( 10 % up ) (&U)"), "ZoomIn", &WindowModes::ZoomInClick);
    contextMenu->insertSeparator(before);
    TaskTray = addItem(QStringLiteral("タスク・トレーに移動 (&G)"), "TaskTray",
                       &WindowModes::TaskTrayClick);

    // ---- Tray menu: come back, the editor, and the exit.
    PopupMenu3 = new QMenu(window_);
    PopupMenu3->setObjectName(QStringLiteral("PopupMenu3"));
    TaskTaryShow = PopupMenu3->addAction(QStringLiteral("ゼル君の目を覚ます"));
    TaskTaryShow->setObjectName(QStringLiteral("TaskTaryShow"));
    connect(TaskTaryShow, &QAction::triggered, this, [this] { TaskTaryShowClick(); });
    N16 = PopupMenu3->addAction(QStringLiteral("簡易エディターを開く"));
    N16->setObjectName(QStringLiteral("N16"));
    connect(N16, &QAction::triggered, this, [this] { emit editorRequested(); });
    N13 = PopupMenu3->addAction(QStringLiteral("ゼルモ３２を終了"));
    N13->setObjectName(QStringLiteral("N13"));
    connect(N13, &QAction::triggered, this, [this] { emit exitRequested(); });

    Tray = new ui::TrayService(window_);
    Tray->setMenu(PopupMenu3);
    Tray->setComeBackHandler([this] { TaskTaryShowClick(); });
}
