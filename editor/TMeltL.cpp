#include "editor/TMeltL.h"

#include "core/BusyCursor.h"
#include "core/Placement.h"
#include "core/SettingsFile.h"
#include "core/SharedState.h"
#include "editor/EditorAccessible.h"
#include "editor/FindDialog.h"
#include "ui/Composition.h"
#include "editor/RichPaste.h"
#include "ui/HelpWindow.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QScrollBar>
#include <QTextBlock>
#include <QVBoxLayout>

namespace editor {

// ---- The edit box ----------------------------------------------------------------------

RichEditBox::RichEditBox(QWidget* parent) : QPlainTextEdit(parent) {
    setObjectName(QStringLiteral("RichEdit1"));
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setContextMenuPolicy(Qt::NoContextMenu); // the window shows its own PopupMenu1
    setUndoRedoEnabled(true);
    // The selection stays visible without focus.
    QPalette p = palette();
    p.setColor(QPalette::Inactive, QPalette::Highlight,
               p.color(QPalette::Active, QPalette::Highlight));
    p.setColor(QPalette::Inactive, QPalette::HighlightedText,
               p.color(QPalette::Active, QPalette::HighlightedText));
    setPalette(p);
}

void RichEditBox::keyPressEvent(QKeyEvent* e) {
    if (e->modifiers() == Qt::ControlModifier &&
        (e->key() == Qt::Key_Down || e->key() == Qt::Key_Up)) {
        QScrollBar* bar = verticalScrollBar(); // counts lines
        bar->setValue(bar->value() + (e->key() == Qt::Key_Down ? 1 : -1));
        emit statusNeeded();
        return;
    }
    QPlainTextEdit::keyPressEvent(e);
    emit statusNeeded();
}

void RichEditBox::keyReleaseEvent(QKeyEvent* e) {
    QPlainTextEdit::keyReleaseEvent(e);
    emit statusNeeded();
}

void RichEditBox::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::RightButton)
        emit menusNeeded();
    QPlainTextEdit::mousePressEvent(e);
    emit statusNeeded();
}

bool RichEditBox::event(QEvent* e) {
    if (e->type() == QEvent::ShortcutOverride) {
        const auto* k = static_cast<QKeyEvent*>(e);
        const QKeySequence pressed(k->keyCombination());
        if (MenuKeys.contains(pressed)) {
            emit menusNeeded(); // the item's state as its menu would show it now
            e->ignore();        // the window's shortcut runs
            return true;
        }
    }
    return QPlainTextEdit::event(e);
}

QMimeData* RichEditBox::createMimeDataFromSelection() const {
    QMimeData* data = QPlainTextEdit::createMimeDataFromSelection();
    const QString text = data->text();
    const QString clean = WithoutEscapes(text, Bytes ? Bytes->Encoding() : TextEncoding::Utf8);
    if (clean == text)
        return data;
    delete data;
    auto* plain = new QMimeData;
    plain->setText(clean);
    return plain;
}

bool RichEditBox::canInsertFromMimeData(const QMimeData* source) const {
    return (RichPaste && source->hasHtml()) || QPlainTextEdit::canInsertFromMimeData(source);
}

void RichEditBox::insertFromMimeData(const QMimeData* source) {
    if (!RichPaste || !source->hasHtml()) {
        QPlainTextEdit::insertFromMimeData(source);
        return;
    }
    QTextCursor c = textCursor();
    InsertFormattedHtml(c, source->html());
    setTextCursor(c);
    ensureCursorVisible();
}

void RichEditBox::inputMethodEvent(QInputMethodEvent* e) {
    // Qt hands the composition as formatted ranges of the preedit text; the clause being
    // converted is the one the input method highlights (a background of its own). That
    // one becomes yellow on blue without effects; the other ranges stay as sent.
    QList<QInputMethodEvent::Attribute> attrs = e->attributes();
    bool changed = false;
    for (auto& a : attrs) {
        if (a.type != QInputMethodEvent::TextFormat)
            continue;
        QTextCharFormat f = qvariant_cast<QTextFormat>(a.value).toCharFormat();
        if (f.background().style() == Qt::NoBrush)
            continue;
        QTextCharFormat converting;
        converting.setForeground(QColor(255, 255, 0));
        converting.setBackground(QColor(0, 0, 255));
        a.value = QVariant::fromValue(QTextFormat(converting));
        changed = true;
    }
    if (!changed) {
        QPlainTextEdit::inputMethodEvent(e);
        return;
    }
    QInputMethodEvent copy(e->preeditString(), attrs);
    copy.setCommitString(e->commitString(), e->replacementStart(), e->replacementLength());
    QPlainTextEdit::inputMethodEvent(&copy);
}

} // namespace editor

using namespace editor;

const QString TMeltL::kSaveFilter =
    QStringLiteral("Text File  (*.TXT)|*.TXT|Rtf  File  (*.RTF)|*.RTF");
const QString TMeltL::kOpenFilter =
    QStringLiteral("ﾃｷｽﾄﾌｧｲﾙ (*.TXT)|*.TXT|ログファイル (*.LOG)|*.LOG|全てのファイル (*.*)|*.*");

// ---- The window ------------------------------------------------------------------------

TMeltL::TMeltL(core::SharedState& state, QWidget* parent) : TMeltL(state, parent, true) {}

TMeltL::TMeltL(core::SharedState& state, QWidget* parent, bool runCreate)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint), state_(state) {
    Build();
    if (runCreate)
        FormCreate();
}

TMeltL::~TMeltL() {
    FormDestroy();
}

void TMeltL::FormCreate() {
    RestorePlacement(this);
    SetPanel(2, QStringLiteral("右クリックで、ポップアップ・メニューを表示"));
}

void TMeltL::FormDestroy() {
    if (destroyed_)
        return;
    destroyed_ = true;
    SavePlacementQuietly(this);
}

void TMeltL::Build() {
    setObjectName(QString::fromLatin1(metaObject()->className()));
    setWindowTitle(QStringLiteral("MeltL"));
    setFont(QFont(QStringLiteral("ＭＳ Ｐゴシック"), 9));
    resize(kDesignWidth, kDesignHeight);
    move(263, 141);
    ui::SetHelpContext(this, kHelpContext);

    InstallEditorAccessibility();
    RichEdit1 = new RichEditBox(this);
    RichEdit1->setFont(QFont(QStringLiteral("ＭＳ ゴシック"), 9));
    ui::TrackComposition(RichEdit1);
    ui::SetHelpContext(RichEdit1, kHelpContext);

    StatusBar1 = new QWidget(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    auto* bar = new QHBoxLayout(StatusBar1);
    bar->setContentsMargins(0, 0, 0, 0);
    bar->setSpacing(2);
    const int widths[3] = {100, 100, 500};
    for (int i = 0; i < 3; ++i) {
        panels_[i] = new QLabel(StatusBar1);
        panels_[i]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        panels_[i]->setTextFormat(Qt::PlainText);
        panels_[i]->setStyleSheet(QStringLiteral("color: blue"));
        panels_[i]->setAlignment((i < 2 ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
        if (i < 2)
            panels_[i]->setFixedWidth(widths[i]);
        else
            panels_[i]->setMinimumWidth(0);
        bar->addWidget(panels_[i], i < 2 ? 0 : 1);
    }

    FindDialog1 = new FindDialog(this);
    connect(FindDialog1, &FindDialog::find, this, &TMeltL::FindDialog1Find);

    BuildMenus();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setMenuBar(MainMenu1);
    layout->addWidget(RichEdit1, 1);
    layout->addWidget(StatusBar1);

    bytes_ = new DocumentBytes(RichEdit1->document(), this);
    RichEdit1->Bytes = bytes_;
    connect(RichEdit1, &RichEditBox::statusNeeded, this, &TMeltL::UpdateStatus);
    connect(RichEdit1, &QPlainTextEdit::textChanged, this, &TMeltL::UpdateStatus);
    connect(RichEdit1, &RichEditBox::menusNeeded, this, &TMeltL::UpdateMenus);
    RichEdit1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(RichEdit1, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        PopupMenu1->popup(RichEdit1->viewport()->mapToGlobal(at));
    });
}

void TMeltL::BuildMenus() {
    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    MainMenu1 = new QMenuBar(this);
    MainMenu1->setObjectName(QStringLiteral("MainMenu1"));
    auto group = [this](const char* name, const QString& caption, bool updates) {
        QMenu* m = MainMenu1->addMenu(caption);
        m->setObjectName(QString::fromLatin1(name));
        if (updates)
            connect(m, &QMenu::aboutToShow, this, &TMeltL::UpdateMenus);
        return m;
    };
    N6 = group("N6", QStringLiteral("ﾌｧｲﾙ(&F)"), true);
    Edit1 = group("Edit1", QStringLiteral("編集(&E)"), true);
    Find1 = group("Find1", QStringLiteral("検索(&S)"), true);
    GoTo1 = group("GoTo1", QStringLiteral("移動(&M)"), false);
    O1 = group("O1", QStringLiteral("設定(&O)"), false);

    using Handler = void (TMeltL::*)();
    auto item = [this](QMenu* menu, const char* name, const QString& caption, Handler h,
                       const QKeySequence& key = QKeySequence()) {
        QAction* a = menu->addAction(caption);
        a->setObjectName(QString::fromLatin1(name));
        a->setShortcut(key);
        a->setShortcutContext(Qt::WindowShortcut);
        connect(a, &QAction::triggered, this, h);
        return a;
    };
    // The context menu: captions only, the shortcuts sit on the main menu.
    Copy = item(PopupMenu1, "Copy", QStringLiteral("Copy (&C)"), &TMeltL::CopyClick);
    Paste = item(PopupMenu1, "Paste", QStringLiteral("Paste (&P)"), &TMeltL::PasteClick);
    Cut = item(PopupMenu1, "Cut", QStringLiteral("Cut (&D)"), &TMeltL::CutClick);
    Undo = item(PopupMenu1, "Undo", QStringLiteral("Undo (&U)"), &TMeltL::UndoClick);
    Find = item(PopupMenu1, "Find", QStringLiteral("Find (&F)"), &TMeltL::FindClick);
    FindNext1 = item(PopupMenu1, "FindNext1", QStringLiteral("Next (&N)"), &TMeltL::FindNext1Click);
    Save = item(PopupMenu1, "Save", QStringLiteral("Save as (&S)"), &TMeltL::SaveClick);
    Top = item(PopupMenu1, "Top", QStringLiteral("Top (&T)"), &TMeltL::TopClick);
    Last = item(PopupMenu1, "Last", QStringLiteral("Last (&L)"), &TMeltL::LastClick);
    FontsSetO1 =
        item(PopupMenu1, "FontsSetO1", QStringLiteral("Fonts Set (&O)"), &TMeltL::FontsSetO1Click);
    HelpH1 = item(PopupMenu1, "HelpH1", QStringLiteral("Help (&H)"), &TMeltL::HelpH1Click);
    CloseB = item(PopupMenu1, "CloseB", QStringLiteral("Close (&X)"), &TMeltL::CloseBClick);

    FileOpen = item(N6, "FileOpen", QStringLiteral("ファイルを開く(&O)"), &TMeltL::FileOpenClick);
    FileOpen->setEnabled(false);  // the main window's editor enables it
    FindNext1->setEnabled(false); // from the first find on
    SaveM = item(N6, "SaveM", QStringLiteral("名前を付けて保存(&S)"), &TMeltL::SaveClick,
                 QKeySequence(Qt::CTRL | Qt::Key_S));
    K1 = item(N6, "K1", QStringLiteral("フォームの最大化"), &TMeltL::K1Click,
              QKeySequence(Qt::Key_F8));
    K3 = item(N6, "K3", QStringLiteral("フォームの普通化"), &TMeltL::K3Click,
              QKeySequence(Qt::Key_F7));
    K4 = item(N6, "K4", QStringLiteral("アイコン化"), &TMeltL::K4Click, QKeySequence(Qt::Key_F6));
    HelpHM = item(N6, "HelpHM", QStringLiteral("ヘルプ(&H)"), &TMeltL::HelpH1Click,
                  QKeySequence(Qt::Key_F1));
    CloseM = item(N6, "CloseM", QStringLiteral("閉じる(&X)"), &TMeltL::CloseBClick,
                  QKeySequence(Qt::Key_F4));
    CopyM = item(Edit1, "CopyM", QStringLiteral("コピー(&C)"), &TMeltL::CopyClick,
                 QKeySequence(Qt::CTRL | Qt::Key_C));
    PasteM = item(Edit1, "PasteM", QStringLiteral("貼り付け(&P)"), &TMeltL::PasteClick,
                  QKeySequence(Qt::CTRL | Qt::Key_P));
    CutM = item(Edit1, "CutM", QStringLiteral("切り取り(&D)"), &TMeltL::CutClick,
                QKeySequence(Qt::CTRL | Qt::Key_D));
    UndoM = item(Edit1, "UndoM", QStringLiteral("元に戻す(&U)"), &TMeltL::UndoClick,
                 QKeySequence(Qt::CTRL | Qt::Key_U));
    WordRapM = item(Edit1, "WordRapM", QStringLiteral("ワードラップ(&W)"), &TMeltL::WordRapMClick,
                    QKeySequence(Qt::CTRL | Qt::Key_W));
    WordRapM->setCheckable(true);
    FindM = item(Find1, "FindM", QStringLiteral("検索(&F)"), &TMeltL::FindClick,
                 QKeySequence(Qt::CTRL | Qt::Key_F));
    FindNextM = item(Find1, "FindNextM", QStringLiteral("次を検索(&N)"), &TMeltL::FindNext1Click,
                     QKeySequence(Qt::Key_F3));
    FindNextM->setEnabled(false);
    TopM = item(GoTo1, "TopM", QStringLiteral("先頭行(&T)"), &TMeltL::TopClick,
                QKeySequence(Qt::CTRL | Qt::Key_T));
    LastM = item(GoTo1, "LastM", QStringLiteral("最終行(&L)"), &TMeltL::LastClick,
                 QKeySequence(Qt::CTRL | Qt::Key_L));
    FontsSetOM = item(O1, "FontsSetOM", QStringLiteral("フォント設定(&F)"),
                      &TMeltL::FontsSetO1Click, QKeySequence(Qt::CTRL | Qt::Key_O));
    // The menu bar's shortcuts act while the edit box has the focus; the box's own
    // bindings for the same keys (Ctrl+C, Ctrl+W...) give way to them.
    for (QAction* a : {SaveM, K1, K3, K4, HelpHM, CloseM, CopyM, PasteM, CutM, UndoM, WordRapM,
                       FindM, FindNextM, TopM, LastM, FontsSetOM}) {
        addAction(a);
        RichEdit1->MenuKeys.append(a->shortcut());
    }
}

void TMeltL::SetPanel(int index, const QString& text) {
    panels_[index]->setText(text);
}

QString TMeltL::Panel(int index) const {
    return panels_[index]->text();
}

bool TMeltL::Modified() const {
    return RichEdit1->document()->isModified();
}

void TMeltL::SetModified(bool on) {
    RichEdit1->document()->setModified(on);
}

void TMeltL::Restore() {
    showNormal();
}

void TMeltL::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    UpdateMenus();
}

void TMeltL::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    if (RichEdit1->isVisible())
        RichEdit1->viewport()->update();
}

void TMeltL::changeEvent(QEvent* e) {
    QWidget::changeEvent(e);
    if (e->type() == QEvent::ActivationChange && isActiveWindow())
        ui::SetHelpContext(this, kHelpContext);
}

// ---- Status and menus ----------------------------------------------------------------

void TMeltL::UpdateStatus() {
    const QTextDocument* doc = RichEdit1->document();
    const QTextCursor c = RichEdit1->textCursor();
    CaretLine = doc->findBlock(c.selectionStart()).blockNumber();
    LineCount = doc->blockCount();
    if (doc->lastBlock().length() <= 1) // the final empty line does not count
        --LineCount;
    SetPanel(0, QStringLiteral("%1 / %2 ").arg(CaretLine + 1).arg(LineCount));
    SetPanel(1, GroupThousands(TextBytes()) + QStringLiteral(" Bytes"));
}

void TMeltL::UpdateMenus() {
    const QMimeData* clip = QApplication::clipboard()->mimeData();
    const bool canPaste = clip && (clip->hasText() || (RichEdit1->RichPaste && clip->hasHtml()));
    Paste->setEnabled(canPaste);
    PasteM->setEnabled(canPaste);
    const bool selected = RichEdit1->textCursor().hasSelection();
    Cut->setEnabled(selected);
    CutM->setEnabled(selected);
    const bool hasText = !RichEdit1->document()->isEmpty();
    for (QAction* a : {Copy, CopyM, Find, FindM, Save, SaveM, Top, TopM, Last, LastM})
        a->setEnabled(hasText);
    const bool canUndo = RichEdit1->document()->isUndoAvailable();
    Undo->setEnabled(canUndo);
    UndoM->setEnabled(canUndo);
    WordRapM->setChecked(RichEdit1->lineWrapMode() != QPlainTextEdit::NoWrap);
}

// ---- Editing -------------------------------------------------------------------------

void TMeltL::CopyClick() {
    QTextCursor c = RichEdit1->textCursor();
    if (!c.hasSelection()) {
        c.select(QTextCursor::Document);
        RichEdit1->setTextCursor(c);
    }
    RichEdit1->copy();
    c = RichEdit1->textCursor();
    c.setPosition(c.selectionStart());
    RichEdit1->setTextCursor(c);
}

void TMeltL::PasteClick() {
    RichEdit1->paste();
}

void TMeltL::CutClick() {
    RichEdit1->cut();
}

void TMeltL::UndoClick() {
    RichEdit1->undo();
    QTextCursor c = RichEdit1->textCursor();
    c.setPosition(c.selectionStart());
    RichEdit1->setTextCursor(c);
}

void TMeltL::TopClick() {
    QTextCursor c = RichEdit1->textCursor();
    c.movePosition(QTextCursor::Start);
    RichEdit1->setTextCursor(c);
    UpdateStatus();
    RichEdit1->setFocus();
}

void TMeltL::LastClick() {
    QTextCursor c = RichEdit1->textCursor();
    c.movePosition(QTextCursor::End);
    RichEdit1->setTextCursor(c);
    UpdateStatus();
    RichEdit1->setFocus();
}

void TMeltL::ScrollLines(int lines) {
    QScrollBar* bar = RichEdit1->verticalScrollBar();
    bar->setValue(bar->value() + lines); // the box scrolls by lines
    UpdateStatus();
}

void TMeltL::WordRapMClick() {
    core::BusyCursor busy;
    RichEdit1->setLineWrapMode(RichEdit1->lineWrapMode() == QPlainTextEdit::NoWrap
                                   ? QPlainTextEdit::WidgetWidth
                                   : QPlainTextEdit::NoWrap);
    WordRapM->setChecked(RichEdit1->lineWrapMode() != QPlainTextEdit::NoWrap);
}

void TMeltL::K1Click() {
    showMaximized();
}
void TMeltL::K3Click() {
    showNormal();
}
void TMeltL::K4Click() {
    showMinimized();
}

void TMeltL::HelpH1Click() {
    ui::ShowHelp(kHelpContext);
}
