#pragma once
// The file lists as screen readers and desktop automation see them: the owner-drawn list
// is a list whose children are its items, each named by its display name, described by
// its size and time texts, with its selected, focused and showing states and the
// actions "activate" (as a double click) and "select" (as a click). The list reports
// selection, focus, row and folder changes, so the item the user moves to is announced.
//
// Item objects are made only when asked for, and kept by row until the rows change: a
// folder of 100 000 files costs nothing until a reader looks at its items.
#include <QAccessibleActionInterface>
#include <QAccessibleInterface>
#include <QAccessibleWidget>
#include <QHash>
#include <QPointer>
#include <functional>

namespace browser {

class TFileListBoxS;

// Where the lists' accessibility events go: to the readers through Qt, unless a test
// takes them (then they are handed to it whether or not a reader is listening).
using AccessibleEventSink = std::function<void(QAccessibleEvent* event)>;
void SetAccessibleEventSink(AccessibleEventSink sink);

// Installs the accessibility factory of the browser's own widgets (the file lists and the
// selection image). Call before the first of them is shown; later calls do nothing.
void InstallBrowserAccessibility();

// The texts a reader gets for one item of a list.
QString ItemAccessibleName(const TFileListBoxS& list, int row);
QString ItemAccessibleDescription(const TFileListBoxS& list, int row);

// Action names of an item.
inline const QString& ActivateActionName() {
    static const QString name = QStringLiteral("activate");
    return name;
}
inline const QString& SelectActionName() {
    static const QString name = QStringLiteral("select");
    return name;
}

// Does what a double click (activate) or a click (select) on the item does, through the
// same mouse events, once the current event has been handled (a reader's call returns
// first; what follows may open a window). Refused for a list that cannot be seen, as a
// user could not click it either.
bool RunItemAction(TFileListBoxS* list, int row, const QString& action);

class FileListAccessible : public QAccessibleWidget {
public:
    explicit FileListAccessible(TFileListBoxS* list);
    ~FileListAccessible() override;

    QString text(QAccessible::Text t) const override;
    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;
    QAccessibleInterface* focusChild() const override;

    TFileListBoxS* list() const;
    // Forgets the item objects from row on (all of them for 0): their rows changed.
    void DropItems(int fromRow = 0);

private:
    mutable QHash<int, QAccessible::Id> items_; // row -> registered item object
};

class FileItemAccessible : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    FileItemAccessible(TFileListBoxS* list, int row) : list_(list), row_(row) {}

    bool isValid() const override;
    QObject* object() const override { return nullptr; }
    QWindow* window() const override;
    QAccessibleInterface* parent() const override;
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QString text(QAccessible::Text t) const override;
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override;
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QAccessible::State state() const override;
    void* interface_cast(QAccessible::InterfaceType type) override;

    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

    int row() const { return row_; }

private:
    QPointer<TFileListBoxS> list_;
    int row_;
};

} // namespace browser
