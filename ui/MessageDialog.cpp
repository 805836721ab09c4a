#include "ui/MessageDialog.h"

#include <QApplication>
#include <QDialog>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>

namespace ui {

namespace {

MessageResponder& responder() {
    static MessageResponder r;
    return r;
}

struct ButtonDef {
    MsgDlgBtn bit;
    MsgResult result;
};

// Display order of the buttons.
constexpr ButtonDef kButtons[] = {
    {mbYes, MsgResult::Yes},       {mbNo, MsgResult::No},       {mbOK, MsgResult::OK},
    {mbCancel, MsgResult::Cancel}, {mbAbort, MsgResult::Abort}, {mbRetry, MsgResult::Retry},
    {mbIgnore, MsgResult::Ignore}, {mbHelp, MsgResult::Help},
};

MsgIcon iconOfType(MsgDlgType type) {
    switch (type) {
    case MsgDlgType::Warning:
        return MsgIcon::Warning;
    case MsgDlgType::Error:
        return MsgIcon::Error;
    case MsgDlgType::Information:
        return MsgIcon::Information;
    case MsgDlgType::Confirmation:
        return MsgIcon::Question;
    case MsgDlgType::Custom:
        break;
    }
    return MsgIcon::None;
}

QIcon standardIcon(MsgIcon icon) {
    QStyle* style = QApplication::style();
    switch (icon) {
    case MsgIcon::Warning:
        return style->standardIcon(QStyle::SP_MessageBoxWarning);
    case MsgIcon::Error:
        return style->standardIcon(QStyle::SP_MessageBoxCritical);
    case MsgIcon::Information:
        return style->standardIcon(QStyle::SP_MessageBoxInformation);
    case MsgIcon::Question:
        return style->standardIcon(QStyle::SP_MessageBoxQuestion);
    case MsgIcon::None:
        break;
    }
    return {};
}

// The messages are built with CR LF pairs; a lone CR also breaks the line.
QString displayText(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

// Enter presses OK, else Yes, else Retry; Escape presses Cancel, else No, else OK.
MsgDlgBtn defaultButton(MsgDlgButtons buttons) {
    if (buttons & mbOK)
        return mbOK;
    if (buttons & mbYes)
        return mbYes;
    return mbRetry;
}

MsgDlgBtn escapeButton(MsgDlgButtons buttons) {
    if (buttons & mbCancel)
        return mbCancel;
    if (buttons & mbNo)
        return mbNo;
    return mbOK;
}

class TMessageForm : public QDialog {
public:
    explicit TMessageForm(const MessageRequest& req, QWidget* parent) : QDialog(parent) {
        setObjectName(QStringLiteral("TMessageForm"));
        setWindowTitle(req.caption);
        setModal(true);
        setWindowModality(Qt::ApplicationModal);
        setWindowFlag(Qt::WindowContextHelpButtonHint, false);
        setSizeGripEnabled(false);

        auto* top = new QHBoxLayout;
        top->setSpacing(12);
        const QIcon icon = standardIcon(req.icon);
        if (!icon.isNull()) {
            auto* iconLabel = new QLabel(this);
            iconLabel->setObjectName(QStringLiteral("Image"));
            const int size = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
            iconLabel->setPixmap(icon.pixmap(size, size));
            iconLabel->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
            top->addWidget(iconLabel, 0, Qt::AlignTop);
        }
        auto* message = new QLabel(this);
        message->setObjectName(QStringLiteral("Message"));
        message->setTextFormat(Qt::PlainText);
        message->setText(displayText(req.text));
        message->setTextInteractionFlags(Qt::NoTextInteraction);
        // Long lines wrap at half the screen width, as the old dialogs did.
        const QScreen* screen = QGuiApplication::primaryScreen();
        const int maxWidth = screen ? screen->geometry().width() / 2 : 512;
        if (message->sizeHint().width() > maxWidth) {
            message->setWordWrap(true);
            message->setFixedWidth(maxWidth);
        }
        top->addWidget(message, 1);

        auto* row = new QHBoxLayout;
        row->setSpacing(8);
        row->addStretch(1);
        const MsgDlgBtn def = defaultButton(req.buttons);
        escape_ = escapeButton(req.buttons);
        for (const ButtonDef& b : kButtons) {
            if (!(req.buttons & b.bit))
                continue;
            auto* button = new QPushButton(ButtonCaption(b.bit), this);
            button->setObjectName(buttonObjectName(b.bit));
            button->setMinimumWidth(75);
            button->setAutoDefault(false);
            if (b.bit == def) {
                button->setDefault(true);
                button->setFocus();
            }
            const MsgResult result = b.result;
            connect(button, &QPushButton::clicked, this, [this, result] { finish(result); });
            if (b.bit == escape_)
                escapeButton_ = button;
            row->addWidget(button);
        }
        row->addStretch(1);

        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(12, 12, 12, 10);
        layout->setSpacing(14);
        layout->addLayout(top);
        layout->addLayout(row);
        layout->setSizeConstraint(QLayout::SetFixedSize);
    }

    MsgResult result() const { return result_; }

    static QString buttonObjectName(MsgDlgBtn bit) {
        switch (bit) {
        case mbYes:
            return QStringLiteral("Yes");
        case mbNo:
            return QStringLiteral("No");
        case mbOK:
            return QStringLiteral("OK");
        case mbCancel:
            return QStringLiteral("Cancel");
        case mbAbort:
            return QStringLiteral("Abort");
        case mbRetry:
            return QStringLiteral("Retry");
        case mbIgnore:
            return QStringLiteral("Ignore");
        case mbHelp:
            return QStringLiteral("Help");
        }
        return {};
    }

protected:
    void keyPressEvent(QKeyEvent* e) override {
        if (e->key() == Qt::Key_Escape && e->modifiers() == Qt::NoModifier) {
            // Escape presses the cancelling button, when the box has one.
            if (escapeButton_)
                escapeButton_->click();
            e->accept();
            return;
        }
        QDialog::keyPressEvent(e);
    }

private:
    void finish(MsgResult r) {
        result_ = r;
        accept();
    }

    MsgResult result_ = MsgResult::None;
    MsgDlgBtn escape_ = mbOK;
    QPushButton* escapeButton_ = nullptr;
};

MsgResult firstButtonResult(MsgDlgButtons buttons) {
    for (const ButtonDef& b : kButtons)
        if (buttons & b.bit)
            return b.result;
    return MsgResult::None;
}

MsgResult run(const MessageRequest& req) {
    if (responder())
        return responder()(req);

    // Owned by the active window so it stays in front of it; on the heap, because that
    // window may go away while the box is open.
    QPointer<TMessageForm> form = new TMessageForm(req, QApplication::activeWindow());
    form->adjustSize();
    if (req.topLeft) {
        form->move(*req.topLeft);
    } else if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        form->move(area.center() - QPoint(form->width() / 2, form->height() / 2));
    }
    form->exec();
    if (!form)
        return MsgResult::None;
    const MsgResult result = form->result();
    delete form;
    return result;
}

} // namespace

QString ApplicationTitle() {
    return QStringLiteral("Zelmo32");
}

QString DialogTypeCaption(MsgDlgType type) {
    switch (type) {
    case MsgDlgType::Warning:
        return QStringLiteral("警告");
    case MsgDlgType::Error:
        return QStringLiteral("ｴﾗｰ");
    case MsgDlgType::Information:
        return QStringLiteral("情報");
    case MsgDlgType::Confirmation:
        return QStringLiteral("確認");
    case MsgDlgType::Custom:
        break;
    }
    return ApplicationTitle();
}

QString ButtonCaption(MsgDlgBtn button) {
    switch (button) {
    case mbYes:
        return QStringLiteral("はい(&Y)");
    case mbNo:
        return QStringLiteral("いいえ(&N)");
    case mbOK:
        return QStringLiteral("OK");
    case mbCancel:
        return QStringLiteral("ｷｬﾝｾﾙ");
    case mbAbort:
        return QStringLiteral("中止(&A)");
    case mbRetry:
        return QStringLiteral("再試行(&R)");
    case mbIgnore:
        return QStringLiteral("無視(&I)");
    case mbHelp:
        return QStringLiteral("ﾍﾙﾌﾟ(&H)");
    }
    return {};
}

MsgResult MessageDlg(const QString& text, MsgDlgType type, MsgDlgButtons buttons,
                     std::optional<QPoint> topLeft) {
    MessageRequest req;
    req.caption = DialogTypeCaption(type);
    req.text = text;
    req.icon = iconOfType(type);
    req.buttons = buttons;
    req.topLeft = topLeft;
    req.type = type;
    req.standardDialog = true;
    return run(req);
}

MsgResult MessageBox(const QString& caption, const QString& text, MsgIcon icon,
                     MsgDlgButtons buttons, std::optional<QPoint> topLeft) {
    MessageRequest req;
    req.caption = caption.isEmpty() ? ApplicationTitle() : caption;
    req.text = text;
    req.icon = icon;
    req.buttons = buttons;
    req.topLeft = topLeft;
    req.type = MsgDlgType::Custom;
    req.standardDialog = false;
    return run(req);
}

void SetMessageResponder(MessageResponder r) {
    responder() = std::move(r);
}

ScriptedResponder::ScriptedResponder() : previous_(responder()) {
    SetMessageResponder([this](const MessageRequest& req) {
        calls_.append(req);
        if (!answers_.isEmpty())
            return answers_.takeFirst();
        return firstButtonResult(req.buttons);
    });
}

ScriptedResponder::~ScriptedResponder() {
    SetMessageResponder(previous_);
}

} // namespace ui
