// What views and dialogs read from the application without depending on all of it.
#pragma once

#include "profile_file.h"

#include <QMarginsF>

namespace app {

// The print margins (left, top, right, bottom) in thousandths of an inch.
QMarginsF PrintMargins();
// The settings file.
const fw::ProfileFile& SettingsFile();

} // namespace app
