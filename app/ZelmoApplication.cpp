#include "app/ZelmoApplication.h"

#include "platform/Errors.h"
#include "ui/MessageDialog.h"
#include "ui/PixelRatioWatch.h"
#include "ui/Resources.h"
#include "ui/ViewPartsAccessible.h"

#include <QFont>
#include <QLibraryInfo>

ZelmoApplication::ZelmoApplication(int& argc, char** argv) : QApplication(argc, argv) {
    // The name alone, no display name: with one set, the window system would add
    // " — Zelmo32" to every window's caption (the preview's "3/15 name" included). The
    // name still serves as the display name and as the caption of untitled windows.
    setApplicationName(ui::ApplicationTitle());
    setWindowIcon(ui::programIcon());
    // The Japanese system fonts the program asks for by name, drawn by their Noto
    // counterparts (the fixed-pitch one for the fixed-pitch name).
    QFont::insertSubstitution(QStringLiteral("ＭＳ ゴシック"),
                              QStringLiteral("Noto Sans Mono CJK JP"));
    QFont::insertSubstitution(QStringLiteral("ＭＳ Ｐゴシック"),
                              QStringLiteral("Noto Sans CJK JP"));
    InstallQtTranslation();
    ui::InstallViewPartsAccessibility();
    ui::FollowScreenScaleChanges();
}

bool ZelmoApplication::InstallQtTranslation() {
    if (!qtTranslation_.load(QStringLiteral("qtbase_ja"),
                             QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return false;
    return installTranslator(&qtTranslation_);
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
