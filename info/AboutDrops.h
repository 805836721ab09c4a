#pragma once
// Files dropped on the program from other programs while the information window exists.
// Linux has no taskbar window to drop on, so the drops that would reach it are those
// addressed to any other window of ours (not to a control of it that takes drops
// itself, such as a slot or a list): they go to the information window's drop handler,
// and a minimised window is restored. Drags from our own lists and slots are not taken.
#include <QObject>
#include <QPointer>
#include <QStringList>

class QMimeData;
class TAboutBox;

namespace info {

// The local files of a drop that comes from another program; empty for a drag that
// started in one of our own widgets (source set) or that carries no files.
QStringList FilesFromOtherPrograms(const QObject* dragSource, const QMimeData* mime);

// The application-level routing; installed on the application while the window exists.
class AboutDropRouter : public QObject {
public:
    explicit AboutDropRouter(TAboutBox* window);
    ~AboutDropRouter() override; // uninstalls itself

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<TAboutBox> window_;
};

} // namespace info
