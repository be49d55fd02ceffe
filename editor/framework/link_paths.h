// Paths as links and sources in a page: relative to the file they go into.
#pragma once

#include <QString>

namespace fw {

// `path` relative to the folder of the file `base` (the library's GetRelativePath, "../"
// for every level up), with every "\" turned into "/". False, `relative` untouched, when
// either path does not fit the library's path buffer.
bool RelativeLinkPath(const QString& base, const QString& path, QString& relative);

} // namespace fw
