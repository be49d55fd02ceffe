#include "external_program.h"

#include <QProcess>

namespace fw {

namespace {
StartHook g_hook;
}

void SetStartHook(StartHook hook) {
    g_hook = std::move(hook);
}

bool StartProgram(const QString& program, const QStringList& arguments) {
    if (g_hook) return g_hook(program, arguments);
    return QProcess::startDetached(program, arguments);
}

} // namespace fw
