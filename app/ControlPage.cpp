#include "app/ControlPage.h"

#include "ui/Panel.h"
#include "ui/Resources.h"

#include <QLabel>
#include <QToolButton>

ControlPage::ControlPage(ui::Panel* page) : QObject(page) {
    struct Tool {
        QToolButton* ControlPage::*field;
        const char* name;
        int left;
        QString hint;
    };
    const Tool tools[] = {
        {&ControlPage::CloseButton, "CloseButton", 10, QStringLiteral("ゼルモを終了")},
        {&ControlPage::VierButton, "VierButton", 47, QStringLiteral("ビューアを開く")},
        {&ControlPage::VierCloseBottun, "VierCloseBottun", 77, QStringLiteral("ビューアを閉じる")},
        {&ControlPage::ZoomoutSB, "ZoomoutSB", 108, QStringLiteral("縮小 (30% down)")},
        {&ControlPage::ZoomInSB, "ZoomInSB", 138, QStringLiteral("拡大 (10% up)")},
        {&ControlPage::SBMax, "SBMax", 169, QStringLiteral("フォームを最大化")},
        {&ControlPage::SBNor, "SBNor", 199, QStringLiteral("フォームをノーマル化")},
        {&ControlPage::MinimizeButton, "MinimizeButton", 229,
         QStringLiteral("フォームをアイコン化")},
        {&ControlPage::DirSPB, "DirSPB", 260, QStringLiteral("ディレクトリパネル表示/非表示")},
        {&ControlPage::FindDirSPB, "FindDirSPB", 291, QStringLiteral("下位ディレクトリの検索")},
        {&ControlPage::MKDirSB, "MKDirSB", 322, QStringLiteral("ディレクトリを作成")},
        {&ControlPage::EditB, "EditB", 353, QStringLiteral("簡易エディタを開く")},
        {&ControlPage::TRayButton, "TRayButton", 387, QStringLiteral("タスク・トレーに移動")},
        {&ControlPage::SBP, "SBP", 422, QStringLiteral("リソース計測／各種情報")},
    };
    for (const Tool& t : tools) {
        auto* b = new QToolButton(page);
        const QString name = QString::fromLatin1(t.name);
        b->setObjectName(name);
        const bool large = name == QLatin1String("SBP");
        b->setGeometry(t.left, large ? 3 : 4, large ? 32 : 30, large ? 32 : 30);
        b->setToolTip(t.hint);
        b->setFocusPolicy(Qt::NoFocus);
        // Two-state pictures: the second state is the disabled look.
        b->setIcon(ui::controlGlyphIcon(name));
        b->setIconSize(ui::glyphSize(name));
        this->*(t.field) = b;
    }

    Image1 = new QLabel(page);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(499, 4, 27, 27);
    Image1->setScaledContents(true);
    Image1->setToolTip(SBP->toolTip());
    Image1->setEnabled(false);
    Image1->hide();
}
