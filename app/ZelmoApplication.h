#pragma once
// The application object. Its notify() is the top-level error handler: an error that
// escapes an event handler is shown in the error box and the program runs on, the rest
// of that command skipped.
#include <QApplication>
#include <QTranslator>
#include <exception>

class ZelmoApplication : public QApplication {
    Q_OBJECT
public:
    // Sets the application title "Zelmo32" and the program icon, and installs Qt's own
    // Japanese translation before any widget exists.
    ZelmoApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // Shows the text of an error in the error box ("ｴﾗｰ", OK). Also for callers that
    // catch an error themselves and want the same report (window creation).
    static void ShowException(const std::exception& error);

private:
    // Qt's Japanese translation of its own texts (file and font dialogs, edit-box menus,
    // dialog buttons), whatever the locale: the program speaks Japanese everywhere, and
    // an English dialog inside it would be the odd one out. False when Qt's translations
    // are not installed: Qt's texts then stay English. The program's own texts never
    // pass through a translator.
    bool InstallQtTranslation();

    QTranslator qtTranslation_; // kept for the run
};
