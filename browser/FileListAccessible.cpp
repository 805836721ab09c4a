#include "browser/FileListAccessible.h"

#include "browser/FileListBox.h"
#include "platform/FsName.h"

#include <QAccessibleEvent>
#include <QCoreApplication>
#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QTabWidget>
#include <QTimer>
#include <QWindow>
#include <algorithm>

namespace browser {

namespace {

AccessibleEventSink& Sink() {
    static AccessibleEventSink sink;
    return sink;
}

// Events are made only when someone will hear them.
bool Heard() {
    return Sink() || QAccessible::isActive();
}

void Send(QAccessibleEvent* event) {
    if (Sink())
        Sink()(event);
    else
        QAccessible::updateAccessibility(event);
}

FileListAccessible* ListInterface(TFileListBoxS* list) {
    return dynamic_cast<FileListAccessible*>(QAccessible::queryAccessibleInterface(list));
}

// Tells the readers what happened in one list. Lives as the list's child, made with the
// list's first accessibility object (only then is anyone listening).
class FileListNotifier : public QObject {
public:
    explicit FileListNotifier(TFileListBoxS* list) : QObject(list), list_(list) {
        setObjectName(QStringLiteral("FileListNotifier"));
        QItemSelectionModel* selection = list->selectionModel();
        connect(selection, &QItemSelectionModel::currentChanged, this,
                [this](const QModelIndex& current) { currentMoved(current); });
        connect(selection, &QItemSelectionModel::selectionChanged, this,
                [this](const QItemSelection& selected, const QItemSelection& deselected) {
                    selectionMoved(deselected, QAccessible::SelectionRemove);
                    selectionMoved(selected, QAccessible::SelectionAdd);
                });
        QAbstractItemModel* model = list->model();
        connect(model, &QAbstractItemModel::modelReset, this, [this] { rowsReset(); });
        connect(model, &QAbstractItemModel::rowsRemoved, this,
                [this](const QModelIndex&, int first, int last) {
                    rowsChanged(QAccessibleTableModelChangeEvent::RowsRemoved, first, last);
                });
        connect(model, &QAbstractItemModel::rowsInserted, this,
                [this](const QModelIndex&, int first, int last) {
                    rowsChanged(QAccessibleTableModelChangeEvent::RowsInserted, first, last);
                });
        list->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        // The list itself is announced on focus first; the item the keyboard stands on
        // follows once that is done.
        if (e->type() == QEvent::FocusIn)
            QTimer::singleShot(0, this, [this] { currentMoved(list_->currentIndex()); });
        return false;
    }

private:
    void currentMoved(const QModelIndex& current) {
        if (!Heard() || !current.isValid() || !list_->hasFocus())
            return;
        QAccessibleEvent event(list_, QAccessible::Focus);
        event.setChild(current.row());
        Send(&event);
    }

    void selectionMoved(const QItemSelection& rows, QAccessible::Event type) {
        if (!Heard())
            return;
        // One selection: a range is one row, but a reader needs no more than a few.
        int sent = 0;
        for (const QItemSelectionRange& range : rows) {
            const int end = std::min(range.bottom(), list_->Count() - 1);
            for (int row = range.top(); row <= end && sent < 16; ++row, ++sent) {
                QAccessibleEvent event(list_, type);
                event.setChild(row);
                Send(&event);
            }
        }
    }

    // A new folder, a new order or filter: every row is another file now.
    void rowsReset() {
        if (FileListAccessible* iface = ListInterface(list_))
            iface->DropItems(0);
        if (!Heard())
            return;
        QAccessibleTableModelChangeEvent reset(list_, QAccessibleTableModelChangeEvent::ModelReset);
        Send(&reset);
        // The description names the folder shown. (Telling of every new child would make
        // 100 000 objects for a large folder; readers ask for the items they need.)
        QAccessibleEvent described(list_, QAccessible::DescriptionChanged);
        Send(&described);
    }

    void rowsChanged(QAccessibleTableModelChangeEvent::ModelChangeType type, int first, int last) {
        if (FileListAccessible* iface = ListInterface(list_))
            iface->DropItems(first);
        if (!Heard())
            return;
        QAccessibleTableModelChangeEvent event(list_, type);
        event.setFirstRow(first);
        event.setLastRow(last);
        Send(&event);
    }

    TFileListBoxS* list_;
};

// The selection image under the list: a picture named by its hint.
class SelectImageAccessible : public QAccessibleWidget {
public:
    explicit SelectImageAccessible(QLabel* image)
        : QAccessibleWidget(image, QAccessible::Graphic) {}
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name)
            return widget()->toolTip();
        if (t == QAccessible::Description)
            return QString();
        return QAccessibleWidget::text(t);
    }
};

QAccessibleInterface* BrowserFactory(const QString&, QObject* object) {
    if (auto* list = qobject_cast<TFileListBoxS*>(object))
        return new FileListAccessible(list);
    if (auto* label = qobject_cast<QLabel*>(object);
        label && label->objectName() == QLatin1String("SelectImage"))
        return new SelectImageAccessible(label);
    return nullptr;
}

} // namespace

void SetAccessibleEventSink(AccessibleEventSink sink) {
    Sink() = std::move(sink);
}

void InstallBrowserAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(BrowserFactory);
        return true;
    }();
    (void)installed;
}

QString ItemAccessibleName(const TFileListBoxS& list, int row) {
    return list.Record(row)->DisplayName();
}

QString ItemAccessibleDescription(const TFileListBoxS& list, int row) {
    const TFileInfo* r = list.Record(row);
    return FormatSize(r->Size) + QStringLiteral(" Bytes , ") + FormatFileTime(r->Time);
}

bool RunItemAction(TFileListBoxS* list, int row, const QString& action) {
    const bool twice = action == ActivateActionName();
    if (!twice && action != SelectActionName())
        return false;
    if (!list || !list->isVisible() || !list->isEnabled() || row < 0 || row >= list->Count())
        return false;
    QPointer<TFileListBoxS> guard(list);
    QTimer::singleShot(0, list, [guard, row, twice] {
        if (!guard || row >= guard->Count() || !guard->isVisible())
            return;
        guard->scrollTo(guard->Model()->index(row));
        QWidget* viewport = guard->viewport();
        const QPoint pos = guard->ItemRect(row).center();
        const QPoint global = viewport->mapToGlobal(pos);
        // The events a mouse gives, through the same filters: the owner's handlers run
        // exactly as for the user's click.
        const auto send = [&](QEvent::Type type, Qt::MouseButtons buttons) {
            if (!guard)
                return;
            QMouseEvent e(type, QPointF(pos), QPointF(global), Qt::LeftButton, buttons,
                          Qt::NoModifier);
            QCoreApplication::sendEvent(guard->viewport(), &e);
        };
        send(QEvent::MouseButtonPress, Qt::LeftButton);
        send(QEvent::MouseButtonRelease, Qt::NoButton);
        if (twice) {
            send(QEvent::MouseButtonDblClick, Qt::LeftButton);
            send(QEvent::MouseButtonRelease, Qt::NoButton);
        }
    });
    return true;
}

// ---- The list ----------------------------------------------------------------------------

FileListAccessible::FileListAccessible(TFileListBoxS* list)
    : QAccessibleWidget(list, QAccessible::List) {
    if (!list->findChild<QObject*>(QStringLiteral("FileListNotifier"), Qt::FindDirectChildrenOnly))
        new FileListNotifier(list);
}

FileListAccessible::~FileListAccessible() {
    DropItems(0);
}

TFileListBoxS* FileListAccessible::list() const {
    return static_cast<TFileListBoxS*>(widget());
}

QString FileListAccessible::text(QAccessible::Text t) const {
    if (t == QAccessible::Name && list()->accessibleName().isEmpty()) {
        // Named by the sheet it lies on (" 現在のディレクトリ  ", " 一気検索結果 ").
        for (QWidget* w = list(); w && w->parentWidget(); w = w->parentWidget()) {
            if (auto* tabs = qobject_cast<QTabWidget*>(w->parentWidget()->parentWidget());
                tabs && tabs->indexOf(w) >= 0)
                return tabs->tabText(tabs->indexOf(w)).trimmed();
        }
    }
    if (t == QAccessible::Description && !list()->Directory().isEmpty() &&
        list()->accessibleDescription().isEmpty())
        return platform::displayName(list()->Directory());
    return QAccessibleWidget::text(t);
}

int FileListAccessible::childCount() const {
    return list()->Count();
}

QAccessibleInterface* FileListAccessible::child(int index) const {
    if (index < 0 || index >= list()->Count())
        return nullptr;
    if (auto it = items_.constFind(index); it != items_.constEnd()) {
        if (QAccessibleInterface* known = QAccessible::accessibleInterface(*it))
            return known;
    }
    auto* item = new FileItemAccessible(list(), index);
    items_.insert(index, QAccessible::registerAccessibleInterface(item));
    return item;
}

int FileListAccessible::indexOfChild(const QAccessibleInterface* child) const {
    const auto* item = dynamic_cast<const FileItemAccessible*>(child);
    if (!item || item->parent() != this || item->row() >= list()->Count())
        return -1;
    return item->row();
}

QAccessibleInterface* FileListAccessible::childAt(int x, int y) const {
    const QPoint p = list()->viewport()->mapFromGlobal(QPoint(x, y));
    const int row = list()->ItemAtPos(p, true);
    return row >= 0 ? child(row) : nullptr;
}

QAccessibleInterface* FileListAccessible::focusChild() const {
    const QModelIndex current = list()->currentIndex();
    if (list()->hasFocus() && current.isValid())
        return child(current.row());
    return QAccessibleWidget::focusChild();
}

void FileListAccessible::DropItems(int fromRow) {
    for (auto it = items_.begin(); it != items_.end();) {
        if (it.key() >= fromRow) {
            QAccessible::deleteAccessibleInterface(it.value());
            it = items_.erase(it);
        } else {
            ++it;
        }
    }
}

// ---- One item ----------------------------------------------------------------------------

bool FileItemAccessible::isValid() const {
    return list_ && row_ < list_->Count();
}

QWindow* FileItemAccessible::window() const {
    return list_ ? list_->window()->windowHandle() : nullptr;
}

QAccessibleInterface* FileItemAccessible::parent() const {
    return list_ ? QAccessible::queryAccessibleInterface(list_.data()) : nullptr;
}

QString FileItemAccessible::text(QAccessible::Text t) const {
    if (!isValid())
        return {};
    switch (t) {
    case QAccessible::Name:
        return ItemAccessibleName(*list_, row_);
    case QAccessible::Description:
        return ItemAccessibleDescription(*list_, row_);
    default:
        return {};
    }
}

QRect FileItemAccessible::rect() const {
    if (!isValid())
        return {};
    const QRect r = list_->ItemRect(row_);
    return QRect(list_->viewport()->mapToGlobal(r.topLeft()), r.size());
}

QAccessible::State FileItemAccessible::state() const {
    QAccessible::State s;
    if (!isValid()) {
        s.invalid = true;
        return s;
    }
    s.selectable = true;
    s.focusable = true;
    const QModelIndex index = list_->Model()->index(row_);
    s.selected = list_->selectionModel()->isSelected(index);
    s.focused = list_->hasFocus() && list_->currentIndex() == index;
    s.invisible = !list_->isVisible();
    s.offscreen = s.invisible || !list_->viewport()->rect().intersects(list_->ItemRect(row_));
    return s;
}

void* FileItemAccessible::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::ActionInterface)
        return static_cast<QAccessibleActionInterface*>(this);
    return nullptr;
}

QStringList FileItemAccessible::actionNames() const {
    if (!isValid() || !list_->isVisible())
        return {};
    return {ActivateActionName(), SelectActionName()};
}

void FileItemAccessible::doAction(const QString& actionName) {
    if (isValid())
        RunItemAction(list_, row_, actionName);
}

} // namespace browser
