// The saving rule for symbolic links, shared by the library's writers and the installer
// (which links nothing else of the library): whether a link may be followed to write
// through it.
#pragma once

#include <sys/stat.h>
#include <unistd.h>

namespace brevic {

// True when the link with status `link`, lying in the folder with status `folder`, may be
// followed: this user made it, or the owner of its folder did, or that folder is not
// writable by everybody (the kernel's protected-symlinks rule). Any other link may have
// been planted by another user to redirect the write.
inline bool MayFollowLink(const struct stat& link, const struct stat& folder) {
    return link.st_uid == ::geteuid() || link.st_uid == folder.st_uid ||
           (folder.st_mode & S_IWOTH) == 0;
}

} // namespace brevic
