#pragma once
// The page tab-name dialog: a radio button per launcher page (choosing one also shows
// that page in the main window), a label beside it with the page's name, an edit box
// whose text the label of the chosen page follows as it is typed, Enter for the next
// page, and OK to keep all eleven names. Not modal; closing it drops it, and names typed
// but not confirmed are lost.
#include <QWidget>
#include <array>

class QGroupBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QToolButton;

namespace launcher {

class LauncherStrip;

class TTabsetF : public QWidget {
    Q_OBJECT
public:
    static constexpr int kHelpContext = 1085;
    static constexpr int kClientWidth = 489;
    static constexpr int kClientHeight = 274;

    // Built on the launcher's current names; parent is the main window, so the dialog
    // goes with it.
    TTabsetF(LauncherStrip& launcher, QWidget* parent);

    // ---- Controls ---------------------------------------------------------------------
    QGroupBox* GroupBox1 = nullptr;
    std::array<QRadioButton*, 11> RadioButtons{}; // RadioButton1 .. RadioButton11, tags 0..10
    std::array<QLabel*, 11> Labels{};             // Label1 .. Label11
    QGroupBox* GroupBox2 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QToolButton* SpeedButton1 = nullptr; // OK
    QToolButton* SpeedButton2 = nullptr; // cancel
    QToolButton* SpeedButton3 = nullptr; // help

    // The page whose name the edit box types, 0..10.
    int SelectedPage() const { return selected_; }

    // ---- Handlers ---------------------------------------------------------------------
    void FormCreate();
    void FormActivate();
    void RadioButton1Click(QObject* sender);
    void Edit1Change();
    // True when the key was taken (Enter: to the next page).
    bool Edit1KeyPress(int key);
    void SpeedButton1Click();
    void SpeedButton2Click();
    void SpeedButton3Click();

protected:
    bool event(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void Build();
    void CheckRadio(int page);
    // Empties the edit box without its text reaching a label.
    void EmptyEdit();

    LauncherStrip& launcher_;
    int selected_ = 0;
    bool ignoreNextChange_ = false;
};

} // namespace launcher
