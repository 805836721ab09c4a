// The editor window opening one text file, as F2 opens it, then waiting to be measured:
// bench/editor_featherpad.sh runs it next to FeatherPad on the same files and reads the
// CPU time and peak memory of both from /proc once each has settled.
// Usage: bench_editor_open FILE (prints "loaded" and stays until ended).
#include "core/SharedState.h"
#include "editor/TMeltL.h"
#include "platform/AppPaths.h"

#include <QApplication>
#include <QDir>
#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: bench_editor_open FILE\n");
        return 2;
    }
    // Settings of its own, so a run keeps no placement and reads none.
    platform::setSettingsFilePathOverride(
        QDir::temp().filePath(QStringLiteral("bench-editor.INI")));
    core::SharedState state;
    TMeltM editor(state);
    editor.LoadTextFont(QStringLiteral("TMeltM"));
    editor.resize(800, 600);
    editor.show();
    editor.ClearForLoading(QStringLiteral("しばらく待って下さい"));
    editor.SetPlainTextMode(true);
    if (!editor.LoadFromFile(QString::fromLocal8Bit(argv[1])))
        return 1;
    std::printf("loaded %s\n", editor.Panel(1).toUtf8().constData());
    std::fflush(stdout);
    return app.exec();
}
