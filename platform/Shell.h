#pragma once
// Starting programs, documents and folders the way the desktop would: the one road by
// which the program starts anything. Results keep the classic shell codes: above 32
// means started; 2 file not found, 3 path not found, 31 no application for a document.
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

namespace platform {

constexpr int SW_SHOW = 5; // the only show command callers pass

constexpr int kShellOutOfResources = 0; // no process could be made
constexpr int kShellFileNotFound = 2;
constexpr int kShellPathNotFound = 3;
constexpr int kShellAccessDenied = 5;
constexpr int kShellBadFormat = 11;     // the program exists but would not run
constexpr int kShellNoAssociation = 31; // no application opens the document
constexpr int kShellStarted = 42;       // any value above 32 means started

// Starts file with the parameter string (split like a Windows command line) in the
// working directory (empty: ours). Folders open in the file manager, executables
// (ELF, or a script with "#!") run detached, desktop entries start their application,
// documents open in their default application; "explorer" / "explorer.exe" with
// "/n,/e,PATH" shows PATH in the file manager. Strings are used whole.
int ShellStart(const QString& file, const QString& parameters, const QString& directory,
               int showCmd);

// The folder part of path without its final "/"; a file directly in "/" gives "/" (an
// empty working directory would mean wherever we happen to be), a path without any
// "/" gives "".
QString EntryFolder(const QString& path);

// A parameter string split like a Windows command line: white space separates, double
// quotes group ("" inside quotes is a quote), 2n backslashes before a quote give n and
// the quote groups, 2n+1 give n and a literal quote; a lone "" is one empty argument.
QStringList SplitCommandLine(const QString& parameters);
// The argument in double quotes, so that SplitCommandLine gives it back unchanged
// ("\"" + arg + "\"" for any path without quotes or trailing backslashes).
QString QuoteArgument(const QString& arg);

// The folder an explorer command line asks for: the text after the "/n," "/e,"
// "/root," and "/select," switches, unquoted; empty when it names none.
QString ExplorerTarget(const QString& parameters);

// --- what ShellStart decides, apart from doing it ---------------------------------

// The desktop's helpers: how to open a file or folder with its default application,
// and whether a MIME type has one. The real ones come from PATH (xdg-open or gio).
struct DesktopServices {
    QStringList opener; // program and leading arguments, e.g. {"/usr/bin/xdg-open"}
    // True when some application opens documents of this MIME type.
    std::function<bool(const QString& mime)> hasApplication;
};
DesktopServices systemDesktopServices();

struct ShellPlan {
    int result = kShellStarted; // when not above 32: do nothing, report this
    QString program;            // otherwise: start this ...
    QStringList arguments;      // ... with these arguments ...
    QString workingDirectory;   // ... here (empty: ours)
};
ShellPlan PlanShellStart(const QString& file, const QString& parameters, const QString& directory,
                         const DesktopServices& services);
// Carries out a plan; a process that cannot be made or cannot run is a failure code.
int RunShellPlan(const ShellPlan& plan);

// --- test seam --------------------------------------------------------------------

struct ShellCall {
    QString file, parameters, directory;
    int showCmd = 0;
};

// Records every ShellStart call instead of starting anything and answers with the
// scripted results in order (when none are queued: kShellStarted).
class ShellRecorder {
public:
    ShellRecorder();  // installs itself
    ~ShellRecorder(); // restores real starting
    ShellRecorder(const ShellRecorder&) = delete;
    ShellRecorder& operator=(const ShellRecorder&) = delete;
    void answer(int result) { answers_.append(result); }
    const QList<ShellCall>& calls() const { return calls_; }
    void clear() { calls_.clear(); }
    int record(const ShellCall& call); // what ShellStart does while a recorder is installed

private:
    QList<ShellCall> calls_;
    QList<int> answers_;
};

} // namespace platform
