#pragma once
// Hands the input of the file panel's controls (the two lists, the tree, the selection
// image) to the panel's handlers, around the controls' own handling: a list first
// selects, then the panel's mouse handler runs.
// Drags that start here carry the files as text/uri-list too, so they can be dropped on
// other programs; their drag source is the control they started from.
#include <QObject>
#include <QPoint>
#include <QPointer>

class QWidget;

namespace browser {

class FilePanel;
class TFileListBoxS;

class FilePanelEvents : public QObject {
    Q_OBJECT
public:
    explicit FilePanelEvents(FilePanel* panel);
    // Installs itself on the controls of the file panel.
    void install();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool listEvent(TFileListBoxS* list, bool onViewport, QObject* watched, QEvent* event);
    bool treeEvent(bool onViewport, QObject* watched, QEvent* event);
    bool selectImageEvent(QEvent* event);
    // The control's own handling of the event, before the window's.
    void passOn(QObject* watched, QEvent* event);
    void startListDrag(TFileListBoxS* list);
    void startTreeDrag();
    void startSelectImageDrag();

    FilePanel* panel_;
    TFileListBoxS* lists_[2] = {};
    QObject* listViewports_[2] = {};
    QObject* tree_ = nullptr;
    QObject* treeViewport_ = nullptr;
    QObject* image_ = nullptr;
    QObject* passing_ = nullptr; // the control handling an event passed on
    QPoint pressPos_;
    // A list's press is being handled, and its release already came meanwhile (the archive
    // window lets messages through while it reads the archive the press selected).
    bool inListPress_ = false;
    bool releasedInListPress_ = false;
    bool imagePressed_ = false;   // a left press on the selection image: a click to come
    bool imageDragArmed_ = false; // a right press that may drag it onto a slot
};

} // namespace browser
