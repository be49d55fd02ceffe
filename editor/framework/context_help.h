// The help mode of the context-help command (Shift+F1): the cursor shows a question mark
// and the next click says which help topic to open instead of doing anything else. A menu
// item or tool-bar button gives its command's topic (0x10000 + the command id), even when
// the command is disabled; a click in a dialog gives the dialog's topic (0x20000 + the
// dialog's "dialogId" property, the help contents without one). Any other click, Escape or
// a change to another program leaves the mode without help.
#pragma once

#include <functional>

namespace fw {

constexpr int kCommandHelpBase = 0x10000;
constexpr int kDialogHelpBase = 0x20000;

// Enters the mode; `show` opens the help at a topic. Entering again restarts it.
void EnterContextHelp(std::function<void(int topic)> show);
bool InContextHelp();
void LeaveContextHelp();
// For a command chosen while the mode is on (from the keyboard): leaves the mode, opens
// the command's topic and returns true; false when the mode is off.
bool ContextHelpTakesCommand(int id);

} // namespace fw
