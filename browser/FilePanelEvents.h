#pragma once
// Hands the input of the file panel's controls (the two lists, the tree, the selection
// image, the directory panel, the search bar) to the main window's handlers, around the
// controls' own handling: a list first selects, then the window's mouse handler runs.
// Drags that start here carry the files as text/uri-list too, so they can be dropped on
// other programs; their drag source is the control they started from.
#include <QObject>
#include <QPoint>
#include <QPointer>

class TForm1;
class QWidget;

namespace browser {

class TFileListBoxS;

class FilePanelEvents : public QObject {
    Q_OBJECT
public:
    explicit FilePanelEvents(TForm1* form);
    // Installs itself on the controls of the form's file panel.
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

    TForm1* form_;
    TFileListBoxS* lists_[2] = {};
    QObject* listViewports_[2] = {};
    QObject* tree_ = nullptr;
    QObject* treeViewport_ = nullptr;
    QObject* image_ = nullptr;
    QObject* edit_ = nullptr;
    QObject* passing_ = nullptr; // the control handling an event passed on
    QPoint pressPos_;
    bool imagePressed_ = false;
};

} // namespace browser
