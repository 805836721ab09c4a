#pragma once
// The make-directory dialog: a small window that stays on top and stays open for several
// creations. It shows the parent folder (the tree's selection, which it follows), takes
// the new name, checks it, makes the folder one level deep and rebuilds the tree so that
// the new folder shows. Closing only hides it; its placement is kept in the settings
// section named after its class.
#include <QColor>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <QWidget>

class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;
class TDirTreeViewS;

namespace browser {

// The path of the new folder: a drive root's path already ends in "/" ("/", "/home/ann/"),
// so the name follows it directly; any other folder gets the separator first.
QString DirMakeFullPath(const QString& parent, const QString& name);

// True when the name holds "\" or "/" (not the full-width "￥" and "／"). A "\" that is the
// second byte of a Shift-JIS character in a name of raw bytes belongs to that character.
bool DirMakeNameHasSeparator(const QString& name);

// The dialog's messages, whole.
QString DirMakeEmptyNameText();
QString DirMakeSeparatorText();
QString DirMakeFailedText(const QString& name); // name as shown to the user

} // namespace browser

// The class stays outside the namespace: its name is the settings section.
class TDirMakeForm : public QWidget {
    Q_OBJECT
public:
    // tree: the tree whose selection is the parent and which is rebuilt after a success.
    explicit TDirMakeForm(TDirTreeViewS* tree, QWidget* parent = nullptr);
    ~TDirMakeForm() override;

    static constexpr int kHelpContext = 1070;
    static constexpr int kDesignLeft = 301, kDesignTop = 120;
    // The form's outer size was 332 x 76; this is the area inside its frame.
    static constexpr int kClientWidth = 324, kClientHeight = 49;
    static inline const QColor kWhite{255, 255, 255};
    static inline const QColor kYellow{255, 255, 0}; // the last rejected input

    QLabel* Label1 = nullptr;         // the parent folder, shown by its display name
    QLineEdit* Edit1 = nullptr;       // the new name
    QPushButton* STButton = nullptr;  // "作成"
    QPushButton* EndButton = nullptr; // "終了"

    // The folder the new one goes into (an FsName path); Label1 shows it.
    void SetParentDirectory(const QString& path);
    QString ParentDirectory() const { return parent_; }

    // Checks the name, makes the folder and rebuilds the tree; a rejected or failed name
    // gives its message below the dialog and marks Edit1 yellow. True on success.
    bool MakeDirectory();
    // Where the messages stand: the dialog's lower left corner.
    QPoint MessagePosition() const;
    QColor Edit1Colour() const;

    // ---- Handlers ------------------------------------------------------------------
    void STButtonClick();
    void EndButtonClick();
    bool Edit1KeyPress(QKeyEvent* e); // true: swallowed (Enter)
    void Edit1KeyDown();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* e) override;

private:
    void Build();
    void FormCreate();
    void FormDestroy();
    void FormActivate();
    bool Reject(const QString& text, bool confirmation);
    void SetEdit1Colour(const QColor& colour);

    QPointer<TDirTreeViewS> tree_; // the main window's; may go before this dialog
    QString parent_;
    bool destroyed_ = false;
};
