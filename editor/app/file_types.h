// Registers the project and template file types with the desktop (freedesktop.org): a MIME
// type for each extension (the same two the Debian package installs), and a desktop entry
// that opens them with this program.
#pragma once

#include <QString>

namespace filetypes {

// Writes the MIME package and the desktop entry under $XDG_DATA_HOME (default
// ~/.local/share) for the program in `programDirectory`. False when a file could not be
// written (start-up goes on regardless).
bool Register(const QString& programDirectory);
// Removes what Register wrote (the MIME package and the desktop entry). False when a file
// is still there afterwards.
bool Unregister();

} // namespace filetypes
