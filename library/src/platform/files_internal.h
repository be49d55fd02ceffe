// What the parts of the file layer share.
#pragma once

#include "brevic/ls_files.h"
#include "brevic/ls_testing.h"

#include <cstddef>
#include <string>
#include <sys/stat.h>

namespace brevic::internal {

// True when this call of the given kind is the one armed to fail: by count, or (with
// `path`) as the operation on the path armed.
bool Faulted(FaultOp op, const std::string* path = nullptr);
// While one lives, the calls of this thread are not counted by the fault seam (the build
// journal's, which the tests of pages and files do not count on).
class Unfaulted {
public:
    Unfaulted();
    ~Unfaulted();
    Unfaulted(const Unfaulted&) = delete;
    Unfaulted& operator=(const Unfaulted&) = delete;
};
// Turns every CR LF of d[0..n) into "\n" in place; returns the new length.
size_t FromTextMode(char* d, size_t n);
// Writes all n bytes, going on after interruptions; false on an error.
bool WriteAll(int fd, const char* p, size_t n);

// The file a rewrite of a path gives the new content.
struct RewriteTarget {
    std::string path;      // the path itself, or the file its symbolic links lead to
    std::string folder;    // the folder of `path` up to its last "/" ("" for the current one)
    bool exists = false;   // a regular file is there now
    struct stat status {}; // its status then (never that of a link)
};

// Follows the symbolic links of `path` (a chain, relative links read from their own
// folder) to the file a rewrite replaces, or creates where a link dangles. A link is
// followed only when this user made it, or the owner of its folder did, or the folder is
// not writable by everybody. False (nothing to write) for a link not to be followed, a
// chain longer than 40 links, or a final path that is a directory or anything else that
// is not a regular file.
bool ResolveTarget(const std::string& path, RewriteTarget& target);

// Creates a temporary file for `target` in its folder, under a new name with a random part
// (exclusively, never through a link), locked while it is written so that
// RemoveLeftoverTemporaries leaves it alone; `name` is its path. A new file gets mode 0666
// less the umask, a replacement 0600 until CopyAttributes. -1 with errno set on failure
// (EACCES when the fault seam's Temporary fault fires).
// Without `lock` the file is not locked (its writer keeps clean-ups away otherwise).
int CreateTemporary(const RewriteTarget& target, std::string& name, bool lock = true);

// Gives the file `fd` the owner and group of a replaced file where this process may set
// them, and its permission bits (`mode`) without set-user-id, set-group-id and sticky.
void CopyAttributes(int fd, unsigned uid, unsigned gid, unsigned mode);

} // namespace brevic::internal
