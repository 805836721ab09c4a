// A photograph of the information window: a fixed memory sample (64 MB with 16 MB free),
// only the JPEG plug-in, zoom 111, the LZH library present, the clock at 12:34:56.
//   cmake --build build --target about_shots && build/tests/info/about_shots DIR
#include "app/ZelmoApplication.h"
#include "core/SharedState.h"
#include "info/AboutTexts.h"
#include "info/TAboutBox.h"
#include "pictures/PluginPictures.h"
#include "platform/AppPaths.h"
#include "platform/MemoryStatus.h"

#include <QDir>
#include <QTemporaryDir>

int main(int argc, char** argv) {
    ZelmoApplication app(argc, argv); // the program's font substitutions
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    QDir().mkpath(out);
    QTemporaryDir settings;
    platform::setSettingsFilePathOverride(settings.filePath("zelmo32.INI"));
    platform::SetMeminfoSource([] {
        return QByteArray("MemTotal: 65536 kB\nMemAvailable: 16384 kB\nSwapTotal: 0 kB\n"
                          "CommitLimit: 98304 kB\nCommitted_AS: 49152 kB\n");
    });
    info::SetAboutClockSource([] { return QTime(12, 34, 56); });
    pictures::BindPlugins({QString(), QStringLiteral(ZELMO_JPEG_SPI)});

    core::SharedState state;
    state.Zoom = 111;
    state.UnlhaAvailable = true;
    TAboutBox* box = TAboutBox::ShowInformation(state);
    box->FormActivate();
    box->Timer1Timer();
    app.processEvents();
    const bool ok = box->grab().save(out + QStringLiteral("/about-box.png"));
    delete box;
    pictures::ReleasePlugins();
    return ok ? 0 : 1;
}
