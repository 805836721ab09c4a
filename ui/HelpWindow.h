#pragma once
// The program's help: HTML pages of our own, one per help context number, compiled into
// the resources (":/res/help/<context>.html") and shown in a help window of ours.
#include <QWidget>

#include <array>

class QAction;
class QApplication;
class QTextBrowser;

namespace ui {

// The page every unknown context falls back to: the main window's topic and contents.
inline constexpr int kHelpContents = 1000;

// Every help context the program gives its windows, menu items and help buttons. Each has a
// page; SetHelpContext warns about a number missing here, which would open the contents.
inline constexpr std::array<int, 15> kHelpContexts = {
    1000, // main window, contents
    1030, // context menu
    1040, // open / close the viewer
    1042, // bulk search
    1044, // directory panel on / off
    1046, // register on a button
    1055, // zoom out / in
    1056, // task tray
    1060, // file lists, archive window
    1070, // make-directory dialog
    1075, // editor
    1077, // copy, move, trash, delete
    1078, // picture preview
    1085, // page tab names
    1100, // information window
};

// True when context is one of kHelpContexts.
bool IsKnownHelpContext(int context);

class THelpForm : public QWidget {
    Q_OBJECT
public:
    explicit THelpForm(QWidget* parent = nullptr);
    // Shows the page of context (the contents page when there is none) and returns the
    // context shown.
    int showContext(int context);
    int currentContext() const { return context_; }
    QTextBrowser* browser() const { return browser_; }

private:
    QTextBrowser* browser_;
    int context_ = 0;
};

// Opens the help window (created on first use, then reused) at the page of context.
void ShowHelp(int context);
// The help window, or null when it was never opened.
THelpForm* HelpWindow();

// True when a page exists for context.
bool HasHelpPage(int context);

// Help contexts of widgets and menu items (kept as the dynamic property "helpContext").
void SetHelpContext(QWidget* widget, int context);
void SetHelpContext(QAction* action, int context);
// The context of widget or of its nearest parent that has one; 0 when none has.
int HelpContextOf(const QWidget* widget);

// F1 anywhere in the application shows the help of the focused widget (in an open menu:
// of the highlighted item, else of the menu), or the contents when nothing has a context.
// F1 is taken before any shortcut, so a menu item showing "F1" does not steal it.
void InstallHelpKey(QApplication* app);

} // namespace ui
