#pragma once
// The launcher slots as screen readers and desktop automation see them: a registered slot
// is named by its entry's file name (a folder's own name, a drive root whole), described
// by its full path and the parameters a click would hand over, and its press action
// starts it as a click does. An empty slot is named by its hint ("未登録 1").
#include "launcher/LaunchRules.h"

#include <QString>

namespace launcher {

class LauncherStrip;

// Makes the slots of strip known to the accessibility factory (installed once).
void InstallSlotAccessibility(LauncherStrip* strip);

// The texts of a slot holding entry (empty: unregistered, then its hint names it) whose
// click would make the request click.
QString SlotAccessibleName(const QString& entry, const QString& hint);
QString SlotAccessibleDescription(const QString& entry, const ShellRequest& click);

} // namespace launcher
