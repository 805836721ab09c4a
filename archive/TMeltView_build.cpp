// The archive window's controls: the member list on the left, the close button and the
// member count on the right.
#include "archive/TMeltView.h"

#include "ui/AlignLayout.h"
#include "ui/Panel.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QToolButton>
#include <QVBoxLayout>

namespace archive {

MemberListView::MemberListView(QWidget* parent) : QTreeWidget(parent) {}

void MemberListView::mousePressEvent(QMouseEvent* e) {
    // Selection first: the handler views the member just selected.
    QTreeWidget::mousePressEvent(e);
    emit mouseDown(e->position().toPoint());
}

void MemberListView::keyPressEvent(QKeyEvent* e) {
    // Nothing in the list moves: the keys belong to the main window's file list.
    e->accept();
    emit keyDown();
}

} // namespace archive

using namespace archive;

void TMeltView::Build() {
    setObjectName(QString::fromLatin1(metaObject()->className()));
    setWindowTitle(QStringLiteral("MeltView"));
    setFont(QFont(QStringLiteral("ＭＳ Ｐゴシック"), 9));
    resize(kClientWidth, kClientHeight);

    auto* layout = new ui::AlignLayout(this);
    Panel2 = new ui::Panel(this);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->setFixedWidth(47);
    layout->addWidget(Panel2, ui::Align::Right);
    Panel1 = new ui::Panel(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    layout->addWidget(Panel1, ui::Align::Client);

    ListView1 = new MemberListView(Panel1);
    ListView1->setObjectName(QStringLiteral("ListView1"));
    auto* fill = new QVBoxLayout(Panel1);
    fill->setContentsMargins(0, 0, 0, 0);
    fill->addWidget(ListView1);
    ListView1->setRootIsDecorated(false);
    ListView1->setItemsExpandable(false);
    ListView1->setUniformRowHeights(true);
    ListView1->setAllColumnsShowFocus(true);
    ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView1->setSortingEnabled(false); // the window orders the items itself
    // The selection stays visible while the main window has the keyboard.
    QPalette p = ListView1->palette();
    for (const QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText})
        p.setColor(QPalette::Inactive, role, p.color(QPalette::Active, role));
    ListView1->setPalette(p);

    ListView1->setColumnCount(kMemberColumns);
    ListView1->setHeaderLabels({QStringLiteral("解凍後ファイル"), QStringLiteral("解凍サイズ"),
                                QStringLiteral("現サイズ"), QStringLiteral("圧縮比率"),
                                QStringLiteral("日付"), QStringLiteral("時刻")});
    QHeaderView* header = ListView1->header();
    header->setStretchLastSection(false);
    header->setSectionsClickable(true);
    header->setSectionsMovable(false);
    for (int c = 1; c <= 3; ++c) {
        ListView1->headerItem()->setTextAlignment(c, Qt::AlignRight | Qt::AlignVCenter);
        ListView1->setColumnWidth(c, header->sectionSizeHint(c));
    }
    FitColumns();

    SpeedButton1 = new QToolButton(Panel2);
    SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
    SpeedButton1->setText(QStringLiteral("終了"));
    SpeedButton1->setAutoRaise(true);
    SpeedButton1->setFocusPolicy(Qt::NoFocus);
    SpeedButton1->setGeometry(2, 4, 43, 22);
    Label1 = new QLabel(Panel2);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setTextFormat(Qt::PlainText);
    Label1->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Label1->setStyleSheet(QStringLiteral("color: blue"));
    Label1->setGeometry(2, 32, 41, 16);

    connect(header, &QHeaderView::sectionClicked, this, &TMeltView::ListView1ColumnClick);
    connect(ListView1, &MemberListView::mouseDown, this, &TMeltView::ListView1MouseDown);
    connect(ListView1, &MemberListView::keyDown, this, &TMeltView::ListView1KeyDown);
    connect(SpeedButton1, &QToolButton::clicked, this, &TMeltView::SpeedButton1Click);
    // Any change of the current member gives the keyboard back (a read does so once, at
    // its end).
    connect(ListView1, &QTreeWidget::currentItemChanged, this, [this] {
        if (!reading_)
            FocusActiveList();
    });
}

void TMeltView::FitColumns() {
    for (const int c : {0, 4, 5})
        ListView1->resizeColumnToContents(c);
}
