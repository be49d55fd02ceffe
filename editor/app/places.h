// Where the program's files live: the program directory (data files beside the program),
// the per-user data directory for files that cannot be written there, and the settings
// file.
#pragma once

#include <string>

namespace larkspan {

// Directory of the running executable, with a trailing "/".
std::string ProgramDirectory();
// The folder of the program's data files (autochar.txt, styles.dat, new-htm/, help/, the
// demo projects, the icon), with a trailing "/": beside the program when autochar.txt lies
// there (the folder setup installs into, the build's stage folder), else the package's data
// folder PREFIX/share/larkspan/ of a program in PREFIX/lib/larkspan/ (cmake --install,
// the .deb) when that exists, else beside the program.
std::string DataDirectory();
// The same rule for a program in `programDirectory` (with a trailing "/").
std::string DataDirectoryOf(const std::string& programDirectory);
// $XDG_DATA_HOME/larkspan/ (default ~/.local/share/larkspan/), with a trailing "/".
std::string UserDataDirectory();
// $XDG_CONFIG_HOME/larkspan/larkspan.INI (default ~/.config/larkspan/larkspan.INI). The
// directory is created when missing.
std::string SettingsFilePath();
// A data file of DataDirectory(), or its modified copy in the user data directory when
// one exists there.
std::string DataFilePath(const std::string& name);
// A data file the program also writes: in DataDirectory() when that folder can be
// written, else a copy in the user data directory (made from the program's file on
// first use).
std::string WritableDataFile(const std::string& name);
// Creates a directory and its parents; true when it exists afterwards.
bool MakePath(const std::string& dir);
// The folder of `path`: all up to and with its last "/" ("" for a bare name).
std::string FolderOf(const std::string& path);
// An absolute form of `path` (relative to the current directory), without resolving links.
std::string AbsolutePath(const std::string& path);

} // namespace larkspan
