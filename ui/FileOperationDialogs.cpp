#include "ui/FileOperationDialogs.h"

#include "platform/FsName.h"
#include "ui/MessageDialog.h"

#include <QApplication>
#include <QDialog>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace ui {

namespace {

struct Responders {
    OverwriteResponder overwrite;
    ProgressResponder progress;
};

Responders& responders() {
    static Responders r;
    return r;
}

// A question asked while a handler shows the hourglass gets the normal cursor.
struct NormalCursor {
    NormalCursor() { QApplication::setOverrideCursor(Qt::ArrowCursor); }
    ~NormalCursor() { QApplication::restoreOverrideCursor(); }
};

QString newlines(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text;
}

// "1,234,567" whatever the locale, as the lists show sizes.
QString groupedSize(int64_t size) {
    QString digits = QString::number(size);
    for (qsizetype i = digits.size() - 3; i > (digits.startsWith('-') ? 1 : 0); i -= 3)
        digits.insert(i, QLatin1Char(','));
    return digits;
}

QString factsText(const platform::FileFacts& f) {
    return QStringLiteral("  %1\r\n  %2 バイト  %3")
        .arg(platform::displayName(f.path), groupedSize(f.size),
             f.modified.toString(QStringLiteral("yyyy/MM/dd hh:mm:ss")));
}

QLabel* plainLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setText(newlines(text));
    label->setObjectName(QStringLiteral("Message"));
    return label;
}

platform::OverwriteAnswer showOverwriteDialog(const OverwriteRequest& req) {
    const NormalCursor normal;
    QDialog dialog(QApplication::activeWindow());
    dialog.setObjectName(QStringLiteral("OverwriteDialog"));
    dialog.setWindowTitle(req.caption);
    dialog.setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(plainLabel(req.text, &dialog));
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    const platform::OverwriteAnswer answers[] = {platform::OverwriteAnswer::Overwrite,
                                                 platform::OverwriteAnswer::Skip,
                                                 platform::OverwriteAnswer::Cancel};
    platform::OverwriteAnswer result = platform::OverwriteAnswer::Cancel; // closed: cancel
    for (int i = 0; i < req.buttons.size() && i < 3; ++i) {
        auto* button = new QPushButton(req.buttons[i], &dialog);
        button->setAutoDefault(false);
        button->setDefault(i == 0);
        const platform::OverwriteAnswer answer = answers[i];
        QObject::connect(button, &QPushButton::clicked, &dialog, [&dialog, &result, answer] {
            result = answer;
            dialog.accept();
        });
        row->addWidget(button);
    }
    layout->addLayout(row);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    dialog.exec();
    return result;
}

} // namespace

// The progress of a long copy: the bar and キャンセル; modal, so nothing else starts.
class FileProgressDialog : public QDialog {
public:
    FileProgressDialog(const QString& caption, const QString& text)
        : QDialog(QApplication::activeWindow()) {
        setObjectName(QStringLiteral("FileProgressDialog"));
        setWindowTitle(caption);
        setWindowModality(Qt::ApplicationModal);
        setWindowFlag(Qt::WindowContextHelpButtonHint, false);
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(plainLabel(text, this));
        bar_ = new QProgressBar(this);
        bar_->setRange(0, 1000);
        layout->addWidget(bar_);
        auto* cancel = new QPushButton(QStringLiteral("キャンセル"), this);
        cancel->setObjectName(QStringLiteral("Cancel"));
        connect(cancel, &QPushButton::clicked, this, [this] { cancelled_ = true; });
        auto* row = new QHBoxLayout;
        row->addStretch(1);
        row->addWidget(cancel);
        layout->addLayout(row);
        setMinimumWidth(360);
    }
    void setProgress(int64_t done, int64_t total) {
        bar_->setValue(total > 0 ? int(done * 1000 / total) : 1000);
    }
    bool cancelled() const { return cancelled_; }

protected:
    void reject() override { cancelled_ = true; } // Escape and the close button cancel

private:
    QProgressBar* bar_ = nullptr;
    bool cancelled_ = false;
};

void SetFileDialogResponders(OverwriteResponder overwrite, ProgressResponder progress) {
    responders() = {std::move(overwrite), std::move(progress)};
}

ScriptedFileDialogs::ScriptedFileDialogs() {
    SetFileDialogResponders(
        [this](const OverwriteRequest& req) {
            overwrites_.append(req);
            return answers_.isEmpty() ? platform::OverwriteAnswer::Overwrite : answers_.takeFirst();
        },
        [this](const ProgressReport& report) {
            reports_.append(report);
            return reports_.size() != cancelAtReport;
        });
}

ScriptedFileDialogs::~ScriptedFileDialogs() {
    SetFileDialogResponders(nullptr, nullptr);
}

QString DeleteConfirmationText(platform::FileOpKind kind, const QString& path) {
    const QString name = platform::displayName(path);
    if (kind == platform::FileOpKind::Trash)
        return QStringLiteral("「%1」をごみ箱へ移しますか？").arg(name);
    return QStringLiteral(
               "「%1」を完全に削除しますか？\r\n\r\nごみ箱には入らないので、元に戻せません。")
        .arg(name);
}

QString TrashFallbackText(const QString& path, const QString& why) {
    return QStringLiteral("「%1」はごみ箱へ移せません。\r\n%2\r\n\r\n完全に削除しますか？"
                          "元に戻せません。")
        .arg(platform::displayName(path), why);
}

OverwriteRequest OverwriteQuestion(const platform::FileFacts& existing,
                                   const platform::FileFacts& incoming) {
    OverwriteRequest req;
    req.caption = QStringLiteral("ファイルの上書きの確認");
    // A read-only file is said to be one: its owner chose to keep it as it is.
    req.text = QStringLiteral("行き先には同じ名前のファイルがあります。\r\n\r\n今あるファイル%1："
                              "\r\n%2\r\n\r\n新しいファイル：\r\n%3\r\n\r\n上書きしますか？")
                   .arg(existing.readOnly ? QStringLiteral("（読み取り専用）") : QString(),
                        factsText(existing), factsText(incoming));
    req.buttons = {QStringLiteral("上書き"), QStringLiteral("スキップ"),
                   QStringLiteral("キャンセル")};
    return req;
}

QString ProgressCaption(platform::FileOpKind kind) {
    return kind == platform::FileOpKind::Move ? QStringLiteral("移動中")
                                              : QStringLiteral("コピー中");
}

QString ProgressText(platform::FileOpKind kind, const QString& source, const QString& folder) {
    return QStringLiteral("「%1」を\r\n「%2」へ%3しています。")
        .arg(platform::displayName(source), platform::displayName(folder),
             kind == platform::FileOpKind::Move ? QStringLiteral("移動")
                                                : QStringLiteral("コピー"));
}

FileOperationDialogs::FileOperationDialogs(platform::FileOpKind kind, const QString& source,
                                           const QString& folder)
    : kind_(kind), source_(source), folder_(folder) {}

FileOperationDialogs::~FileOperationDialogs() {
    finished();
}

platform::FileOpCallbacks FileOperationDialogs::callbacks() {
    platform::FileOpCallbacks c;
    c.confirmDelete = [](platform::FileOpKind kind, const QString& path) {
        const NormalCursor normal;
        return MessageDlg(DeleteConfirmationText(kind, path), MsgDlgType::Confirmation,
                          mbYes | mbNo) == MsgResult::Yes;
    };
    c.askOverwrite = [](const platform::FileFacts& existing, const platform::FileFacts& incoming) {
        const OverwriteRequest req = OverwriteQuestion(existing, incoming);
        if (responders().overwrite)
            return responders().overwrite(req);
        return showOverwriteDialog(req);
    };
    c.askTrashFallback = [](const QString& path, const QString& why) {
        const NormalCursor normal;
        return MessageDlg(TrashFallbackText(path, why), MsgDlgType::Warning, mbYes | mbNo) ==
                       MsgResult::Yes
                   ? platform::TrashFallbackAnswer::DeleteForGood
                   : platform::TrashFallbackAnswer::Cancel;
    };
    c.progress = [this](int64_t done, int64_t total) { return progress(done, total); };
    c.finished = [this] { finished(); };
    return c;
}

bool FileOperationDialogs::progress(int64_t done, int64_t total) {
    if (responders().progress)
        return responders().progress(
            {ProgressCaption(kind_), ProgressText(kind_, source_, folder_), done, total});
    if (!dialog_) {
        dialog_ =
            new FileProgressDialog(ProgressCaption(kind_), ProgressText(kind_, source_, folder_));
        dialog_->show();
        if (!arrow_) // キャンセル is to be pressed: the normal cursor while it shows
            QApplication::setOverrideCursor(Qt::ArrowCursor);
        arrow_ = true;
    }
    dialog_->setProgress(done, total);
    QApplication::processEvents(); // the キャンセル button answers while the copy runs
    return dialog_ && !dialog_->cancelled();
}

void FileOperationDialogs::finished() {
    delete dialog_.data();
    if (arrow_)
        QApplication::restoreOverrideCursor();
    arrow_ = false;
}

void FileOperationDialogs::ShowFailure(const QString& reason) {
    const NormalCursor normal;
    MessageDlg(reason, MsgDlgType::Error, mbOK);
}

} // namespace ui
