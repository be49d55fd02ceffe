// What views and dialogs read from the application without depending on all of it.
#pragma once

#include "profile_file.h"

#include <QMarginsF>

namespace app {

// The print margins (left, top, right, bottom) in thousandths of an inch.
QMarginsF PrintMargins();
// The settings file.
const fw::ProfileFile& SettingsFile();
// Runs a command as if chosen from the menu (nothing when no part handles it).
void ExecuteCommand(int id);
// Opens the help at a topic (0: its contents).
void ShowHelp(int topic);
// Opens the help at a dialog's topic, 0x20000 + the dialog's id.
inline void ShowDialogHelp(int dialogId) { ShowHelp(0x20000 + dialogId); }

} // namespace app
