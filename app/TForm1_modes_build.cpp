// The window-mode parts of the main window that exist from construction on: the frame
// of the caption-less window, the notification icon, the mode items of the context menu
// and the tray menu, and the file panel's resize hook.
#include "app/TForm1.h"

#include "app/ViewerGeometry.h"
#include "ui/FramelessFrame.h"
#include "ui/Panel.h"
#include "ui/TabSet.h"
#include "ui/TrayService.h"

#include <QAction>
#include <QEvent>
#include <QMenu>
#include <QStackedWidget>

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

void TForm1::BuildWindowModes() {
    // ---- Frame: moved by its background, edges inert and height held while the viewer
    //      is closed (only the launcher strip is left then).
    Frame = new ui::FramelessFrame(this);
    Frame->setEdgesInertWhen([this] { return !ViewerOpen; });
    Frame->setHeightLockedWhen([this] { return !ViewerOpen && !Creating; });
    Frame->addBackground(this);
    for (ui::Panel* panel : BPPanels)
        Frame->addBackground(panel);
    Frame->addBackground(ControlPanel);
    Frame->addBackground(TabSet1);
    Frame->setRightPressHandler([this](QWidget* control, QPoint globalPos) {
        FormMouseDown(control, Qt::RightButton, control->mapFromGlobal(globalPos));
    });

    // ---- Context menu items, before its help and exit items.
    QAction* before = HelpH1;
    const QList<QAction*> items = PopupMenu1->actions();
    const qsizetype helpAt = items.indexOf(HelpH1);
    if (helpAt > 0 && items.at(helpAt - 1)->isSeparator())
        before = items.at(helpAt - 1);
    auto addItem = [&](const QString& caption, const char* name, void (TForm1::*handler)()) {
        auto* item = new QAction(caption, PopupMenu1);
        item->setObjectName(QString::fromLatin1(name));
        PopupMenu1->insertAction(before, item);
        connect(item, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
        return item;
    };
    PopupMenu1->insertSeparator(before);
    Normalsize =
        addItem(QStringLiteral("ビューア を 開く (&O)"), "Normalsize", &TForm1::VierButtonClick);
    VierClose =
        addItem(QStringLiteral("ビューア を 閉じる (&C)"), "VierClose", &TForm1::VierCloseClick);
    PopupMenu1->insertSeparator(before);
    PopupMax =
        addItem(QStringLiteral("最大化（ビューアも開く）(&V)"), "PopupMax", &TForm1::PopupMaxClick);
    PopupNor = addItem(QStringLiteral("ノーマル化 (&N)"), "PopupNor", &TForm1::PopupNorClick);
    PopupMini =
        addItem(QStringLiteral("アイコン化 (&i)"), "PopupMini", &TForm1::MinimizeButtonClick);
    PopupMenu1->insertSeparator(before);
    ZoomOut = addItem(QStringLiteral("縮小  ( 30 % down ) (&D)"), "ZoomOut", &TForm1::ZoomOutClick);
    ZoomIn = addItem(QStringLiteral("拡大  ( 10 % up ) (&U)"), "ZoomIn", &TForm1::ZoomInClick);
    PopupMenu1->insertSeparator(before);
    TaskTray =
        addItem(QStringLiteral("タスク・トレーに移動 (&G)"), "TaskTray", &TForm1::TaskTrayClick);

    // ---- Tray menu: come back and the editor above the exit item.
    TaskTaryShow = new QAction(QStringLiteral("ゼル君の目を覚ます"), PopupMenu3);
    TaskTaryShow->setObjectName(QStringLiteral("TaskTaryShow"));
    connect(TaskTaryShow, &QAction::triggered, this, [this] { TaskTaryShowClick(); });
    N16 = new QAction(QStringLiteral("簡易エディターを開く"), PopupMenu3);
    N16->setObjectName(QStringLiteral("N16"));
    connect(N16, &QAction::triggered, this, [this] { EditPopClick(); });
    PopupMenu3->insertActions(N13, {TaskTaryShow, N16});

    Tray = new ui::TrayService(this);
    Tray->setMenu(PopupMenu3);
    Tray->setComeBackHandler([this] { TaskTaryShowClick(); });

    // ---- The file list re-lays its rows whenever the right panel changes size.
    new ResizeWatcher(Panel3, [this] { Panel3Resize(); });
}
