#pragma once
// The find dialog of the text windows: the find text, whole word, match case and the
// direction, with a find-next button that asks the owner to search.
#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace editor {

class FindDialog : public QDialog {
    Q_OBJECT
public:
    explicit FindDialog(QWidget* parent = nullptr);

    QString FindText() const;
    void SetFindText(const QString& text);
    bool Down() const;
    void SetDown(bool down);
    bool MatchCase() const;
    void SetMatchCase(bool on);
    bool WholeWord() const;
    void SetWholeWord(bool on);

    // Shows the dialog with its top-left corner at topLeft, moved only as far as it takes
    // to keep the whole dialog on the screen there.
    void ShowAt(QPoint topLeft);
    // Where a window of that frame size goes when it wants topLeft on that screen area.
    static QPoint PlaceOnScreen(QPoint topLeft, QSize frame, QRect screen);

    QLineEdit* TextEdit = nullptr;
    QCheckBox* WholeWordBox = nullptr;
    QCheckBox* MatchCaseBox = nullptr;
    QRadioButton* UpButton = nullptr;
    QRadioButton* DownButton = nullptr;
    QPushButton* FindNextButton = nullptr;

signals:
    void find(); // the find-next button
};

} // namespace editor
