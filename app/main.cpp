// Zelmo32: a launcher and file manager for one user. Command-line arguments are not read.
#include "app/TForm1.h"
#include "app/ZelmoApplication.h"
#include "archive/LzhBinding.h"
#include "platform/DisplayPlatform.h"
#include "platform/LibraryDirs.h"
#include "platform/TermSignal.h"
#include "ui/HelpWindow.h"

#include <QImageReader>

int main(int argc, char** argv) {
    // On a Wayland session, X11 through XWayland: the program places its windows itself.
    platform::preferX11OnWayland();
    ZelmoApplication app(argc, argv);        // application title "Zelmo32"
    platform::forgetDisplayPlatformChoice(); // the programs it starts choose their own
    // The loop ends when the main window has closed, not when the last window hides
    // (the tray hides the main window; the help window may still be open).
    app.setQuitOnLastWindowClosed(false);

    ui::InstallHelpKey(&app); // F1 shows the help of whatever has the focus
    // Photographs of 6000 x 6000 pixels are common; the plug-ins allow 256 MB of pixels,
    // and the pictures they hand over are read with the same bound.
    QImageReader::setAllocationLimit(256);

    // The LZH library is bound once for the whole run, before any window exists, and released
    // after the last one is gone (the form below is destroyed first). The main window's
    // creation finds it by the same search and counts it available only when this bound it.
    archive::StartLzhBinding(platform::findOutsideLibrary(QStringLiteral("unlha32.dll")));
    const struct LzhBindingEnd {
        ~LzhBindingEnd() { archive::EndLzhBinding(); }
    } lzhBindingEnd;

    TForm1 form; // creation runs here, then the hidden image preview window is made
    // exit(), not quit(): quit() would first try to close every window, and the main
    // window answers a close with its question.
    QObject::connect(&form, &TForm1::formClosed, &app, [] { QCoreApplication::exit(0); });
    // A session or script ending the program gets no question and saves nothing.
    platform::OnTerminateSignal([] { QCoreApplication::exit(0); });

    // Always shown in the normal state, whatever state the program was started in.
    form.setWindowState(Qt::WindowNoState);
    form.show();
    return app.exec();
}
