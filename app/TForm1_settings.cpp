// The main window's remembered values, in load/save pairs; each opens the settings file
// for its one step.
#include "app/TForm1.h"

#include "core/SettingsFile.h"
#include "app/ZoomRules.h"
#include "launcher/PageNames.h"

#include <QDir>

namespace {
const QString kFormStyle = QStringLiteral("FormStyle");
}

void TForm1::LoadViewerStyle() {
    ViewerOpen = SettingsFile().ReadBool(kFormStyle, QStringLiteral("ViewerStyle"), true);
}

void TForm1::SaveViewerStyle() {
    SettingsFile ini;
    ini.WriteBool(kFormStyle, QStringLiteral("ViewerStyle"), ViewerOpen);
}

int TForm1::NormalizedZoom(int stored) {
    // Values close to 100 come from rounding in the zoom steps; they mean full size. So
    // does a zoom below the smallest the steps allow: its controls would be too small to
    // use and could not be brought back.
    const int zoom = zoom::StartupZoom(stored);
    return zoom < kMinZoom ? 100 : zoom;
}

void TForm1::LoadZoom() {
    Zoom = NormalizedZoom(SettingsFile().ReadInteger(kFormStyle, QStringLiteral("ZoomInOut"), 100));
    PreviousZoom = Zoom;
}

void TForm1::SaveZoom() {
    SettingsFile ini;
    ini.WriteInteger(kFormStyle, QStringLiteral("ZoomInOut"), Zoom);
}

void TForm1::LoadLastDirectory() {
    const SettingsFile ini;
    RememberedDirectory =
        ini.ReadString(kFormStyle, QStringLiteral("oldDirPath"), QDir::currentPath());
    FilterIndex = ini.ReadInteger(kFormStyle, QStringLiteral("FilterCBox"), 1);
}

void TForm1::SaveLastDirectory() {
    SettingsFile ini;
    ini.WriteString(kFormStyle, QStringLiteral("oldDirPath"), RememberedDirectory);
    ini.WriteInteger(kFormStyle, QStringLiteral("FilterCBox"), FilterBoxIndex());
}

void TForm1::LoadTaskTray() {
    InTray = SettingsFile().ReadBool(kFormStyle, QStringLiteral("TaskTray"), false);
}

void TForm1::SaveTaskTray() {
    SettingsFile ini;
    ini.WriteBool(kFormStyle, QStringLiteral("TaskTray"), InTray);
}

void TForm1::LoadPageNames() {
    PageNames = launcher::LoadPageNames(SettingsFile());
}

void TForm1::SavePageNames() {
    SettingsFile ini;
    launcher::SavePageNames(ini, PageNames);
}
