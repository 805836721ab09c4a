// The launcher strip's controls and its pages: which page is shown, kept in step between
// the notebook (the single source of truth), the tab set and the page-select menu; the
// start-up steps of the entries, the page names and the cursors.
#include "launcher/LauncherStrip.h"

#include "core/BusyCursor.h"
#include "core/SettingsFile.h"
#include "core/SharedState.h"
#include "launcher/PageNames.h"
#include "launcher/SelectionSource.h"
#include "launcher/SlotAccessible.h"
#include "launcher/SlotControls.h"
#include "launcher/StripKeys.h"
#include "launcher/TTabsetF.h"
#include "ui/AlignLayout.h"
#include "ui/HelpWindow.h"
#include "ui/Panel.h"
#include "ui/PixelRatioWatch.h"
#include "ui/TabSet.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QStackedWidget>

namespace launcher {

namespace {

// Object names of the page-select items; the odd letter case of page2..page4 is theirs.
const char* const kPageItemNames[12] = {"Page1", "page2", "page3", "page4",  "Page5",  "Page6",
                                        "Page7", "Page8", "Page9", "Page10", "Page11", "Control"};

} // namespace

QStringList LauncherStrip::NotebookPageCaptions() {
    QStringList captions;
    for (int n = 1; n <= 9; ++n)
        captions.append(QLatin1Char(' ') + QChar(0xFF10 + n) + QLatin1Char(' ')); // " １ "
    captions.append(QStringLiteral("１０"));
    captions.append(QStringLiteral("１１"));
    captions.append(QStringLiteral(" Ｃｏｎ. "));
    return captions;
}

LauncherStrip::LauncherStrip(core::SharedState& state, QWidget* window, ui::AlignLayout* layout,
                             QMenu* contextMenu)
    : QObject(window), state_(state) {
    InstallSlotAccessibility(this);
    Keys = new StripKeys(*this);
    const int width = window->width();
    Notebook1 = new QStackedWidget(window);
    Notebook1->setObjectName(QStringLiteral("Notebook1"));
    Notebook1->resize(width, 38);
    layout->addWidget(Notebook1, ui::Align::Top);
    // The slots' pictures are made for the screen the window is on.
    ui::OnPixelRatioChange(Notebook1, [this] { RemakeSlotPictures(); });

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

    TabSet1 = new ui::TabSet(window);
    TabSet1->setObjectName(QStringLiteral("TabSet1"));
    TabSet1->resize(width, kTabSetHeight);
    TabSet1->setTabHeight(kTabSetHeight - 1);
    TabSet1->setBackgroundColor(Qt::black);
    TabSet1->setSelectedColor(QColor(0, 255, 0));
    TabSet1->setUnselectedColor(QColor(0, 255, 255));
    layout->addWidget(TabSet1, ui::Align::Top);
    connect(TabSet1, &ui::TabSet::change, this,
            [this](int newTab, bool* allow) { TabSet1Change(newTab, allow); });
    connect(TabSet1, &ui::TabSet::clicked, this, [this] { TabSet1Click(); });
    // Its presses move the window and open the context menu through the window's frame,
    // like those on the page panels.

    PageSelect = contextMenu->addMenu(QStringLiteral("ページ を 選択  (&P)"));
    PageSelect->setObjectName(QStringLiteral("PageSelect"));
    for (int i = 0; i < 12; ++i) {
        QAction* item = PageSelect->addAction(PageItemCaption(i, DefaultPageName(i)));
        item->setObjectName(QString::fromLatin1(kPageItemNames[i]));
        item->setData(i + 1); // tag
        item->setCheckable(true);
        connect(item, &QAction::triggered, this, [this, item] { Page1Click(item); });
        PageItems[i] = item;
    }

    TabSetPMenu = contextMenu->addAction(QStringLiteral("ページ・タブ名の設定 (&K)"));
    TabSetPMenu->setObjectName(QStringLiteral("TabSetPMenu"));
    ui::SetHelpContext(TabSetPMenu, TTabsetF::kHelpContext);
    connect(TabSetPMenu, &QAction::triggered, this, [this] { TabSetPMenuClick(); });

    PopButton = contextMenu->addMenu(QStringLiteral("ボタン へ 登録 (&B)"));
    PopButton->setObjectName(QStringLiteral("PopButton"));
    for (int k = 0; k < kSlots; ++k) {
        QAction* item = PopButton->addAction(QString());
        item->setObjectName(QStringLiteral("Button%1").arg(k + 1));
        item->setData(k + 1); // tag
        connect(item, &QAction::triggered, this, [this, item] { Button1Click(item); });
        ButtonItems[k] = item;
    }
}

void LauncherStrip::BuildSlotControls(int page, const std::function<void()>& afterEach) {
    ui::Panel* panel = BPPanels[page];
    const QString prefix = QStringLiteral("BP%1").arg(page + 1);
    for (int k = 0; k < kSlots; ++k) {
        auto* b = new SlotButton(k, panel);
        b->setObjectName(prefix + QStringLiteral("FileName") + QString::number(k));
        b->setGeometry(5 + 37 * k, 1, kSlotButtonSize, kSlotButtonSize);
        connect(b, &QPushButton::clicked, this, [this, b] { BP3SPiClick(b); });
        connect(b, &SlotButton::mouseDown, this,
                [this, b](Qt::MouseButton btn, QPoint p) { BP3SPiMouseDown(b, btn, p); });
        b->show();
        SlotButtons[page][k] = b;
        if (afterEach)
            afterEach();
    }
    for (int k = 0; k < kSlots; ++k) {
        auto* img = new SlotImage(k, panel);
        img->setObjectName(prefix + QStringLiteral("SPi") + QString::number(k));
        img->setGeometry(7 + 37 * k, 3, 32, 32);
        img->setSlotEnabled(false);
        img->setToolTip(QStringLiteral("未登録 ") + QString::number(k + 1));
        connect(img, &SlotImage::clicked, this, [this, img] { BP3SPiClick(img); });
        connect(img, &SlotImage::mouseDown, this,
                [this, img](Qt::MouseButton btn, QPoint p) { BP3SPiMouseDown(img, btn, p); });
        connect(img, &SlotImage::mouseUp, this,
                [this, img](Qt::MouseButton btn, QPoint p) { BP3SPiMouseUp(img, btn, p); });
        connect(img, &SlotImage::dragOver, this, [this, img](QObject* source, bool* accept) {
            *accept = BP3SPiDragOver(img, source);
        });
        connect(img, &SlotImage::dragDrop, this,
                [this, img](QObject* source) { BP3SPiDragDrop(img, source); });
        img->show();
        SlotImages[page][k] = img;
        if (afterEach)
            afterEach();
    }
    Keys->AddButtons({SlotButtons[page].begin(), SlotButtons[page].end()});
}

int LauncherStrip::PageIndex() const {
    return Notebook1 ? Notebook1->currentIndex() : -1;
}

void LauncherStrip::LoadEntries(const std::function<void()>& afterEach) {
    Entries.LoadAll(SettingsFile(), afterEach);
}

void LauncherStrip::ShowStartupEntries() {
    for (int p = 0; p < kPages; ++p)
        for (int k = 0; k < kSlots; ++k)
            if (Entries.isRegistered(p, k))
                ShowStartupEntry(p, k);
}

void LauncherStrip::SetHandCursors(const std::array<QCursor, 3>& cursors) {
    for (ui::Panel* panel : BPPanels)
        panel->setCursor(cursors[2]);
    ControlPanel->setCursor(cursors[2]);
    TabSet1->setCursor(cursors[0]);
}

void LauncherStrip::LoadPageNames() {
    PageNames = launcher::LoadPageNames(SettingsFile());
}

void LauncherStrip::SavePageNames() {
    SettingsFile ini;
    launcher::SavePageNames(ini, PageNames);
}

void LauncherStrip::TabSet1Change(int newTab, bool* /*allow*/) {
    Notebook1->setCurrentIndex(newTab);
    SetSlotImagesEnabled(state_.ViewerOpen);
    emit pageChanged(newTab);
}

void LauncherStrip::TabSet1Click() {
    CheckPageItem(TabSet1->tabIndex());
}

void LauncherStrip::Page1Click(QObject* sender) {
    auto* item = qobject_cast<QAction*>(sender);
    if (!item)
        return;
    Notebook1->setCurrentIndex(item->data().toInt() - 1);
    TabSet1->setTabIndex(Notebook1->currentIndex());
    CheckPageItem(Notebook1->currentIndex());
}

void LauncherStrip::SetSlotImagesEnabled(bool enabled) {
    const int page = PageIndex();
    if (page < 0 || page >= kPages)
        return; // the control page has no slots
    for (SlotImage* image : SlotImages[page])
        if (image && image->isSlotEnabled() != enabled)
            image->setSlotEnabled(enabled);
}

void LauncherStrip::CheckPageItem(int index) {
    if (index < 0 || index >= int(PageItems.size()))
        return;
    for (QAction* item : PageItems)
        item->setChecked(false);
    PageItems[index]->setChecked(true);
}

void LauncherStrip::UpdateMenuItems() {
    // Registration captions from the page's entries.
    if (OnLauncherPage())
        RebuildRegistrationCaptions();
    // Registering needs a selected file in the active list.
    PopButton->setEnabled(state_.ViewerOpen && OnLauncherPage() && Selection &&
                          Selection->selectedFile().has_value());
}

void LauncherStrip::BuildPageCaptions() {
    for (int i = 0; i < int(PageItems.size()); ++i)
        PageItems[i]->setText(PageItemCaption(i, PageNames.value(i)));
    TabSetHintText = TabSetHint(PageNames);
    // The tooltip breaks lines at LF; the text itself keeps its CR LF pairs.
    TabSet1->setToolTip(
        QString(TabSetHintText).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
}

void LauncherStrip::ShowPage(int index) {
    if (index < 0 || index >= Notebook1->count())
        return;
    Notebook1->setCurrentIndex(index);
    TabSet1->setTabIndex(index); // runs the tab set's change and click handling
    // Setting the tab it already shows runs neither, so check the page's item here too.
    CheckPageItem(index);
}

void LauncherStrip::TabSetPMenuClick() {
    core::BusyCursor busy;
    // A closed dialog is dropped; one still hidden is only waiting to be deleted.
    if (!TabsetF || TabsetF->isHidden())
        TabsetF = new TTabsetF(*this, qobject_cast<QWidget*>(parent()));
    TabsetF->show();
    TabsetF->raise();
    TabsetF->activateWindow();
    if (TabsetF->isMinimized())
        TabsetF->setWindowState(TabsetF->windowState() & ~Qt::WindowMinimized);
}

void LauncherStrip::BP1PanelDblClick() {
    // A double click on the first page's panel is bound and deliberately does nothing.
}

} // namespace launcher
