#pragma once
// The program's help: HTML pages of our own, one per help context number, compiled into
// the resources (":/res/help/<context>.html") and shown in a help window of ours.
#include <QWidget>

class QAction;
class QApplication;
class QTextBrowser;

namespace ui {

// The page every unknown context falls back to: the main window's topic and contents.
inline constexpr int kHelpContents = 1000;

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
