// The viewport and scroll-bar parts of Qt's item views, as a reader asking for their
// place meets them: no place, no warning, and still a way up to their window.
#include "ui/ViewPartsAccessible.h"

#include <QAccessible>
#include <QAccessibleInterface>
#include <QListWidget>
#include <QScrollArea>
#include <QScrollBar>
#include <QTableWidget>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <functional>
#include <gtest/gtest.h>

namespace {

QStringList& Warnings() {
    static QStringList warnings;
    return warnings;
}

void Collect(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type != QtDebugMsg && type != QtInfoMsg)
        Warnings().append(text);
}

struct Case {
    const char* view;
    std::function<QAbstractScrollArea*(QWidget* window)> make;
    bool tableLike; // presented by Qt as rows and cells
};

TEST(ViewPartsAccessible, PartsOfTablesAndTreesHaveNoPlaceAndWarnNothing) {
    ui::InstallViewPartsAccessibility();
    const Case cases[] = {
        {"tree",
         [](QWidget* w) {
             auto* tree = new QTreeWidget(w);
             for (int i = 0; i < 200; ++i)
                 new QTreeWidgetItem(tree, {QStringLiteral("folder %1 with a long name").arg(i)});
             return tree;
         },
         true},
        {"table",
         [](QWidget* w) {
             auto* table = new QTableWidget(200, 12, w);
             return table;
         },
         true},
        {"list",
         [](QWidget* w) {
             auto* list = new QListWidget(w);
             for (int i = 0; i < 200; ++i)
                 list->addItem(QStringLiteral("item %1").arg(i));
             return list;
         },
         true},
        {"scroll area", [](QWidget* w) { return new QScrollArea(w); }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.view);
        QWidget window;
        auto* layout = new QVBoxLayout(&window);
        QAbstractScrollArea* view = c.make(&window);
        layout->addWidget(view);
        view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        window.resize(120, 90);
        window.show();
        QAccessibleInterface* windowInterface = QAccessible::queryAccessibleInterface(&window);
        QAccessibleInterface* viewInterface = QAccessible::queryAccessibleInterface(view);
        ASSERT_TRUE(windowInterface && viewInterface);
        // The view itself keeps Qt's presentation.
        EXPECT_EQ(viewInterface->interface_cast(QAccessible::TableInterface) != nullptr,
                  c.tableLike);
        Warnings().clear();
        const QtMessageHandler previous = qInstallMessageHandler(Collect);
        for (QWidget* part : {view->viewport(), view->verticalScrollBar()->parentWidget(),
                              view->horizontalScrollBar()->parentWidget()}) {
            SCOPED_TRACE(part->objectName().toStdString());
            QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(part);
            ASSERT_TRUE(iface);
            QAccessibleInterface* parent = iface->parent();
            ASSERT_TRUE(parent);
            if (c.tableLike) {
                EXPECT_EQ(parent, windowInterface);
                EXPECT_EQ(parent->indexOfChild(iface), -1);
            } else {
                EXPECT_EQ(parent, viewInterface);
                EXPECT_GE(parent->indexOfChild(iface), 0);
            }
            // The scroll bar inside its container is still found from there.
            if (part != view->viewport()) {
                EXPECT_GE(iface->childCount(), 1);
            }
        }
        qInstallMessageHandler(previous);
        EXPECT_TRUE(Warnings().isEmpty()) << Warnings().join('\n').toStdString();
    }
}

} // namespace
