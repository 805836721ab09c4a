#include "app/ZelmoApplication.h"

#include "platform/Errors.h"
#include "ui/MessageDialog.h"
#include "ui/Resources.h"

ZelmoApplication::ZelmoApplication(int& argc, char** argv) : QApplication(argc, argv) {
    // The name alone, no display name: with one set, the window system would add
    // " — Zelmo32" to every window's caption (the preview's "3/15 name" included). The
    // name still serves as the display name and as the caption of untitled windows.
    setApplicationName(ui::ApplicationTitle());
    setWindowIcon(ui::programIcon());
}

bool ZelmoApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        ShowException(error);
    }
    // The event counts as handled: nothing else should act on a half-done command.
    return true;
}

void ZelmoApplication::ShowException(const std::exception& error) {
    QString text;
    if (const auto* own = dynamic_cast<const EZelmoError*>(&error))
        text = own->text();
    else
        text = QString::fromUtf8(error.what());
    ui::MessageDlg(text, ui::MsgDlgType::Error, ui::mbOK);
}
