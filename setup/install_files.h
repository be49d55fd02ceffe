// What setup does on disk: the target folder made level by level, the file list copied,
// the desktop entries written. No dialogs; paths are native byte strings.
//
// Every path is walked one level at a time, each relative to the folder opened before it
// and never through a symbolic link by the kernel's lookup: a link on the way is judged by
// the saving rule for links (followed only when this user made it, or the owner of its
// folder did, or that folder is not writable by everybody) and otherwise refused, so that
// a link another user planted cannot send the installation into a folder of theirs.
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

// A folder reached by a walk, held open (the walk's result stays valid whatever later
// happens to the path), or the reason it was not reached.
class Folder {
public:
    Folder() = default;
    Folder(Folder&& other) noexcept;
    Folder& operator=(Folder&& other) noexcept;
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;
    ~Folder();

    bool IsOpen() const { return fd_ >= 0; }
    int Descriptor() const { return fd_; }
    // The symbolic link the saving rule refused to follow, when that stopped the walk
    // ("" otherwise).
    const std::string& RefusedLink() const { return refusedLink_; }

private:
    friend class Walker;
    int fd_ = -1;
    std::string refusedLink_;
};

// True when `path` names a directory that can be entered.
bool IsEnterableDirectory(const std::string& path);
// Creates every level of `folder` in turn (existing directories are no error), walking as
// above. The folder, open, when it is a directory that can be entered afterwards.
Folder MakeFolder(const std::string& folder);

struct CopyReport {
    std::vector<std::string> failed;       // the files not copied (relative paths)
    std::vector<std::string> refusedLinks; // the links not followed, each once, in order
};
// Copies every listed file from `source` to the same place under `target` (the folder
// MakeFolder gave for the path `targetPath`, which names refused links), making the
// subfolders first and replacing existing files. A file replaced keeps no old content:
// the copy goes to a temporary file beside it that is renamed over it, so a running
// program can be replaced and a failed copy leaves the old file. Copying goes on after a
// failure.
CopyReport CopyFiles(const std::string& source, const Folder& target,
                     const std::string& targetPath);
// $XDG_DATA_HOME/applications/ (default ~/.local/share/applications/).
std::string ApplicationsDirectory();
// Writes the desktop entries "Larkspan PLUS" (the program in `folder`) and "Larkspan
// Help" (its help page) into `applications`, made as MakeFolder makes a folder. False when
// one could not be written or the folder's path cannot stand in a desktop entry (it holds
// a control character).
bool WriteDesktopEntries(const std::string& folder, const std::string& applications);

} // namespace setup
