#pragma once
// Names of the eleven launcher pages, shown in the page-select menu and in the tab
// set's hint. Stored in section "TabName", keys "No0".."No10", default "Page1".."Page11".
#include <QString>
#include <QStringList>

class SettingsFile;

namespace launcher {

constexpr int kNamedPages = 11;

QString DefaultPageName(int index); // "Page1" for index 0
QStringList LoadPageNames(const SettingsFile& ini);
void SavePageNames(SettingsFile& ini, const QStringList& names);

// Caption of page-select item index 0..11: "(&1) Page1" .. "(&B) Page11", "(&C) Control".
QString PageItemCaption(int index, const QString& name);
// One line per page, the number padded to width; lines joined by CR LF, none at the end.
QString TabSetHint(const QStringList& names);

} // namespace launcher
