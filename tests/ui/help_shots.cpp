// Renders help pages in the help window to PNG files, to look at them (not a test).
// Usage: help_shots <output folder> <context>...   (QT_QPA_PLATFORM=offscreen works)
#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QTextBrowser>

#include "ui/HelpWindow.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 3)
        return 2;
    const QDir out(QString::fromLocal8Bit(argv[1]));
    for (int i = 2; i < argc; ++i) {
        const int context = QString::fromLocal8Bit(argv[i]).toInt();
        ui::ShowHelp(context);
        ui::THelpForm* form = ui::HelpWindow();
        form->resize(560, 640);
        QApplication::processEvents();
        const QString file = out.filePath(QStringLiteral("help_%1.png").arg(context));
        if (!form->grab().save(file))
            return 1;
    }
    return 0;
}
