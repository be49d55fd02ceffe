// The editor's commands: menu texts, status prompts, tool tips and keys, by command id.
#pragma once

#include <QKeySequence>
#include <QList>
#include <QString>

namespace fw {

struct CommandInfo {
    int id;
    const char* menuText; // with its "&" mnemonic
    const char* strings;  // status prompt, "\n", tool tip
};

// The command's entry, or null for an unknown id.
const CommandInfo* FindCommand(int id);
QString MenuText(int id);
QString StatusPrompt(int id);
QString ToolTip(int id);
// Every key of the accelerator table that runs `id`.
QList<QKeySequence> Shortcuts(int id);
// Every (key, command) pair of the accelerator table, in table order.
QList<QPair<QKeySequence, int>> AcceleratorTable();

} // namespace fw
