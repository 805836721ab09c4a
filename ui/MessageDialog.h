#pragma once
// The standard message dialog and the application message box. Every modal question
// or message of the program goes through here, so tests can install a responder that
// records each call and answers it without showing anything.
#include <QList>
#include <QPoint>
#include <QString>
#include <functional>
#include <optional>

class QWidget;

namespace ui {

// Type of the standard dialog: gives its caption ("警告", "ｴﾗｰ", "情報", "確認") and icon.
enum class MsgDlgType { Warning, Error, Information, Confirmation, Custom };

// Buttons, combinable; shown in this order.
enum MsgDlgBtn : unsigned {
    mbYes = 1u << 0,    // "はい(&Y)"
    mbNo = 1u << 1,     // "いいえ(&N)"
    mbOK = 1u << 2,     // "OK"
    mbCancel = 1u << 3, // "ｷｬﾝｾﾙ"
    mbAbort = 1u << 4,  // "中止(&A)"
    mbRetry = 1u << 5,  // "再試行(&R)"
    mbIgnore = 1u << 6, // "無視(&I)"
    mbHelp = 1u << 7,   // "ﾍﾙﾌﾟ(&H)"
};
using MsgDlgButtons = unsigned;

// What the user pressed. None: the box was closed without a button.
enum class MsgResult { None, Yes, No, OK, Cancel, Abort, Retry, Ignore, Help };

// Icon of a message box.
enum class MsgIcon { None, Warning, Error, Information, Question };

// One request, as the responder sees it.
struct MessageRequest {
    QString caption; // window caption
    QString text;    // the message, line breaks as given (CR LF kept)
    MsgIcon icon = MsgIcon::None;
    MsgDlgButtons buttons = mbOK;
    std::optional<QPoint> topLeft; // screen position of the box's top-left corner; none: centred
    MsgDlgType type = MsgDlgType::Custom; // Custom for message boxes
    bool standardDialog = false;          // true for MessageDlg, false for a message box
};

// The standard dialog: caption and icon from the type.
MsgResult MessageDlg(const QString& text, MsgDlgType type, MsgDlgButtons buttons,
                     std::optional<QPoint> topLeft = std::nullopt);

// A message box with its own caption (the application title when empty), icon and
// buttons, centred on the screen or at topLeft.
MsgResult MessageBox(const QString& caption, const QString& text, MsgIcon icon,
                     MsgDlgButtons buttons = mbOK, std::optional<QPoint> topLeft = std::nullopt);

// The application title ("Zelmo32"): caption of Custom dialogs and of untitled boxes.
QString ApplicationTitle();
// The caption of a dialog type ("警告", ...).
QString DialogTypeCaption(MsgDlgType type);
// The caption of one button ("はい(&Y)", ...).
QString ButtonCaption(MsgDlgBtn button);

// Test seam: a responder answers instead of a real dialog. Null restores real dialogs.
using MessageResponder = std::function<MsgResult(const MessageRequest&)>;
void SetMessageResponder(MessageResponder responder);

// A scripted responder for tests: records every request and gives the queued answers
// in order (when the queue is empty: the first button of the request).
class ScriptedResponder {
public:
    ScriptedResponder();  // installs itself
    ~ScriptedResponder(); // restores the responder that was there before (real dialogs)
    ScriptedResponder(const ScriptedResponder&) = delete;
    ScriptedResponder& operator=(const ScriptedResponder&) = delete;
    void answer(MsgResult r) { answers_.append(r); }
    const QList<MessageRequest>& calls() const { return calls_; }
    void clear() { calls_.clear(); }

private:
    QList<MessageRequest> calls_;
    QList<MsgResult> answers_;
    MessageResponder previous_; // restored on destruction, so responders can nest
};

} // namespace ui
