#include "editor/FindDialog.h"

#include "ui/Composition.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QVBoxLayout>

namespace editor {

FindDialog::FindDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FindDialog1"));
    setWindowTitle(QStringLiteral("検索"));
    setModal(false);

    auto* label = new QLabel(QStringLiteral("検索する文字列(&N):"), this);
    TextEdit = new QLineEdit(this);
    label->setBuddy(TextEdit);
    WholeWordBox = new QCheckBox(QStringLiteral("単語単位で探す(&W)"), this);
    MatchCaseBox = new QCheckBox(QStringLiteral("大文字と小文字を区別する(&C)"), this);
    auto* direction = new QGroupBox(QStringLiteral("方向"), this);
    UpButton = new QRadioButton(QStringLiteral("上へ(&U)"), direction);
    DownButton = new QRadioButton(QStringLiteral("下へ(&D)"), direction);
    auto* dirLayout = new QHBoxLayout(direction);
    dirLayout->addWidget(UpButton);
    dirLayout->addWidget(DownButton);
    FindNextButton = new QPushButton(QStringLiteral("次を検索(&F)"), this);
    FindNextButton->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("キャンセル"), this);

    auto* grid = new QGridLayout(this);
    grid->addWidget(label, 0, 0);
    grid->addWidget(TextEdit, 0, 1, 1, 2);
    grid->addWidget(FindNextButton, 0, 3);
    grid->addWidget(WholeWordBox, 1, 0, 1, 2);
    grid->addWidget(cancel, 1, 3);
    grid->addWidget(MatchCaseBox, 2, 0, 1, 2);
    grid->addWidget(direction, 1, 2, 2, 1);

    // Standard start: search down, match case.
    DownButton->setChecked(true);
    MatchCaseBox->setChecked(true);
    FindNextButton->setEnabled(false);
    connect(TextEdit, &QLineEdit::textChanged, this,
            [this](const QString& t) { FindNextButton->setEnabled(!t.isEmpty()); });
    ui::TrackComposition(TextEdit);
    // The search and the closing take the find text with what is still being composed.
    connect(FindNextButton, &QPushButton::clicked, this, [this] {
        ui::SettleComposition(TextEdit);
        emit find();
    });
    connect(cancel, &QPushButton::clicked, this, [this] {
        ui::SettleComposition(TextEdit);
        close();
    });
}

QString FindDialog::FindText() const {
    return TextEdit->text();
}
void FindDialog::SetFindText(const QString& text) {
    TextEdit->setText(text);
}
bool FindDialog::Down() const {
    return DownButton->isChecked();
}
void FindDialog::SetDown(bool down) {
    (down ? DownButton : UpButton)->setChecked(true);
}
bool FindDialog::MatchCase() const {
    return MatchCaseBox->isChecked();
}
void FindDialog::SetMatchCase(bool on) {
    MatchCaseBox->setChecked(on);
}
bool FindDialog::WholeWord() const {
    return WholeWordBox->isChecked();
}
void FindDialog::SetWholeWord(bool on) {
    WholeWordBox->setChecked(on);
}

QPoint FindDialog::PlaceOnScreen(QPoint topLeft, QSize frame, QRect screen) {
    const int x = qMax(screen.left(), qMin(topLeft.x(), screen.right() + 1 - frame.width()));
    const int y = qMax(screen.top(), qMin(topLeft.y(), screen.bottom() + 1 - frame.height()));
    return {x, y};
}

void FindDialog::ShowAt(QPoint topLeft) {
    adjustSize();
    // The frame is known once the dialog has been shown; before that the window manager's
    // usual border is taken from the parent's frame.
    QSize frame = isVisible() ? frameGeometry().size() : size();
    if (!isVisible() && parentWidget()) {
        const QWidget* w = parentWidget()->window();
        frame += w->frameGeometry().size() - w->geometry().size();
    }
    const QScreen* screen = QGuiApplication::screenAt(topLeft);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    move(screen ? PlaceOnScreen(topLeft, frame, screen->availableGeometry()) : topLeft);
    show();
}

} // namespace editor
