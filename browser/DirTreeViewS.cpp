#include "browser/DirTreeViewS.h"

#include "platform/DirReader.h"
#include "platform/Drives.h"
#include "platform/FsName.h"
#include "ui/Resources.h"

#include <QApplication>
#include <QCollator>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QIcon>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <algorithm>
#include <sys/stat.h>
#include <vector>

namespace {

constexpr int kNameRole = Qt::UserRole;      // the stored file name of a directory node
constexpr int kDriveRole = Qt::UserRole + 1; // true on the drive root node
constexpr int kLinkRole = Qt::UserRole + 2;  // true on a symbolic link to a directory

// The tree shows a node's selected image through the icon's Selected mode.
QIcon nodeIcon(const QList<QPixmap>& images, int image, int selectedImage) {
    QIcon icon;
    if (images.value(image).isNull())
        return icon;
    icon.addPixmap(images.value(image), QIcon::Normal);
    icon.addPixmap(images.value(selectedImage), QIcon::Selected);
    return icon;
}

QString joinPath(const QString& dir, const QString& name) {
    if (dir.isEmpty() || dir.endsWith(QLatin1Char('/')))
        return dir + name;
    return dir + QLatin1Char('/') + name;
}

bool sameDirectory(const QString& a, const struct stat& b) {
    struct stat st {};
    return ::stat(platform::toFsBytes(a).constData(), &st) == 0 && st.st_dev == b.st_dev &&
           st.st_ino == b.st_ino;
}

class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

class UpdateBracket {
public:
    explicit UpdateBracket(TDirTreeViewS* tree) : tree_(tree) { tree_->BeginUpdate(); }
    ~UpdateBracket() { tree_->EndUpdate(); }
    UpdateBracket(const UpdateBracket&) = delete;
    UpdateBracket& operator=(const UpdateBracket&) = delete;

private:
    TDirTreeViewS* tree_;
};

} // namespace

TDirTreeViewS::TDirTreeViewS(QWidget* parent) : QTreeWidget(parent) {
    const QList<QPixmap> images = ui::dirImages();
    folderIcon_ = nodeIcon(images, ui::DirClosed, ui::DirOpen);
    driveIcon_ = nodeIcon(images, ui::DirDrive, ui::DirDrive);
    setColumnCount(1);
    setHeaderHidden(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers); // read-only tree
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformRowHeights(true);
    setIconSize(QSize(16, 16));
    header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    header()->setStretchLastSection(false);
    connect(this, &QTreeWidget::itemExpanded, this,
            [this](QTreeWidgetItem* node) { nodeExpanding(node); });
    connect(this, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current, QTreeWidgetItem*) { selectionChanged(current); });
}

TDirTreeViewS::~TDirTreeViewS() {
    // The base class removes the nodes after this part is gone: no reports from that.
    QObject::disconnect(this, nullptr, this, nullptr);
}

void TDirTreeViewS::SetDrive(const QString& root) {
    if (root == drive_)
        return;
    drive_ = platform::normalizeDriveRoot(root);
    Rebuild();
}

void TDirTreeViewS::Rebuild() {
    if (dirSpace_ || drive_.isEmpty())
        return;
    // Computed with the stored (possibly just changed) drive, so the same directory is
    // tried on a new drive.
    const QString saved = GetSelectedPath();
    WaitCursor wait;
    UpdateBracket bracket(this);
    clearing_ = true;
    ++generation_;
    clear();
    clearing_ = false;
    QTreeWidgetItem* root = nullptr;
    if (showDrive_) {
        root = new QTreeWidgetItem(QStringList(platform::displayName(drive_)));
        root->setIcon(0, driveIcon_);
        root->setData(0, kDriveRole, true);
        addTopLevelItem(root);
    }
    AddSubdirs(platform::driveRootPath(drive_), root, true);
    collapseAll();
    if (showDrive_) {
        root->setExpanded(true);
        if (!saved.isEmpty())
            SelectPath(saved);
    }
}

QStringList TDirTreeViewS::SubdirNames(const QString& dir, QSet<QString>* links) {
    QStringList names;
    // A directory that cannot be opened simply has no subdirectories. The entry types
    // readdir gives spare a stat per file: a folder of many files costs one pass.
    platform::DirReader reader;
    if (reader.open(platform::toFsBytes(dir)) != 0)
        return names;
    platform::RawEntry e;
    while (reader.next(e)) {
        bool link = false;
        if (e.name[0] == '.' || !reader.isDirectory(e, &link))
            continue;
        names.append(platform::fromFsBytes(e.name, e.nameLength));
        if (link && links)
            links->insert(names.last());
    }
    SortSubdirNames(names);
    return names;
}

void TDirTreeViewS::SortSubdirNames(QStringList& names) {
    if (names.size() < 2)
        return;
    // Order by what the user reads; names that collate equal (they differ only in case,
    // which Linux allows) keep a fixed order by their bytes.
    QCollator collator{QLocale()};
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    struct Key {
        QString display;
        QString name;
    };
    std::vector<Key> keys;
    keys.reserve(size_t(names.size()));
    for (const QString& n : names)
        keys.push_back({platform::displayName(n), n});
    std::sort(keys.begin(), keys.end(), [&](const Key& a, const Key& b) {
        int c = collator.compare(a.display, b.display);
        return c != 0 ? c < 0 : a.name < b.name;
    });
    for (size_t i = 0; i < keys.size(); ++i)
        names[qsizetype(i)] = keys[i].name;
}

bool TDirTreeViewS::revisitsAncestor(const QString& dir, const QTreeWidgetItem* node) const {
    // Only a symbolic link can lead back up; look when one is on the way.
    bool viaLink = false;
    for (const QTreeWidgetItem* n = node; n && !viaLink; n = n->parent())
        viaLink = n->data(0, kLinkRole).toBool();
    struct stat self {};
    if (!viaLink || ::stat(platform::toFsBytes(dir).constData(), &self) != 0)
        return false;
    if (sameDirectory(platform::driveRootPath(drive_), self))
        return true;
    for (const QTreeWidgetItem* n = node->parent(); n; n = n->parent()) {
        if (!IsDriveNode(n) && sameDirectory(GetNodePath(n), self))
            return true;
    }
    return false;
}

void TDirTreeViewS::AddSubdirs(const QString& dir, QTreeWidgetItem* parent, bool oneMoreLevel) {
    // A link back to a folder above it would make the tree endless: it gets no children.
    if (parent && revisitsAncestor(dir, parent))
        return;
    QSet<QString> links;
    QStringList names;
    if (offered_ && dir == awaitedDir_) {
        // What the listing of this folder saw.
        offered_ = false;
        names = std::move(offeredNames_);
        links = std::move(offeredLinks_);
        SortSubdirNames(names);
    } else {
        names = SubdirNames(dir, &links);
    }
    QList<QTreeWidgetItem*> nodes;
    nodes.reserve(names.size());
    for (const QString& name : names) {
        auto* node = new QTreeWidgetItem(QStringList(platform::displayName(name)));
        node->setData(0, kNameRole, name);
        if (links.contains(name))
            node->setData(0, kLinkRole, true);
        node->setIcon(0, folderIcon_);
        nodes.append(node);
    }
    if (parent)
        parent->addChildren(nodes);
    else
        addTopLevelItems(nodes);
    if (oneMoreLevel) {
        for (qsizetype i = 0; i < names.size(); ++i)
            AddSubdirs(joinPath(dir, names.at(i)), nodes.at(i), false);
    }
}

void TDirTreeViewS::nodeExpanding(QTreeWidgetItem* node) {
    // The drive root's grandchildren come with Rebuild; below it, opening a node loads
    // the subdirectories of each child that has none yet, so the next expand buttons
    // are right. Loaded nodes stay as they are until the next Rebuild.
    if (IsDriveNode(node))
        return;
    UpdateBracket bracket(this);
    const QString path = GetNodePath(node);
    for (int i = 0; i < node->childCount(); ++i) {
        QTreeWidgetItem* child = node->child(i);
        if (child == walkEnd_) {
            walkEndSkipped_ = true; // loaded after the walk's report
            continue;
        }
        if (child->childCount() == 0)
            AddSubdirs(joinPath(path, NodeName(child)), child, false);
    }
}

void TDirTreeViewS::loadSubdirs(QTreeWidgetItem* node) {
    if (node->childCount() == 0)
        AddSubdirs(GetNodePath(node), node, false);
}

bool TDirTreeViewS::AwaitsSubdirsOf(const QString& dir) const {
    return !awaitedDir_.isEmpty() && dir == awaitedDir_;
}

void TDirTreeViewS::OfferSubdirs(const QString& dir, const QStringList& names,
                                 const QSet<QString>& links) {
    if (!AwaitsSubdirsOf(dir))
        return;
    offered_ = true;
    offeredNames_ = names;
    offeredLinks_ = links;
}

void TDirTreeViewS::ExpandAllBelow(QTreeWidgetItem* start) {
    if (!start || expandingAll_)
        return;
    expandingAll_ = true;
    stopExpanding_ = false;
    const int generation = generation_;
    QPointer<TDirTreeViewS> self(this);
    WaitCursor wait;
    QElapsedTimer sinceEvents;
    sinceEvents.start();
    BeginUpdate();
    std::vector<QTreeWidgetItem*> pending{start};
    while (!pending.empty()) {
        QTreeWidgetItem* node = pending.back();
        pending.pop_back();
        node->setExpanded(true); // loads the level below its children
        // Depth first in the order shown; a link is where another part of the disk (or
        // this very branch) would be walked again.
        for (int i = node->childCount() - 1; i >= 0; --i) {
            QTreeWidgetItem* child = node->child(i);
            if (child->childCount() > 0 && !child->data(0, kLinkRole).toBool())
                pending.push_back(child);
        }
        if (pending.empty() || sinceEvents.elapsed() < eventIntervalMs_)
            continue;
        // Paint what is open so far and let the user act meanwhile.
        EndUpdate();
        QCoreApplication::processEvents();
        if (!self)
            return;
        BeginUpdate();
        sinceEvents.restart();
        if (stopExpanding_ || dirSpace_ || generation != generation_)
            break; // Escape, a suspension, or a rebuild that deleted the pending nodes
    }
    EndUpdate();
    expandingAll_ = false;
}

void TDirTreeViewS::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Asterisk) {
        // Our own walk instead of the view's, which follows links without end.
        event->accept();
        ExpandAllBelow(currentItem());
        return;
    }
    if (event->key() == Qt::Key_Escape && expandingAll_) {
        event->accept();
        stopExpanding_ = true;
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

QString TDirTreeViewS::GetNodePath(const QTreeWidgetItem* node) const {
    if (!node)
        return platform::driveRootPath(drive_);
    if (IsDriveNode(node))
        return drive_;
    QString rel;
    for (const QTreeWidgetItem* n = node; n && !IsDriveNode(n); n = n->parent())
        rel.prepend(QLatin1Char('/') + NodeName(n));
    return (drive_ == QLatin1String("/") ? QString() : drive_) + rel;
}

QString TDirTreeViewS::GetSelectedPath() const {
    const QTreeWidgetItem* node = currentItem();
    if (node && IsDriveNode(node))
        return platform::driveRootPath(drive_);
    return GetNodePath(node);
}

QString TDirTreeViewS::driveForPath(const QString& path) const {
    // A path inside the shown drive stays on it, even when a listed drive lies deeper
    // (home under "/", a stick under /media): the tree shows what the user chose, and a
    // refresh or a drive change, which select the kept folder again, must not switch.
    // Other paths go to the drive they belong to, the longest listed root.
    if (!drive_.isEmpty() && platform::pathIsUnder(path, drive_))
        return drive_;
    return platform::DriveOfPath(path);
}

void TDirTreeViewS::SelectPath(const QString& path) {
    if (path.isEmpty())
        return;
    // The walk selects each folder on the way, which opens it and loads the level below,
    // but only where it ends is reported: every report lists a folder, and a walk down a
    // deep path would list each of its ancestors. A walk that changed the selection on
    // the way reports once at its end, also when it ends where it began, so the file list
    // is read again as before. A rebuild within (a new drive) is part of the same walk.
    // The subfolders of the folder it ends on are loaded after the report, from what the
    // listing in answer saw when it offers that.
    bool report = false;
    QTreeWidgetItem* end = nullptr;
    {
        struct Walk {
            TDirTreeViewS* tree;
            bool outermost;
            explicit Walk(TDirTreeViewS* t) : tree(t), outermost(t->walkDepth_++ == 0) {
                if (outermost)
                    tree->walkChanged_ = false;
            }
            ~Walk() {
                if (outermost) {
                    tree->walkEnd_ = nullptr;
                    tree->walkEndSkipped_ = false;
                }
                --tree->walkDepth_;
            }
        } walk(this);
        UpdateBracket bracket(this);
        const QString drive = driveForPath(path);
        if (!drive.isEmpty())
            SetDrive(drive);
        const int index = FindPathIndex(FirstNode(), path);
        QTreeWidgetItem* node = NodeAt(index);
        SelectNode(node);
        if (walk.outermost && walkEndSkipped_) {
            if (walkEnd_ == currentItem())
                end = walkEnd_;
            else
                loadSubdirs(walkEnd_);
        }
        if (QTreeWidgetItem* selected = currentItem();
            !end && selected && selected->childCount() > 0)
            selected->setExpanded(true);
        report = walk.outermost && walkChanged_;
    }
    if (!end) {
        if (report)
            reportSelection(currentItem());
        return;
    }
    const int generation = generation_;
    awaitedDir_ = GetNodePath(end);
    if (report)
        reportSelection(currentItem());
    if (generation == generation_) { // no rebuild meanwhile, which deletes every node
        UpdateBracket bracket(this);
        loadSubdirs(end);
        if (end == currentItem() && end->childCount() > 0)
            end->setExpanded(true);
    }
    awaitedDir_.clear();
    offered_ = false;
    offeredNames_.clear();
    offeredLinks_.clear();
}

int TDirTreeViewS::FindPathIndex(QTreeWidgetItem* node, const QString& path) {
    if (!node || drive_.isEmpty())
        return 0;
    if (platform::normalizeDriveRoot(path) == drive_)
        return 0; // the drive root
    QString rest = path;
    const QString rootPath = platform::driveRootPath(drive_);
    if (rest.startsWith(rootPath))
        rest = rest.mid(rootPath.size());
    // Without a drive node the root's directories are the top-level nodes.
    if (!showDrive_ && node == FirstNode())
        node = nullptr;
    return findRelative(node, rest);
}

QTreeWidgetItem* TDirTreeViewS::findChild(QTreeWidgetItem* node, const QString& name) const {
    const int count = node ? node->childCount() : topLevelItemCount();
    for (int i = 0; i < count; ++i) {
        QTreeWidgetItem* child = node ? node->child(i) : topLevelItem(i);
        if (NodeName(child) == name)
            return child;
    }
    return nullptr;
}

int TDirTreeViewS::findRelative(QTreeWidgetItem* node, const QString& rest) {
    QString remaining = rest;
    for (;;) {
        const qsizetype slash = remaining.indexOf(QLatin1Char('/'));
        const QString first = slash < 0 ? remaining : remaining.left(slash);
        remaining = slash < 0 ? QString() : remaining.mid(slash + 1);
        QTreeWidgetItem* child = findChild(node, first);
        if (!child)
            return 0;
        if (remaining.isEmpty() && walkDepth_ == 1 && child->childCount() == 0) {
            // The outermost walk's last folder: its parent, opening now, leaves it.
            walkEnd_ = child;
            walkEndSkipped_ = false;
        }
        // Selecting shows the child, which opens its ancestors and so loads the level
        // below it: the walk can go deeper than Rebuild loaded.
        SelectNode(child);
        if (remaining.isEmpty())
            return AbsoluteIndex(child);
        node = child;
    }
}

void TDirTreeViewS::SelectNode(QTreeWidgetItem* node) {
    if (!node)
        node = FirstNode();
    if (!node)
        return;
    setCurrentItem(node);
    makeVisible(node);
}

void TDirTreeViewS::makeVisible(QTreeWidgetItem* node) {
    QList<QTreeWidgetItem*> ancestors;
    for (QTreeWidgetItem* p = node->parent(); p; p = p->parent())
        ancestors.prepend(p);
    for (QTreeWidgetItem* p : ancestors) {
        if (!p->isExpanded())
            p->setExpanded(true);
    }
    scrollToItem(node);
}

void TDirTreeViewS::SetShowDrive(bool value) {
    if (value == showDrive_)
        return;
    showDrive_ = value;
    Rebuild();
}

void TDirTreeViewS::SetDirSpace(bool value) {
    if (value == dirSpace_)
        return;
    dirSpace_ = value;
    if (!value)
        Rebuild();
}

void TDirTreeViewS::BeginUpdate() {
    if (updateDepth_++ == 0)
        setUpdatesEnabled(false);
}

void TDirTreeViewS::EndUpdate() {
    if (updateDepth_ > 0 && --updateDepth_ == 0)
        setUpdatesEnabled(true);
}

int TDirTreeViewS::NodeCount() const {
    int count = 0;
    for (QTreeWidgetItemIterator it(const_cast<TDirTreeViewS*>(this)); *it; ++it)
        ++count;
    return count;
}

int TDirTreeViewS::AbsoluteIndex(const QTreeWidgetItem* node) const {
    int index = 0;
    for (QTreeWidgetItemIterator it(const_cast<TDirTreeViewS*>(this)); *it; ++it, ++index) {
        if (*it == node)
            return index;
    }
    return -1;
}

QTreeWidgetItem* TDirTreeViewS::NodeAt(int index) const {
    if (index < 0)
        return nullptr;
    for (QTreeWidgetItemIterator it(const_cast<TDirTreeViewS*>(this)); *it; ++it) {
        if (index-- == 0)
            return *it;
    }
    return nullptr;
}

QTreeWidgetItem* TDirTreeViewS::LastNode() const {
    QTreeWidgetItem* last = nullptr;
    for (QTreeWidgetItemIterator it(const_cast<TDirTreeViewS*>(this)); *it; ++it)
        last = *it;
    return last;
}

bool TDirTreeViewS::IsDriveNode(const QTreeWidgetItem* node) const {
    return node && node->data(0, kDriveRole).toBool();
}

QString TDirTreeViewS::NodeName(const QTreeWidgetItem* node) {
    return node ? node->data(0, kNameRole).toString() : QString();
}

void TDirTreeViewS::selectionChanged(QTreeWidgetItem* current) {
    if (walkDepth_ > 0) {
        if (!clearing_ && current)
            walkChanged_ = true;
        return;
    }
    reportSelection(current);
}

void TDirTreeViewS::reportSelection(QTreeWidgetItem* current) {
    if (clearing_ || !current || dirSpace_ || !OnChange)
        return;
    OnChange(this, GetSelectedPath());
}

void TDirTreeViewS::mouseReleaseEvent(QMouseEvent* event) {
    QTreeWidget::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && OnClick)
        OnClick(this, GetSelectedPath());
}

void TDirTreeViewS::mouseDoubleClickEvent(QMouseEvent* event) {
    QTreeWidgetItem* node = currentItem();
    const bool leaf = node && node->childCount() == 0;
    QTreeWidget::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton && leaf && OnDblClick)
        OnDblClick(this, GetSelectedPath());
}
