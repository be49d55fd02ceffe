// Where a rewrite lands: symbolic links followed as the kernel's protected-symlinks rule
// allows, temporary files beside the final file, the replaced file's owner and mode, and
// the clean-up of temporary files a killed writer left.
#include "brevic/ls_files.h"
#include "brevic/ls_testing.h"
#include "files_internal.h"
#include "link_rule.h"

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

namespace brevic {

namespace {

// As many links as the kernel follows in one path.
constexpr int kMaxLinks = 40;
// Temporary files are "." + the final file's name (cut to this length) + "." + a random
// part + this suffix, so that they fit the system's 255-byte name limit and a clean-up
// tells them apart from anything else.
constexpr size_t kKeptName = 200;
constexpr size_t kRandomLength = 12;
constexpr char kSuffix[] = ".larkspan-tmp";
constexpr size_t kSuffixLength = sizeof kSuffix - 1;

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// Whether the link at `path` (status `link`) may be followed, by the saving rule for links.
bool MayFollow(const std::string& path, const struct stat& link) {
    if (link.st_uid == ::geteuid()) return true;
    const std::string folder = FolderOf(path);
    struct stat dir {};
    if (::stat(folder.empty() ? "." : folder.c_str(), &dir) != 0) return false;
    return MayFollowLink(link, dir);
}

bool ReadLink(const std::string& path, std::string& target) {
    std::string buffer(4096, '\0');
    const ssize_t n = ::readlink(path.c_str(), buffer.data(), buffer.size());
    if (n <= 0 || static_cast<size_t>(n) >= buffer.size()) return false;
    buffer.resize(static_cast<size_t>(n));
    // A relative link is read from the link's own folder.
    target = buffer[0] == '/' ? buffer : FolderOf(path) + buffer;
    return true;
}

uint64_t Mix(uint64_t x) {
    x += 0x9E3779B97F4A7C15ULL;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
    return x ^ (x >> 31);
}

// A part of a name that nobody can guess beforehand: the random seed of the process (read
// once), mixed with a count of the names made.
std::string RandomPart() {
    static const char kDigits[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    static const uint64_t seed = [] {
        uint64_t random = 0;
        if (::getrandom(&random, sizeof random, GRND_NONBLOCK) ==
            static_cast<ssize_t>(sizeof random))
            return random;
        // No entropy yet (early boot): still unique within this program and hard to guess.
        struct timespec now {};
        ::clock_gettime(CLOCK_REALTIME, &now);
        return Mix(static_cast<uint64_t>(now.tv_nsec) ^ (static_cast<uint64_t>(::getpid()) << 32) ^
                   reinterpret_cast<uintptr_t>(&now));
    }();
    static std::atomic<uint64_t> counter{0};
    uint64_t bits = Mix(seed ^ Mix(counter.fetch_add(1)));
    std::string part(kRandomLength, 'a');
    for (size_t i = 0; i < kRandomLength; ++i) {
        if (i == kRandomLength / 2) bits = Mix(bits ^ seed);
        part[i] = kDigits[bits % (sizeof kDigits - 1)];
        bits /= sizeof kDigits - 1;
    }
    return part;
}

bool IsTemporaryName(const char* name) {
    const size_t n = std::strlen(name);
    return name[0] == '.' && n >= kSuffixLength + kRandomLength + 2 &&
           std::memcmp(name + n - kSuffixLength, kSuffix, kSuffixLength) == 0;
}

// Locks a temporary file just made as being written, and makes sure it is still the file
// under its name: a clean-up that took it in the moment before has removed it.
bool HoldOn(int fd, const std::string& name) {
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        // A file system without locks: no clean-up can lock the file either.
        return errno != EWOULDBLOCK;
    }
    struct stat mine {};
    struct stat named {};
    return ::fstat(fd, &mine) == 0 && ::lstat(name.c_str(), &named) == 0 &&
           mine.st_ino == named.st_ino && mine.st_dev == named.st_dev;
}

} // namespace

namespace internal {

bool ResolveTarget(const std::string& path, RewriteTarget& target) {
    std::string current = path;
    for (int links = 0;; ++links) {
        struct stat st {};
        if (::lstat(current.c_str(), &st) != 0) {
            if (errno != ENOENT) return false;
            break; // a new file (also where a dangling link points)
        }
        if (S_ISREG(st.st_mode)) {
            target.exists = true;
            target.status = st;
            break;
        }
        // Directories, pipes and devices are not replaced by a file.
        if (!S_ISLNK(st.st_mode) || links == kMaxLinks || !MayFollow(current, st)) return false;
        std::string next;
        if (!ReadLink(current, next)) return false;
        current.swap(next);
    }
    target.folder = FolderOf(current);
    target.path.swap(current);
    return true;
}

int CreateTemporary(const RewriteTarget& target, std::string& name, bool lock) {
    if (Faulted(FaultOp::Temporary, &target.path)) {
        errno = EACCES; // as a folder that forbids creating files
        return -1;
    }
    std::string base = target.path.substr(target.folder.size());
    if (base.size() > kKeptName) base.resize(kKeptName);
    // A replacement stays private until it gets the replaced file's owner and mode.
    const mode_t mode = target.exists ? 0600 : 0666;
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = target.folder + "." + base + "." + RandomPart() + kSuffix;
        const int fd =
            ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        if (fd < 0) {
            if (errno == EEXIST) continue; // taken, or a link planted there: another name
            name.clear();
            return -1;
        }
        if (!lock || HoldOn(fd, name)) return fd;
        ::close(fd);
    }
    name.clear();
    errno = EEXIST;
    return -1;
}

void CopyAttributes(int fd, unsigned uid, unsigned gid, unsigned mode) {
    // Owner and group where this process may set them (the group alone is often allowed).
    if (::fchown(fd, uid, gid) != 0 && ::fchown(fd, static_cast<uid_t>(-1), gid) != 0) {
        // The new file keeps this user's group.
    }
    // Never set-user-id, set-group-id or sticky: a replaced file must not hand those on.
    ::fchmod(fd, static_cast<mode_t>(mode & 0777));
}

} // namespace internal

std::string WriteFolder(const char* path) {
    internal::RewriteTarget target;
    if (!path || !*path || !internal::ResolveTarget(path, target)) return std::string();
    return target.folder.empty() ? std::string("./") : target.folder;
}

void RemoveLeftoverTemporaries(const std::string& folder, const std::string& of) {
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir) return;
    const int dfd = ::dirfd(dir);
    const uid_t me = ::geteuid();
    const std::string start = of.empty() ? std::string() : "." + of.substr(0, kKeptName) + ".";
    while (const struct dirent* entry = ::readdir(dir)) {
        if (!IsTemporaryName(entry->d_name) ||
            std::strncmp(entry->d_name, start.c_str(), start.size()) != 0)
            continue;
        const int fd = ::openat(dfd, entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) continue;
        // Only this user's files, and only while no writer holds them.
        struct stat st {};
        struct stat named {};
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == me &&
            ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
            ::fstatat(dfd, entry->d_name, &named, AT_SYMLINK_NOFOLLOW) == 0 &&
            named.st_ino == st.st_ino && named.st_dev == st.st_dev) {
            ::unlinkat(dfd, entry->d_name, 0);
        }
        ::close(fd);
    }
    ::closedir(dir);
}

} // namespace brevic
