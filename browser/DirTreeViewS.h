#pragma once
// The directory tree of one drive (a mounted volume): the drive's root as the single
// root node, its directories below, loaded lazily and always one level ahead of what is
// expanded, so expand buttons appear exactly on directories that have subdirectories.
//
// Node names are file names (platform/FsName.h): a node shows the display form of its
// name, while paths are built from the stored name and map back to the same bytes.
#include <QIcon>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QTreeWidget>
#include <functional>

class TDirTreeViewS;

// (Sender, path of the selected node)
using TDirTreeEvent = std::function<void(TDirTreeViewS* sender, const QString& path)>;

class TDirTreeViewS : public QTreeWidget {
    Q_OBJECT
public:
    explicit TDirTreeViewS(QWidget* parent = nullptr);
    ~TDirTreeViewS() override;

    // The drive shown: its root without a trailing "/" ("/" for the root file system);
    // empty until the first SetDrive or SelectPath.
    QString Drive() const { return drive_; }
    // Shows another drive: nothing when root equals the stored root as given; otherwise
    // stores it and rebuilds, trying the same directory relative to the new root.
    void SetDrive(const QString& root);
    // Reloads the tree of the stored drive, keeping the selected directory.
    void Rebuild();

    // Full path of a node; for no node the drive root with a trailing "/".
    QString GetNodePath(const QTreeWidgetItem* node) const;
    // Path of the selected node; the drive root's ends in "/", a directory's does not.
    QString GetSelectedPath() const;
    // Selects the node of a full path; the drive root when the path is not found. A path
    // outside the shown drive switches first to the drive it belongs to; one inside it
    // stays there, also when it lies in a listed drive within. path must not be empty.
    // The folders selected on the way are not reported: one OnChange at the end, when
    // the selection changed at all during the walk.
    void SelectPath(const QString& path);
    // Absolute index of the node of path, walking down from node (the drive root);
    // 0 when not found. Names compare exactly, case-sensitively. Selects on the way
    // (reported as usual when not called from SelectPath).
    int FindPathIndex(QTreeWidgetItem* node, const QString& path);
    // Adds the subdirectories of dir under parent (top level when null), in the user's
    // locale order; with oneMoreLevel also their subdirectories.
    void AddSubdirs(const QString& dir, QTreeWidgetItem* parent, bool oneMoreLevel);

    // True: one root node for the drive; False: the root's directories at top level.
    bool ShowDrive() const { return showDrive_; }
    void SetShowDrive(bool value);
    // True suspends the control: no rebuild and no OnChange; back to False rebuilds.
    bool DirSpace() const { return dirSpace_; }
    void SetDirSpace(bool value);

    // Update bracket: no repainting per node while open. Brackets nest.
    void BeginUpdate();
    void EndUpdate();

    // Nodes by absolute index (depth-first order over every node, loaded or collapsed).
    int NodeCount() const;
    int AbsoluteIndex(const QTreeWidgetItem* node) const;
    QTreeWidgetItem* NodeAt(int index) const;
    QTreeWidgetItem* FirstNode() const { return topLevelItemCount() ? topLevelItem(0) : nullptr; }
    QTreeWidgetItem* LastNode() const;
    bool IsDriveNode(const QTreeWidgetItem* node) const;
    // The file name a node stands for (empty for the drive root).
    static QString NodeName(const QTreeWidgetItem* node);
    // Selects a node (or the first node for null) and makes it visible.
    void SelectNode(QTreeWidgetItem* node);

    // Opens node and every real folder below it, as the expand-all key does; symbolic
    // links to folders stay closed (they may lead back into the tree without end).
    // Pending events run every eventInterval ms; Escape, a rebuild or a suspension ends
    // it early.
    void ExpandAllBelow(QTreeWidgetItem* node);
    // Milliseconds between event processing during ExpandAllBelow (0: after every folder).
    void SetEventInterval(int intervalMs) { eventIntervalMs_ = intervalMs; }

    // The sorted names of the subdirectories of dir, dot-directories left out; links
    // collects those that are symbolic links.
    static QStringList SubdirNames(const QString& dir, QSet<QString>* links = nullptr);
    // Sorts names of sibling folders in the order the tree shows them.
    static void SortSubdirNames(QStringList& names);

    // While OnChange reports the end of a SelectPath walk, the subfolders of that folder
    // are not loaded yet: whoever lists the folder in answer may hand over what it saw
    // (unsorted, dot-names left out, links to folders among them), so the folder is read
    // once. Otherwise the tree reads it itself after the report.
    bool AwaitsSubdirsOf(const QString& dir) const;
    void OfferSubdirs(const QString& dir, const QStringList& names, const QSet<QString>& links);

    TDirTreeEvent OnChange;
    TDirTreeEvent OnClick;
    TDirTreeEvent OnDblClick;

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void nodeExpanding(QTreeWidgetItem* node);
    void selectionChanged(QTreeWidgetItem* current);
    void reportSelection(QTreeWidgetItem* current);
    void makeVisible(QTreeWidgetItem* node);
    QTreeWidgetItem* findChild(QTreeWidgetItem* node, const QString& name) const;
    int findRelative(QTreeWidgetItem* node, const QString& rest);
    void loadSubdirs(QTreeWidgetItem* node);
    QString driveForPath(const QString& path) const;
    bool revisitsAncestor(const QString& dir, const QTreeWidgetItem* node) const;

    QIcon folderIcon_; // closed folder, open folder when selected
    QIcon driveIcon_;
    QString drive_;
    bool showDrive_ = true;
    bool dirSpace_ = false;
    int updateDepth_ = 0;
    bool clearing_ = false;
    int walkDepth_ = 0;        // SelectPath walks under way (a rebuild within nests one)
    bool walkChanged_ = false; // the selection changed during the outermost walk
    // The outermost walk's last folder, its loading postponed past the report; skipped
    // when its parent opened meanwhile and so left to load.
    QTreeWidgetItem* walkEnd_ = nullptr;
    bool walkEndSkipped_ = false;
    QString awaitedDir_; // during the report: the folder whose subfolders may be offered
    bool offered_ = false;
    QStringList offeredNames_;
    QSet<QString> offeredLinks_;
    int generation_ = 0; // counts rebuilds, which delete every node
    int eventIntervalMs_ = 50;
    bool expandingAll_ = false;
    bool stopExpanding_ = false;
};
