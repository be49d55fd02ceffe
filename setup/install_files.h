// What setup does on disk: the target folder made level by level, the file list copied,
// the desktop entries written. No dialogs; paths are native byte strings.
#pragma once

#include <string>
#include <vector>

namespace setup {

struct ListedFile {
    const char* subfolder; // "" for the folder itself
    const char* name;
};
// The files setup copies, in order (files.inc).
const std::vector<ListedFile>& FileList();

// True when `path` names a directory that can be entered.
bool IsEnterableDirectory(const std::string& path);
// Creates every level of `folder` in turn (existing directories are no error). True when
// the folder is a directory afterwards.
bool MakeFolder(const std::string& folder);
// Copies every listed file from `source` to the same place under `target`, making the
// subfolders first and replacing existing files. A file replaced keeps no old content:
// the copy goes to a temporary file beside it that is renamed over it, so a running
// program can be replaced and a failed copy leaves the old file. Copying goes on after a
// failure; the result names the files that could not be copied (empty: all copied).
std::vector<std::string> CopyFiles(const std::string& source, const std::string& target);
// $XDG_DATA_HOME/applications/ (default ~/.local/share/applications/).
std::string ApplicationsDirectory();
// Writes the desktop entries "Larkspan PLUS" (the program in `folder`) and "Larkspan
// Help" (its help page) into `applications`. False when one could not be written or the
// folder's path cannot stand in a desktop entry (it holds a control character).
bool WriteDesktopEntries(const std::string& folder, const std::string& applications);

} // namespace setup
