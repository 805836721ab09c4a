#include "browser/TDirMakeForm.h"

#include "browser/DirTreeViewS.h"
#include "core/BusyCursor.h"
#include "core/Placement.h"
#include "platform/CodePage.h"
#include "platform/FsName.h"
#include "platform/MakeDirectory.h"
#include "ui/Composition.h"
#include "ui/HelpWindow.h"
#include "ui/MessageDialog.h"

#include <QEvent>
#include <QFont>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>

#include <exception>

namespace browser {

namespace {

// A byte of a name of raw bytes (platform/FsName): the escaped bytes, 0 for the rest.
int escapedByte(QChar c) {
    const char16_t u = c.unicode();
    return u >= 0xDC80 && u <= 0xDCFF ? int(u - 0xDC00) : 0;
}

bool isTrailChar(QChar c) {
    const int b = escapedByte(c);
    if (b)
        return b <= 0xFC;
    return c.unicode() >= 0x40 && c.unicode() <= 0x7E;
}

} // namespace

QString DirMakeFullPath(const QString& parent, const QString& name) {
    if (parent.endsWith(QLatin1Char('/')))
        return parent + name;
    return parent + QLatin1Char('/') + name;
}

bool DirMakeNameHasSeparator(const QString& name) {
    for (qsizetype i = 0; i < name.size(); ++i) {
        const QChar c = name.at(i);
        if (platform::isLeadByte(932, static_cast<unsigned char>(escapedByte(c))) &&
            i + 1 < name.size() && isTrailChar(name.at(i + 1))) {
            ++i; // a double-byte character: its second byte may be 0x5C
            continue;
        }
        if (c == QLatin1Char('\\') || c == QLatin1Char('/'))
            return true;
    }
    return false;
}

QString DirMakeEmptyNameText() {
    return QStringLiteral("新しく作成するディレクトリに付ける名前を、\r\n\r\n"
                          "キーボード入力して下さい。\r\n\r\n");
}

QString DirMakeSeparatorText() {
    return QStringLiteral(
        "作成ディレクトリ名に、\r\n\r\n￥ とか ／ を、使用していませんか？\r\n\r\n");
}

QString DirMakeFailedText(const QString& name) {
    return QStringLiteral("ディレクトリ作成に失敗しました。\r\n\r\n作成しようとしているディレクトリ"
                          "の中に、\r\n\r\n既に、 ") +
           name + QStringLiteral(" と、同じディレクトリがありませんか？") +
           QStringLiteral("\r\n\r\n");
}

} // namespace browser

TDirMakeForm::TDirMakeForm(TDirTreeViewS* tree, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint),
      tree_(tree) {
    Build();
    FormCreate();
}

TDirMakeForm::~TDirMakeForm() {
    FormDestroy();
}

void TDirMakeForm::Build() {
    setObjectName(QStringLiteral("DirMakeForm"));
    setWindowTitle(QStringLiteral("ディレクトリを作成します。"));
    QFont font(QStringLiteral("ＭＳ Ｐゴシック"));
    font.setPixelSize(12);
    setFont(font);
    setFixedSize(kClientWidth, kClientHeight);
    move(kDesignLeft, kDesignTop);

    Label1 = new QLabel(QStringLiteral("Label1"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setTextFormat(Qt::PlainText); // a folder's name is never markup
    Label1->setToolTip(QStringLiteral("このディレクトリの下に作成"));
    Label1->move(5, 0);
    Label1->adjustSize();

    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    QFont editFont = font;
    editFont.setPixelSize(15);
    Edit1->setFont(editFont);
    Edit1->setToolTip(QStringLiteral("作成しようと思うディレクトリ名を入力"));
    Edit1->setGeometry(5, 17, 173, 23);
    SetEdit1Colour(kWhite);
    Edit1->installEventFilter(this);
    ui::TrackComposition(Edit1);

    auto makeButton = [this](const char* name, const QString& text, const QString& hint, int x) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setToolTip(hint);
        b->setGeometry(x, 17, 40, 23);
        b->setAutoDefault(false);
        return b;
    };
    STButton = makeButton("STButton", QStringLiteral("作成"), QStringLiteral("作成開始"), 204);
    EndButton = makeButton("EndButton", QStringLiteral("終了"),
                           QStringLiteral("作業終了 （フォームを閉じる）"), 277);
    connect(STButton, &QPushButton::clicked, this, [this] { STButtonClick(); });
    connect(EndButton, &QPushButton::clicked, this, [this] { EndButtonClick(); });
}

void TDirMakeForm::FormCreate() {
    RestorePlacement(this);
}

void TDirMakeForm::FormDestroy() {
    if (destroyed_)
        return;
    destroyed_ = true;
    SavePlacementQuietly(this);
}

void TDirMakeForm::FormActivate() {
    ui::SetHelpContext(this, kHelpContext);
}

void TDirMakeForm::changeEvent(QEvent* e) {
    QWidget::changeEvent(e);
    if (e->type() == QEvent::ActivationChange && isActiveWindow())
        FormActivate();
}

void TDirMakeForm::SetParentDirectory(const QString& path) {
    parent_ = path;
    Label1->setText(platform::displayName(path));
    Label1->adjustSize();
}

QPoint TDirMakeForm::MessagePosition() const {
    const QRect frame = frameGeometry();
    return QPoint(frame.left(), frame.top() + frame.height());
}

QColor TDirMakeForm::Edit1Colour() const {
    return Edit1->palette().color(QPalette::Base);
}

void TDirMakeForm::SetEdit1Colour(const QColor& colour) {
    QPalette p = Edit1->palette();
    p.setColor(QPalette::Base, colour);
    Edit1->setPalette(p);
}

bool TDirMakeForm::Reject(const QString& text, bool confirmation) {
    ui::MessageDlg(text, confirmation ? ui::MsgDlgType::Confirmation : ui::MsgDlgType::Warning,
                   ui::mbYes, MessagePosition());
    SetEdit1Colour(kYellow);
    Edit1->setFocus();
    return false;
}

bool TDirMakeForm::MakeDirectory() {
    const QString name = Edit1->text();
    if (name.isEmpty())
        return Reject(browser::DirMakeEmptyNameText(), false);
    if (browser::DirMakeNameHasSeparator(name))
        return Reject(browser::DirMakeSeparatorText(), true);
    // The name goes to the file system as typed, spaces and all.
    if (!platform::makeDirectory(browser::DirMakeFullPath(parent_, name)))
        return Reject(browser::DirMakeFailedText(platform::displayName(name)), false);

    {
        core::BusyCursor busy;
        if (TDirTreeViewS* tree = tree_) {
            tree->BeginUpdate();
            struct Bracket {
                TDirTreeViewS* t;
                ~Bracket() { t->EndUpdate(); }
            } bracket{tree};
            tree->Rebuild(); // selects the same folder again: the new one shows below it
        }
    }
    Edit1->clear();
    return true;
}

void TDirMakeForm::STButtonClick() {
    ui::SettleComposition(Edit1); // the name as the box shows it
    MakeDirectory();
}

void TDirMakeForm::EndButtonClick() {
    ui::SettleComposition(Edit1); // nothing arrives later in the hidden box
    close();
}

void TDirMakeForm::Edit1KeyDown() {
    if (Edit1Colour() == kYellow)
        SetEdit1Colour(kWhite);
}

bool TDirMakeForm::Edit1KeyPress(QKeyEvent* e) {
    if (e->key() != Qt::Key_Return && e->key() != Qt::Key_Enter)
        return false;
    MakeDirectory();
    return true;
}

bool TDirMakeForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Edit1 && event->type() == QEvent::KeyPress) {
        auto* e = static_cast<QKeyEvent*>(event);
        Edit1KeyDown();
        if (Edit1KeyPress(e))
            return true;
    }
    return QWidget::eventFilter(watched, event);
}
