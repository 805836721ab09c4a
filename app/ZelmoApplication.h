#pragma once
// The application object. Its notify() is the top-level error handler: an error that
// escapes an event handler is shown in the error box and the program runs on, the rest
// of that command skipped.
#include <QApplication>
#include <QTranslator>
#include <exception>

class QLocale;

class ZelmoApplication : public QApplication {
    Q_OBJECT
public:
    // Sets the application title "Zelmo32" and the program icon, and installs Qt's own
    // translation for the user's locale before any widget exists.
    ZelmoApplication(int& argc, char** argv);

    // Qt's translation of its own texts (file and font dialogs, edit-box menus) for the
    // locale, chosen among Qt's translations as Qt does; it replaces the one installed
    // before. False when there is none for the locale: Qt's texts stay English. The
    // program's own texts never pass through a translator.
    bool InstallQtTranslation(const QLocale& locale);

    bool notify(QObject* receiver, QEvent* event) override;

    // Shows the text of an error in the error box ("ｴﾗｰ", OK). Also for callers that
    // catch an error themselves and want the same report (window creation).
    static void ShowException(const std::exception& error);

private:
    QTranslator qtTranslation_; // kept for the run
};
