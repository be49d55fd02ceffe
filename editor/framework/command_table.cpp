#include "command_table.h"

#include "ids.h"

#include <algorithm>
#include <iterator>

namespace fw {

namespace {
constexpr CommandInfo kCommands[] = {
#define LS_COMMAND(name, id, menu, strings) {id, menu, strings},
#include "commands.inc"
#undef LS_COMMAND
};

struct Accel {
    int id;
    const char* key;
};
constexpr Accel kAccelerators[] = {
#define LS_ACCEL(name, key) {cmd::name, key},
#include "accelerators.inc"
#undef LS_ACCEL
};

QString Part(int id, int index) {
    const CommandInfo* c = FindCommand(id);
    if (!c) return {};
    const QStringList parts = QString::fromUtf8(c->strings).split('\n');
    return index < parts.size() ? parts[index] : QString();
}
} // namespace

const CommandInfo* FindCommand(int id) {
    auto it = std::find_if(std::begin(kCommands), std::end(kCommands),
                           [id](const CommandInfo& c) { return c.id == id; });
    return it != std::end(kCommands) ? it : nullptr;
}

QString MenuText(int id) {
    const CommandInfo* c = FindCommand(id);
    return c ? QString::fromUtf8(c->menuText) : QString();
}

QString StatusPrompt(int id) {
    return Part(id, 0);
}

QString ToolTip(int id) {
    QString tip = Part(id, 1);
    return tip.isEmpty() ? StatusPrompt(id) : tip;
}

QList<QKeySequence> Shortcuts(int id) {
    QList<QKeySequence> keys;
    for (const Accel& a : kAccelerators) {
        if (a.id == id)
            keys.append(QKeySequence(QString::fromLatin1(a.key), QKeySequence::PortableText));
    }
    return keys;
}

QList<QPair<QKeySequence, int>> AcceleratorTable() {
    QList<QPair<QKeySequence, int>> table;
    for (const Accel& a : kAccelerators) {
        table.append({QKeySequence(QString::fromLatin1(a.key), QKeySequence::PortableText), a.id});
    }
    return table;
}

} // namespace fw
