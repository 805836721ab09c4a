// The controls of the main window that exist before creation runs: the notebook with
// its twelve page panels, the tab set, the control page, the menus and the timer.
#include "app/TForm1.h"

#include "launcher/PageNames.h"
#include "launcher/SlotControls.h"
#include "ui/AlignLayout.h"
#include "ui/Panel.h"
#include "ui/Resources.h"
#include "ui/TabSet.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QStackedWidget>
#include <QTimer>
#include <QToolButton>

QStringList TForm1::NotebookPageCaptions() {
    QStringList captions;
    for (int n = 1; n <= 9; ++n)
        captions.append(QLatin1Char(' ') + QChar(0xFF10 + n) + QLatin1Char(' ')); // " １ "
    captions.append(QStringLiteral("１０"));
    captions.append(QStringLiteral("１１"));
    captions.append(QStringLiteral(" Ｃｏｎ. "));
    return captions;
}

namespace {

// Object names of the page-select items; the odd letter case of page2..page4 is theirs.
const char* const kPageItemNames[12] = {"Page1", "page2", "page3", "page4",  "Page5",  "Page6",
                                        "Page7", "Page8", "Page9", "Page10", "Page11", "Control"};

} // namespace

void TForm1::BuildDesign() {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Zelmo32"));
    setWindowIcon(ui::programIcon());
    resize(kDesignWidth, kDesignHeight);

    Layout = new ui::AlignLayout(this);
    BuildNotebook();

    TabSet1 = new ui::TabSet(this);
    TabSet1->setObjectName(QStringLiteral("TabSet1"));
    TabSet1->resize(kDesignWidth, kTabSetHeight);
    TabSet1->setTabHeight(kTabSetHeight - 1);
    TabSet1->setBackgroundColor(Qt::black);
    TabSet1->setSelectedColor(QColor(0, 255, 0));
    TabSet1->setUnselectedColor(QColor(0, 255, 255));
    Layout->addWidget(TabSet1, ui::Align::Top);
    connect(TabSet1, &ui::TabSet::change, this,
            [this](int newTab, bool* allow) { TabSet1Change(newTab, allow); });
    connect(TabSet1, &ui::TabSet::clicked, this, [this] { TabSet1Click(); });
    // Its presses move the window and open the context menu through the frame
    // (BuildWindowModes), like those on the page panels.

    BuildControlPage();
    BuildMenus();
    BuildFilePanel();

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    connect(Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });

    BuildWindowModes();
}

void TForm1::BuildNotebook() {
    Notebook1 = new QStackedWidget(this);
    Notebook1->setObjectName(QStringLiteral("Notebook1"));
    Notebook1->resize(kDesignWidth, 38);
    Layout->addWidget(Notebook1, ui::Align::Top);

    // Launcher panels: no bevel, the system's grey-text colour as background.
    const QColor grayText = QApplication::palette().color(QPalette::Disabled, QPalette::Text);
    for (int p = 0; p < kPages; ++p) {
        auto* panel = new ui::Panel(Notebook1);
        panel->setObjectName(QStringLiteral("BP%1Panel").arg(p + 1));
        panel->setColor(grayText);
        Notebook1->addWidget(panel);
        BPPanels[p] = panel;
    }
    connect(BPPanels[0], &ui::Panel::doubleClicked, this, [this] { BP1PanelDblClick(); });

    ControlPanel = new ui::Panel(Notebook1);
    ControlPanel->setObjectName(QStringLiteral("ControlPanel"));
    Notebook1->addWidget(ControlPanel);
    Notebook1->setCurrentIndex(0);
}

void TForm1::BuildControlPage() {
    struct Tool {
        QToolButton* TForm1::*field;
        const char* name;
        int left;
        QString hint;
        void (TForm1::*handler)();
    };
    const Tool tools[] = {
        {&TForm1::CloseButton, "CloseButton", 10, QStringLiteral("ゼルモを終了"),
         &TForm1::CloseButtonClick},
        {&TForm1::VierButton, "VierButton", 47, QStringLiteral("ビューアを開く"),
         &TForm1::VierButtonClick},
        {&TForm1::VierCloseBottun, "VierCloseBottun", 77, QStringLiteral("ビューアを閉じる"),
         &TForm1::VierCloseClick},
        {&TForm1::ZoomoutSB, "ZoomoutSB", 108, QStringLiteral("縮小 (30% down)"),
         &TForm1::ZoomOutClick},
        {&TForm1::ZoomInSB, "ZoomInSB", 138, QStringLiteral("拡大 (10% up)"), &TForm1::ZoomInClick},
        {&TForm1::SBMax, "SBMax", 169, QStringLiteral("フォームを最大化"), &TForm1::PopupMaxClick},
        {&TForm1::SBNor, "SBNor", 199, QStringLiteral("フォームをノーマル化"),
         &TForm1::PopupNorClick},
        {&TForm1::MinimizeButton, "MinimizeButton", 229, QStringLiteral("フォームをアイコン化"),
         &TForm1::MinimizeButtonClick},
        {&TForm1::DirSPB, "DirSPB", 260, QStringLiteral("ディレクトリパネル表示/非表示"),
         &TForm1::DirSPBClick},
        {&TForm1::FindDirSPB, "FindDirSPB", 291, QStringLiteral("下位ディレクトリの検索"),
         &TForm1::FindDirectoryClick},
        {&TForm1::MKDirSB, "MKDirSB", 322, QStringLiteral("ディレクトリを作成"),
         &TForm1::DirMakeClick},
        {&TForm1::EditB, "EditB", 353, QStringLiteral("簡易エディタを開く"), &TForm1::EditPopClick},
        {&TForm1::TRayButton, "TRayButton", 387, QStringLiteral("タスク・トレーに移動"),
         &TForm1::TaskTrayClick},
        {&TForm1::SBP, "SBP", 422, QStringLiteral("リソース計測／各種情報"), &TForm1::SBPClick},
    };
    for (const Tool& t : tools) {
        auto* b = new QToolButton(ControlPanel);
        const QString name = QString::fromLatin1(t.name);
        b->setObjectName(name);
        const bool large = name == QLatin1String("SBP");
        b->setGeometry(t.left, large ? 3 : 4, large ? 32 : 30, large ? 32 : 30);
        b->setToolTip(t.hint);
        b->setFocusPolicy(Qt::NoFocus);
        // Two-state pictures: the second state is the disabled look.
        b->setIcon(ui::controlGlyphIcon(name));
        b->setIconSize(ui::glyphSize(name));
        connect(b, &QToolButton::clicked, this, [this, h = t.handler] { (this->*h)(); });
        this->*(t.field) = b;
    }

    Image1 = new QLabel(ControlPanel);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(499, 4, 27, 27);
    Image1->setScaledContents(true);
    Image1->setToolTip(SBP->toolTip());
    Image1->setEnabled(false);
    Image1->hide();
}

void TForm1::BuildMenus() {
    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    connect(PopupMenu1, &QMenu::aboutToShow, this, [this] { PopupMenu1Popup(); });

    PageSelect = PopupMenu1->addMenu(QStringLiteral("ページ を 選択  (&P)"));
    PageSelect->setObjectName(QStringLiteral("PageSelect"));
    for (int i = 0; i < 12; ++i) {
        QAction* item =
            PageSelect->addAction(launcher::PageItemCaption(i, launcher::DefaultPageName(i)));
        item->setObjectName(QString::fromLatin1(kPageItemNames[i]));
        item->setData(i + 1); // tag
        item->setCheckable(true);
        connect(item, &QAction::triggered, this, [this, item] { Page1Click(item); });
        PageItems[i] = item;
    }

    PopButton = PopupMenu1->addMenu(QStringLiteral("ボタン へ 登録 (&B)"));
    PopButton->setObjectName(QStringLiteral("PopButton"));
    for (int k = 0; k < kSlots; ++k) {
        QAction* item = PopButton->addAction(QString());
        item->setObjectName(QStringLiteral("Button%1").arg(k + 1));
        item->setData(k + 1); // tag
        connect(item, &QAction::triggered, this, [this, item] { Button1Click(item); });
        ButtonItems[k] = item;
    }

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

    PopupMenu3 = new QMenu(this);
    PopupMenu3->setObjectName(QStringLiteral("PopupMenu3"));
    N13 = PopupMenu3->addAction(QStringLiteral("ゼルモ３２を終了"));
    N13->setObjectName(QStringLiteral("N13"));
    connect(N13, &QAction::triggered, this, [this] { N13Click(); });
}

void TForm1::BuildSlotControls(int page, const std::function<void()>& afterEach) {
    ui::Panel* panel = BPPanels[page];
    const QString prefix = QStringLiteral("BP%1").arg(page + 1);
    for (int k = 0; k < kSlots; ++k) {
        auto* b = new launcher::SlotButton(k, panel);
        b->setObjectName(prefix + QStringLiteral("FileName") + QString::number(k));
        b->setGeometry(5 + 37 * k, 1, kSlotButtonSize, kSlotButtonSize);
        connect(b, &QPushButton::clicked, this, [this, b] { BP3SPiClick(b); });
        connect(b, &launcher::SlotButton::mouseDown, this,
                [this, b](Qt::MouseButton btn, QPoint p) { BP3SPiMouseDown(b, btn, p); });
        b->show();
        SlotButtons[page][k] = b;
        if (afterEach)
            afterEach();
    }
    for (int k = 0; k < kSlots; ++k) {
        auto* img = new launcher::SlotImage(k, panel);
        img->setObjectName(prefix + QStringLiteral("SPi") + QString::number(k));
        img->setGeometry(7 + 37 * k, 3, 32, 32);
        img->setSlotEnabled(false);
        img->setToolTip(QStringLiteral("未登録 ") + QString::number(k + 1));
        connect(img, &launcher::SlotImage::clicked, this, [this, img] { BP3SPiClick(img); });
        connect(img, &launcher::SlotImage::mouseDown, this,
                [this, img](Qt::MouseButton btn, QPoint p) { BP3SPiMouseDown(img, btn, p); });
        connect(img, &launcher::SlotImage::mouseUp, this,
                [this, img](Qt::MouseButton btn, QPoint p) { BP3SPiMouseUp(img, btn, p); });
        connect(
            img, &launcher::SlotImage::dragOver, this,
            [this, img](QObject* source, bool* accept) { *accept = BP3SPiDragOver(img, source); });
        connect(img, &launcher::SlotImage::dragDrop, this,
                [this, img](QObject* source) { BP3SPiDragDrop(img, source); });
        img->show();
        SlotImages[page][k] = img;
        if (afterEach)
            afterEach();
    }
}
