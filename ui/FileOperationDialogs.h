#pragma once
// The dialogs that answer the questions of a file operation: the delete confirmation
// (to the trash or for good) and the question whether to delete for good a file the
// trash cannot take, both as the standard message dialog; the overwrite question naming
// both files with their sizes and dates (上書き / スキップ / キャンセル); the progress of
// a long copy with キャンセル. Names are shown as plain text (platform::displayName).
// The overwrite question and the progress go through a replaceable responder, as the
// message dialog does, so tests answer them without showing anything.
#include "platform/FileOperation.h"

#include <QList>
#include <QPointer>
#include <QString>
#include <functional>

class QWidget;

namespace ui {

class FileProgressDialog;

// The overwrite question as shown: caption, text (CR LF line breaks) and buttons.
struct OverwriteRequest {
    QString caption;
    QString text;
    QStringList buttons; // "上書き", "スキップ", "キャンセル"
};

// A report of a copy's progress as shown: caption, text, bytes done of total.
struct ProgressReport {
    QString caption;
    QString text;
    int64_t done = 0;
    int64_t total = 0;
};

// Test seam: responders answer instead of the real dialogs (null: the real ones).
using OverwriteResponder = std::function<platform::OverwriteAnswer(const OverwriteRequest&)>;
using ProgressResponder = std::function<bool(const ProgressReport&)>; // false: キャンセル
void SetFileDialogResponders(OverwriteResponder overwrite, ProgressResponder progress);

// A scripted pair of responders for tests: records every request; the overwrite
// question gives the queued answers in order (then Overwrite); the progress is
// cancelled at the report numbered cancelAtReport (1 = the first; 0 = never).
class ScriptedFileDialogs {
public:
    ScriptedFileDialogs();  // installs itself
    ~ScriptedFileDialogs(); // restores the real dialogs
    ScriptedFileDialogs(const ScriptedFileDialogs&) = delete;
    ScriptedFileDialogs& operator=(const ScriptedFileDialogs&) = delete;
    void answer(platform::OverwriteAnswer a) { answers_.append(a); }
    int cancelAtReport = 0;
    const QList<OverwriteRequest>& overwriteCalls() const { return overwrites_; }
    const QList<ProgressReport>& progressReports() const { return reports_; }

private:
    QList<OverwriteRequest> overwrites_;
    QList<ProgressReport> reports_;
    QList<platform::OverwriteAnswer> answers_;
};

// The texts of the questions (also what the tests compare).
QString DeleteConfirmationText(platform::FileOpKind kind, const QString& path);
QString TrashFallbackText(const QString& path, const QString& why);
OverwriteRequest OverwriteQuestion(const platform::FileFacts& existing,
                                   const platform::FileFacts& incoming);
QString ProgressCaption(platform::FileOpKind kind);
QString ProgressText(platform::FileOpKind kind, const QString& source, const QString& folder);

// Answers the questions of one operation, owned by the handler that runs it.
class FileOperationDialogs {
public:
    // source and folder name the operation in the progress dialog.
    FileOperationDialogs(platform::FileOpKind kind, const QString& source, const QString& folder);
    ~FileOperationDialogs();
    FileOperationDialogs(const FileOperationDialogs&) = delete;
    FileOperationDialogs& operator=(const FileOperationDialogs&) = delete;
    // Valid while this object lives.
    platform::FileOpCallbacks callbacks();
    // A failed operation's reason, in the standard error dialog.
    static void ShowFailure(const QString& reason);

private:
    bool progress(int64_t done, int64_t total);
    void finished();

    platform::FileOpKind kind_;
    QString source_, folder_;
    QPointer<FileProgressDialog> dialog_;
    bool arrow_ = false; // the normal cursor pushed for the progress dialog
};

} // namespace ui
