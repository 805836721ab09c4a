// The file browser's controls below the launcher strip: the bottom bar with the drive
// and filter boxes, the directory panel with the tree, and the right panel with the two
// sheets of file lists and the information bar; and the panel's menu items.
#include "browser/FilePanel.h"

#include "browser/DirTreeViewS.h"
#include "browser/FileListBox.h"
#include "browser/FilePanelText.h"
#include "browser/TDirMakeForm.h"
#include "platform/Drives.h"
#include "platform/FsName.h"
#include "ui/AlignLayout.h"
#include "ui/CaptionPanel.h"
#include "ui/HelpWindow.h"
#include "ui/Panel.h"
#include "ui/PixelRatioWatch.h"
#include "ui/Resources.h"

#include <QAction>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QToolButton>

namespace browser {

namespace {

constexpr int kBottomBarHeight = 45;
constexpr int kDirectoryPanelWidth = 193;
constexpr int kInfoBarHeight = 40;
constexpr int kHeaderHeight = 19;

QHeaderView* makeHeader(QWidget* parent, const char* name, bool withDirectory) {
    auto* header = new QHeaderView(Qt::Horizontal, parent);
    header->setObjectName(QString::fromLatin1(name));
    QStringList titles = {QStringLiteral("Sort by"), QStringLiteral("Name"), QStringLiteral("Ext"),
                          QStringLiteral("Size"), QStringLiteral("Time")};
    if (withDirectory)
        titles << QStringLiteral("Directory") << QString();
    auto* model = new QStandardItemModel(0, int(titles.size()), header);
    model->setHorizontalHeaderLabels(titles);
    for (int i = 1; i <= 4; ++i)
        model->setHeaderData(i, Qt::Horizontal, int(Qt::AlignCenter), Qt::TextAlignmentRole);
    header->setModel(model);
    header->setSectionsClickable(true);
    header->setHighlightSections(false);
    header->setSortIndicatorShown(false);
    header->setStretchLastSection(false);
    header->setMinimumSectionSize(1);
    header->resizeSection(0, 85);
    for (int i = 1; i <= 4; ++i)
        header->resizeSection(i, 50);
    if (withDirectory) {
        header->resizeSection(5, 100);
        header->resizeSection(6, 1000);
    }
    header->setToolTip(QStringLiteral("項目のクリックにより、指定項目に基づきソート"));
    header->setFixedHeight(kHeaderHeight);
    header->resize(header->width(), kHeaderHeight);
    return header;
}

TFileListBoxS* makeList(QWidget* parent, const char* name, int tag) {
    auto* list = new TFileListBoxS(parent);
    list->setObjectName(QString::fromLatin1(name));
    list->setProperty("tag", tag);
    list->SetColumns(2);
    list->SetSortOrder(browser::soName);
    list->SetSortDirection(browser::sdUpword);
    list->SetItemHeight(40);
    list->setContextMenuPolicy(Qt::NoContextMenu); // its menu is opened by code
    return list;
}

} // namespace

FilePanel::FilePanel(core::SharedState& state, QWidget* window, ui::AlignLayout* layout,
                     QMenu* contextMenu)
    : QObject(window), state_(state), window_(window), contextMenu_(contextMenu) {
    LoadFileImage = [](const QString& path, const pictures::PictureRequest& request) {
        return pictures::LoadFileImage(path, request);
    };
    BuildControls(window, layout);
    BuildMenus(window, contextMenu);
    Connect();
}

void FilePanel::BuildControls(QWidget* window, ui::AlignLayout* layout) {
    const int designWidth = window->width();
    // ---- Bottom bar.
    Panel1 = new ui::Panel(window);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel1->resize(designWidth, kBottomBarHeight);
    layout->addWidget(Panel1, ui::Align::Bottom);

    DriveComboBox1 = new QComboBox(Panel1);
    DriveComboBox1->setObjectName(QStringLiteral("DriveComboBox1"));
    DriveComboBox1->setGeometry(8, 11, 153, 22);
    DriveComboBox1->setToolTip(QStringLiteral("ドライブ選択"));
    const QPixmap driveImage = ui::dirImages().value(ui::DirDrive);
    for (const QString& root : platform::DriveList())
        DriveComboBox1->addItem(QIcon(driveImage),
                                platform::displayName(platform::driveRootPath(root)), root);

    FilterComboBox1 = new QComboBox(Panel1);
    FilterComboBox1->setObjectName(QStringLiteral("FilterComboBox1"));
    FilterComboBox1->setGeometry(168, 11, 185, 22);
    FilterComboBox1->setToolTip(QStringLiteral("拡張子指定 ( 絞り込み )"));
    FilterComboBox1->setMaxVisibleItems(13);
    for (const browser::FilterEntry& entry : browser::FilterEntries())
        FilterComboBox1->addItem(entry.description, entry.mask);

    CountLabel = new QLabel(Panel1);
    CountLabel->setObjectName(QStringLiteral("CountLabel"));
    CountLabel->setTextFormat(Qt::PlainText);
    CountLabel->setAutoFillBackground(true);
    {
        QPalette pal = CountLabel->palette();
        pal.setColor(QPalette::Window, QColor(0, 255, 0));
        pal.setColor(QPalette::WindowText, QColor(0, 0, 255));
        CountLabel->setPalette(pal);
        QFont f = CountLabel->font();
        f.setPixelSize(19);
        CountLabel->setFont(f);
    }
    CountLabel->move(362, 11);
    CountLabel->adjustSize();

    // ---- Directory panel: the tree over its information bar.
    DirectoryPanel = new ui::Panel(window);
    DirectoryPanel->setObjectName(QStringLiteral("DirectoryPanel"));
    DirectoryPanel->resize(kDirectoryPanelWidth, 300);
    DirectoryPanel->setMouseTracking(true);
    layout->addWidget(DirectoryPanel, ui::Align::Left);
    auto* dirLayout = new ui::AlignLayout(DirectoryPanel);
    // The panel's last 5 pixels stay its own: the splitter.
    auto* grip = new QWidget(DirectoryPanel);
    grip->setObjectName(QStringLiteral("DirectoryPanelGrip"));
    grip->setAttribute(Qt::WA_TransparentForMouseEvents);
    grip->resize(5, 300);
    dirLayout->addWidget(grip, ui::Align::Right);

    PanelL = new ui::CaptionPanel(DirectoryPanel);
    PanelL->setObjectName(QStringLiteral("PanelL"));
    PanelL->resize(kDirectoryPanelWidth, kInfoBarHeight);
    dirLayout->addWidget(PanelL, ui::Align::Bottom);

    DirList2 = new TDirTreeViewS(DirectoryPanel);
    DirList2->setObjectName(QStringLiteral("DirList2"));
    DirList2->setIndentation(20);
    DirList2->setContextMenuPolicy(Qt::NoContextMenu); // its menus are opened by code
    // Files dragged from the lists are dropped on its folders (copy, move, extract); the
    // panel's event filter takes the drag and drop events of its viewport.
    DirList2->setAcceptDrops(true);
    dirLayout->addWidget(DirList2, ui::Align::Client);

    // ---- Right panel: information bar at the bottom, the sheets above it.
    Panel3 = new ui::Panel(window);
    Panel3->setObjectName(QStringLiteral("Panel3"));
    layout->addWidget(Panel3, ui::Align::Client);
    auto* rightLayout = new ui::AlignLayout(Panel3);

    PanelR = new ui::CaptionPanel(Panel3);
    PanelR->setObjectName(QStringLiteral("PanelR"));
    PanelR->resize(designWidth - kDirectoryPanelWidth, kInfoBarHeight);
    rightLayout->addWidget(PanelR, ui::Align::Bottom);

    SelectImage = new QLabel(PanelR);
    SelectImage->setObjectName(QStringLiteral("SelectImage"));
    SelectImage->setGeometry(16, 4, 32, 32);
    SelectImage->setScaledContents(true);
    SelectImage->hide();
    ui::OnPixelRatioChange(SelectImage, [this] { RemakeSelectImage(); });

    PageControl = new QTabWidget(Panel3);
    PageControl->setObjectName(QStringLiteral("PageControl"));
    PageControl->setDocumentMode(true);
    rightLayout->addWidget(PageControl, ui::Align::Client);

    // First sheet: the current directory.
    TabSheet1 = new QWidget;
    TabSheet1->setObjectName(QStringLiteral("TabSheet1"));
    auto* sheet1Layout = new ui::AlignLayout(TabSheet1);
    HeaderControl1 = makeHeader(TabSheet1, "HeaderControl1", false);
    sheet1Layout->addWidget(HeaderControl1, ui::Align::Top);
    ListBox1 = makeList(TabSheet1, "ListBox1", 1);
    sheet1Layout->addWidget(ListBox1, ui::Align::Client);
    PageControl->addTab(TabSheet1, QStringLiteral(" 現在のディレクトリ  "));

    // Second sheet: the bulk search result with its information and search bars.
    TabSheet2 = new QWidget;
    TabSheet2->setObjectName(QStringLiteral("TabSheet2"));
    auto* sheet2Layout = new ui::AlignLayout(TabSheet2);
    DPanel = new ui::Panel(TabSheet2);
    DPanel->setObjectName(QStringLiteral("DPanel"));
    DPanel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    DPanel->setMouseTracking(true);
    DPanel->resize(designWidth, 22);
    sheet2Layout->addWidget(DPanel, ui::Align::Top);
    DpanelLabel = new QLabel(QStringLiteral(" ご利用になっていません"), DPanel);
    DpanelLabel->setObjectName(QStringLiteral("DpanelLabel"));
    DpanelLabel->setTextFormat(Qt::PlainText); // paths, shown as they are
    DpanelLabel->setGeometry(4, 3, 2000, 16);
    DpanelLabel->setAttribute(Qt::WA_TransparentForMouseEvents); // the bar takes the mouse
    HeaderControl2 = makeHeader(TabSheet2, "HeaderControl2", true);
    sheet2Layout->addWidget(HeaderControl2, ui::Align::Top);

    SPanel = new ui::Panel(TabSheet2);
    SPanel->setObjectName(QStringLiteral("SPanel"));
    SPanel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    SPanel->resize(designWidth, 31);
    sheet2Layout->addWidget(SPanel, ui::Align::Bottom);
    Label1 = new QLabel(QStringLiteral("Select"), SPanel);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(8, 7, 40, 17);
    Edit1 = new QLineEdit(SPanel);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setGeometry(52, 4, 161, 23);
    Edit1->setToolTip(QStringLiteral("検索する文字を指定（ 例 ：  Ｒ＊．ＥＸＥ ）"));
    Edit1->setAutoFillBackground(true);
    SSpeedB = new QToolButton(SPanel);
    SSpeedB->setObjectName(QStringLiteral("SSpeedB"));
    SSpeedB->setGeometry(218, 3, 25, 25);
    SSpeedB->setToolTip(QStringLiteral("下位ディレクトリへ一気検索開始"));
    SSpeedB->setIcon(ui::controlGlyphIcon(QStringLiteral("FindDirSPB")));
    SSpeedB->setIconSize(QSize(20, 20));
    SSpeedB->setFocusPolicy(Qt::NoFocus);

    ListBox2 = makeList(TabSheet2, "ListBox2", 2);
    sheet2Layout->addWidget(ListBox2, ui::Align::Client);
    PageControl->addTab(TabSheet2, QStringLiteral(" 一気検索結果 "));
    PageControl->setCurrentIndex(0);
}

void FilePanel::BuildMenus(QWidget* window, QMenu* contextMenu) {
    // ---- Items of the context menu, before its help and exit items.
    QAction* before = nullptr;
    for (QAction* a : contextMenu->actions())
        if (a->isSeparator()) {
            before = a;
            break;
        }
    auto addItem = [&](QMenu* menu, const QString& caption, const char* name) {
        auto* item = new QAction(caption, menu);
        item->setObjectName(QString::fromLatin1(name));
        if (menu == contextMenu)
            menu->insertAction(before, item);
        else
            menu->addAction(item);
        return item;
    };
    auto addSubmenu = [&](const QString& caption, const char* name) {
        auto* menu = new QMenu(caption, contextMenu);
        menu->setObjectName(QString::fromLatin1(name));
        contextMenu->insertMenu(before, menu);
        return menu;
    };

    GyouM = addSubmenu(QStringLiteral("カラムの 行数 指定"), "GyouM");
    static const char* const kGyouNames[12] = {"K11", "K21", "K31", "K41", "K51",  "K6",
                                               "K61", "K7",  "K8",  "K9",  "K111", "K121"};
    for (int i = 0; i < 12; ++i) {
        QAction* item = addItem(GyouM, browser::RowsItemCaption(i + 1), kGyouNames[i]);
        item->setData(i + 1);
        connect(item, &QAction::triggered, this, [this, item] { K11Click(item); });
        GyouItems[i] = item;
    }
    RetuM = addSubmenu(QStringLiteral("カラムの 列数 指定"), "RetuM");
    static const char* const kRetuNames[4] = {"K2", "K3", "K4", "K5"};
    for (int i = 0; i < 4; ++i) {
        QAction* item = addItem(RetuM, browser::ColumnsItemCaption(i + 1), kRetuNames[i]);
        item->setData(i + 1);
        connect(item, &QAction::triggered, this, [this, item] { K2Click(item); });
        RetuItems[i] = item;
    }
    GRM = addSubmenu(QStringLiteral("カラムの 行列数 同時指定"), "GRM");
    const QString grCaptions[3] = {QStringLiteral("１行 × １列  表示"),
                                   QStringLiteral("２行 × ２列  表示"),
                                   QStringLiteral("３行 × ３列  表示")};
    static const char* const kGrNames[3] = {"K12", "K13", "K14"};
    for (int i = 0; i < 3; ++i) {
        QAction* item = addItem(GRM, grCaptions[i], kGrNames[i]);
        item->setData(i + 1);
        connect(item, &QAction::triggered, this, [this, item] { K12Click(item); });
        GRItems[i] = item;
    }
    contextMenu->insertSeparator(before);
    FindDirectory =
        addItem(contextMenu, QStringLiteral("下位ﾃﾞｨﾚｸﾄﾘの一気検索 (&S)"), "FindDirectory");
    contextMenu->setDefaultAction(FindDirectory);
    connect(FindDirectory, &QAction::triggered, this, [this] { emit findDirectoryRequested(); });
    RootMove = addItem(contextMenu, QStringLiteral("ﾙｰﾄﾃﾞｨﾚｸﾄﾘ へ 移動 (&T)"), "RootMove");
    connect(RootMove, &QAction::triggered, this, [this] { RootMoveClick(); });
    DirSee = addItem(contextMenu, QStringLiteral("ﾃﾞｨﾚｸﾄﾘﾊﾟﾈﾙ(表示/非表示)(&W)"), "DirSee");
    connect(DirSee, &QAction::triggered, this, [this] { DirSPBClick(); });
    FileListChan =
        addItem(contextMenu, QStringLiteral("ファイルリストの切り替え(&F)"), "FileListChan");
    connect(FileListChan, &QAction::triggered, this, [this] { FileListChanClick(); });
    QAction* dirMake = addItem(contextMenu, QStringLiteral("ディレクトリ を 作成 (&M)"), "DirMake");
    ui::SetHelpContext(dirMake, TDirMakeForm::kHelpContext);
    connect(dirMake, &QAction::triggered, this, [this] { DirMakeClick(); });

    // ---- The tree's menu.
    PopupMenu2 = new QMenu(window);
    PopupMenu2->setObjectName(QStringLiteral("PopupMenu2"));
    connect(PopupMenu2, &QMenu::aboutToShow, this, [this] { PopupMenu2Popup(); });
    EXT = PopupMenu2->addMenu(QStringLiteral("拡張子  (&K)"));
    EXT->setObjectName(QStringLiteral("EXT"));
    static const char* const kExtNames[13] = {"EXE", "ALL", "LZH", "BMP", "TXT", "INI", "HLP",
                                              "SCR", "LOG", "DAT", "ICO", "JPG", "GIF"};
    for (int i = 0; i < 13; ++i) {
        QAction* item = EXT->addAction(browser::ExtItemCaption(i));
        item->setObjectName(QString::fromLatin1(kExtNames[i]));
        item->setData(i); // tag: the filter index
        item->setCheckable(true);
        connect(item, &QAction::triggered, this, [this, item] { BMPClick(item); });
        ExtItems[i] = item;
    }
    FindDirectory1 = PopupMenu2->addAction(QStringLiteral("一気検索 (&S)"));
    FindDirectory1->setObjectName(QStringLiteral("FindDirectory1"));
    PopupMenu2->setDefaultAction(FindDirectory1);
    connect(FindDirectory1, &QAction::triggered, this, [this] { emit findDirectoryRequested(); });
    QAction* dirMake1 = PopupMenu2->addAction(QStringLiteral("ﾃﾞｨﾚｸﾄﾘ作成 (&M)"));
    dirMake1->setObjectName(QStringLiteral("DirMake1"));
    connect(dirMake1, &QAction::triggered, this, [this] { DirMakeClick(); });
    PopupMenu2->addSeparator();
    TOPT1 = PopupMenu2->addAction(QStringLiteral("Top Line (&T)"));
    TOPT1->setObjectName(QStringLiteral("TOPT1"));
    connect(TOPT1, &QAction::triggered, this, [this] { TOPT1Click(); });
    LASTL1 = PopupMenu2->addAction(QStringLiteral("Last Line(&L)"));
    LASTL1->setObjectName(QStringLiteral("LASTL1"));
    connect(LASTL1, &QAction::triggered, this, [this] { LASTL1Click(); });
    K1 = PopupMenu2->addAction(QStringLiteral("最新の情報に更新 (&R)"));
    K1->setObjectName(QStringLiteral("K1"));
    connect(K1, &QAction::triggered, this, [this] { K1Click(); });
}

} // namespace browser
