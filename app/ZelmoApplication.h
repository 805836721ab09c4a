#pragma once
// The application object. Its notify() is the top-level error handler: an error that
// escapes an event handler is shown in the error box and the program runs on, the rest
// of that command skipped.
#include <QApplication>
#include <exception>

class ZelmoApplication : public QApplication {
    Q_OBJECT
public:
    // Sets the application title "Zelmo32" and the program icon.
    ZelmoApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // Shows the text of an error in the error box ("ｴﾗｰ", OK). Also for callers that
    // catch an error themselves and want the same report (window creation).
    static void ShowException(const std::exception& error);
};
