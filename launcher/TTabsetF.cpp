#include "launcher/TTabsetF.h"

#include "launcher/LauncherStrip.h"
#include "launcher/PageNames.h"
#include "ui/Composition.h"
#include "ui/HelpWindow.h"
#include "ui/Hints.h"

#include <QEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QScreen>
#include <QToolButton>

namespace launcher {

TTabsetF::TTabsetF(LauncherStrip& launcher, QWidget* parent)
    // A dialog frame with a title but no title-bar buttons, above other windows.
    : QWidget(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowStaysOnTopHint),
      launcher_(launcher) {
    // Closing drops the dialog; the next menu command builds a new one on the stored names.
    setAttribute(Qt::WA_DeleteOnClose);
    Build();
    FormCreate();
}

void TTabsetF::Build() {
    setObjectName(QStringLiteral("TabsetF"));
    setWindowTitle(QStringLiteral("ゼルモ３２ ： ランチャー・ページ・タブ名の設定"));
    QFont font(QStringLiteral("ＭＳ Ｐゴシック"));
    font.setPixelSize(12);
    setFont(font);
    setFixedSize(kClientWidth, kClientHeight);
    if (const QScreen* screen = parentWidget() ? parentWidget()->screen() : this->screen())
        move(screen->geometry().center() - rect().center());

    GroupBox1 = new QGroupBox(QStringLiteral(" Tab Select "), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    GroupBox1->setGeometry(8, 8, 473, 177);
    for (int i = 0; i < kNamedPages; ++i) {
        // Pages 1..6 in the left column, 7..11 in the right one, 25 pixels apart.
        const bool left = i < 6;
        const int top = 25 + 25 * (left ? i : i - 6);
        auto* radio = new QRadioButton(QString::number(i + 1), GroupBox1);
        radio->setObjectName(QStringLiteral("RadioButton%1").arg(i + 1));
        radio->setProperty("tag", i);
        if (left)
            radio->setGeometry(8, top, 33, 17);
        else
            radio->setGeometry(233, top, 40, 17);
        // Checking a button, by the user or by code, runs the handler; one already
        // checked changes nothing.
        connect(radio, &QRadioButton::toggled, this, [this, radio](bool checked) {
            if (checked)
                RadioButton1Click(radio);
        });
        RadioButtons[i] = radio;

        auto* label = new QLabel(GroupBox1);
        label->setObjectName(QStringLiteral("Label%1").arg(i + 1));
        label->setTextFormat(Qt::PlainText); // a name is shown as typed, never as markup
        label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        if (left)
            label->setGeometry(45, top, 185, 17);
        else
            label->setGeometry(282, top, 183, 17);
        Labels[i] = label;
    }

    GroupBox2 = new QGroupBox(QStringLiteral(" Tab Name Input "), this);
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    GroupBox2->setGeometry(8, 200, 233, 65);
    Edit1 = new QLineEdit(GroupBox2);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setGeometry(16, 24, 201, 23);
    Edit1->setToolTip(QStringLiteral("貴方の好きな名称を、漢字・英数字で入力"));
    Edit1->installEventFilter(this);
    ui::TrackComposition(Edit1);
    connect(Edit1, &QLineEdit::textChanged, this, [this] { Edit1Change(); });

    auto makeButton = [this](const QString& caption, const char* name, QRect geometry) {
        auto* b = new QToolButton(this);
        b->setObjectName(QString::fromLatin1(name));
        b->setText(caption);
        b->setToolButtonStyle(Qt::ToolButtonTextOnly);
        b->setFocusPolicy(Qt::NoFocus); // speed buttons leave the focus in the edit box
        b->setGeometry(geometry);
        return b;
    };
    SpeedButton1 =
        makeButton(QStringLiteral("ＯＫ （ 更新 ）"), "SpeedButton1", {268, 205, 101, 25});
    SpeedButton2 = makeButton(QStringLiteral("キャンセル"), "SpeedButton2", {268, 240, 101, 25});
    SpeedButton3 = makeButton(QStringLiteral("Help"), "SpeedButton3", {400, 224, 65, 25});
    connect(SpeedButton1, &QToolButton::clicked, this, [this] { SpeedButton1Click(); });
    connect(SpeedButton2, &QToolButton::clicked, this, [this] { SpeedButton2Click(); });
    connect(SpeedButton3, &QToolButton::clicked, this, [this] { SpeedButton3Click(); });
}

void TTabsetF::FormCreate() {
    for (int i = 0; i < kNamedPages; ++i)
        Labels[i]->setText(launcher_.PageNames.value(i));
    ignoreNextChange_ = true;
    ui::SetApplicationHints(QColor(0, 255, 0), 200, 11000);
    ui::SetHelpContext(this, kHelpContext);
}

void TTabsetF::FormActivate() {
    // The control page has no name of its own: the dialog starts on page 1 then.
    const int page = launcher_.PageIndex();
    CheckRadio(page >= 0 && page < kNamedPages ? page : 0);
}

void TTabsetF::RadioButton1Click(QObject* sender) {
    auto* radio = qobject_cast<QRadioButton*>(sender);
    if (!radio)
        return;
    selected_ = radio->property("tag").toInt();
    launcher_.ShowPage(selected_);
    EmptyEdit();
    Edit1->setFocus();
}

void TTabsetF::Edit1Change() {
    if (ignoreNextChange_) {
        ignoreNextChange_ = false;
        return;
    }
    Labels[selected_]->setText(Edit1->text());
}

bool TTabsetF::Edit1KeyPress(int key) {
    if (key != Qt::Key_Return && key != Qt::Key_Enter)
        return false;
    // On to the page after the one the main window shows; after page 11 and from the
    // control page, page 1.
    const int page = launcher_.PageIndex();
    CheckRadio(page >= 0 && page < kNamedPages - 1 ? page + 1 : 0);
    return true;
}

void TTabsetF::SpeedButton1Click() {
    ui::SettleComposition(Edit1); // the page's name as the box shows it
    QStringList names;
    for (QLabel* label : Labels)
        names.append(label->text());
    launcher_.PageNames = names;
    launcher_.BuildPageCaptions();
    launcher_.SavePageNames();
    SpeedButton2Click();
}

void TTabsetF::SpeedButton2Click() {
    ui::SettleComposition(Edit1); // nothing arrives later in the closed dialog
    close();
}

void TTabsetF::SpeedButton3Click() {
    ui::ShowHelp(kHelpContext);
}

void TTabsetF::CheckRadio(int page) {
    RadioButtons[page]->setChecked(true);
}

void TTabsetF::EmptyEdit() {
    ignoreNextChange_ = true;
    const bool hadText = !Edit1->text().isEmpty();
    Edit1->clear();
    // Emptying an empty box sends no change notification, and a flag left set would
    // swallow the first key typed: the flag is spent either way.
    if (!hadText)
        ignoreNextChange_ = false;
}

bool TTabsetF::event(QEvent* e) {
    const bool done = QWidget::event(e);
    if (e->type() == QEvent::WindowActivate)
        FormActivate();
    return done;
}

bool TTabsetF::eventFilter(QObject* watched, QEvent* e) {
    if (watched == Edit1 && e->type() == QEvent::KeyPress &&
        Edit1KeyPress(static_cast<QKeyEvent*>(e)->key()))
        return true; // the key itself is discarded
    return QWidget::eventFilter(watched, e);
}

} // namespace launcher
