// Starting other programs (the browser): directly with an argument vector, so a file path
// is one argument even with blanks. Tests record the starts instead.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>

namespace fw {

using StartHook = std::function<bool(const QString& program, const QStringList& arguments)>;
void SetStartHook(StartHook hook);

// Starts `program` with `arguments`, detached; false when it could not be started.
bool StartProgram(const QString& program, const QStringList& arguments);

} // namespace fw
