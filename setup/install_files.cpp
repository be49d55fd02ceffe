#include "install_files.h"

#include "desktop_entry.h"

#include "link_rule.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

namespace setup {

namespace {
// As many links as the kernel follows in one path.
constexpr int kMaxLinks = 40;

// `dir` and `name` joined by one "/".
std::string Join(const std::string& dir, const std::string& name) {
    if (name.empty()) return dir;
    if (!dir.empty() && dir.back() == '/') return dir + name;
    return dir + "/" + name;
}

bool ReadWhole(const std::string& path, std::string& bytes, mode_t& mode) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    mode = st.st_mode & 0777;
    bytes.clear();
    char buffer[1 << 16];
    while (ok) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) ok = false;
        if (n <= 0) break;
        bytes.append(buffer, static_cast<size_t>(n));
    }
    ::close(fd);
    return ok;
}

bool WriteAll(int fd, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

// A new temporary file beside `name` in `dir`, made exclusively and never through a link;
// `temp` gets its name. -1 on failure.
int CreateTemporary(int dir, const std::string& name, std::string& temp) {
    static const char kDigits[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        unsigned char random[8] = {};
        if (::getrandom(random, sizeof random, 0) != static_cast<ssize_t>(sizeof random)) return -1;
        temp = "." + name.substr(0, 200) + ".";
        for (unsigned char byte : random)
            temp += kDigits[byte % (sizeof kDigits - 1)];
        const int fd =
            ::openat(dir, temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

// Puts `bytes` at `name` in `dir` through a temporary file beside it renamed over it, with
// the permission bits `mode` less the umask: never a half-written file, and a program that
// is running keeps its old file until it ends.
bool WriteFileAt(int dir, const std::string& name, const std::string& bytes, mode_t mode) {
    std::string temp;
    const int fd = CreateTemporary(dir, name, temp);
    if (fd < 0) return false;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    bool ok = WriteAll(fd, bytes) && ::fchmod(fd, mode & ~mask) == 0 && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    ok = ok && ::renameat(dir, temp.c_str(), dir, name.c_str()) == 0;
    if (!ok) ::unlinkat(dir, temp.c_str(), 0);
    return ok;
}

// A path's levels, "" and "." left out; each says whether it came from a link's text.
struct Level {
    std::string name;
    bool fromLink;
};
std::deque<Level> Levels(const std::string& path, bool fromLink) {
    std::deque<Level> levels;
    size_t begin = 0;
    while (begin <= path.size()) {
        size_t end = path.find('/', begin);
        if (end == std::string::npos) end = path.size();
        std::string name = path.substr(begin, end - begin);
        if (!name.empty() && name != ".") levels.push_back({std::move(name), fromLink});
        begin = end + 1;
    }
    return levels;
}

// `shown` (a folder's path ending in "/", or "") without its last level.
std::string ParentOf(std::string shown) {
    if (shown == "/") return shown;
    if (shown.empty() || shown.ends_with("../")) return shown + "../";
    shown.pop_back();
    const size_t slash = shown.rfind('/');
    return slash == std::string::npos ? std::string() : shown.substr(0, slash + 1);
}

bool ReadLinkOf(int fd, std::string& target) {
    std::string buffer(4096, '\0');
    const ssize_t n = ::readlinkat(fd, "", buffer.data(), buffer.size());
    if (n <= 0 || static_cast<size_t>(n) >= buffer.size()) return false;
    target.assign(buffer.data(), static_cast<size_t>(n));
    return true;
}

int OpenFolderAt(int at, const char* name) {
    return ::openat(at, name, O_PATH | O_DIRECTORY | O_CLOEXEC);
}
} // namespace

// Walks paths level by level (see install_files.h).
class Walker {
public:
    // Walks `path` from the folder `start` (AT_FDCWD: the current one), whose path is
    // `shown` ("" or ending in "/"), making missing levels of `path` itself (not those a
    // link names). With `file`, the last level is a file: the result is its folder and
    // `name` its name there, behind the links followed.
    static Folder Walk(int start, std::string shown, const std::string& path, bool file,
                       std::string* name);

private:
    static void Step(Folder& here, int fd) {
        if (here.fd_ >= 0) ::close(here.fd_);
        here.fd_ = fd;
    }
    // Follows the link `fd` (status `link`) in `here`, named `shown` + `level`, when the
    // saving rule allows: its levels go before the rest. False when it is refused (then
    // named in `here`) or cannot be read.
    static bool Follow(Folder& here, std::string& shown, const std::string& level, int fd,
                       const struct stat& link, std::deque<Level>& levels);
};

Folder Walker::Walk(int start, std::string shown, const std::string& path, bool file,
                    std::string* name) {
    Folder here;
    if (path.empty()) return here;
    std::deque<Level> levels = Levels(path, false);
    Step(here, path[0] == '/' ? OpenFolderAt(AT_FDCWD, "/") : OpenFolderAt(start, "."));
    if (path[0] == '/') shown = "/";
    if (file && levels.empty()) Step(here, -1);
    for (int links = 0; here.IsOpen() && !levels.empty();) {
        const Level level = levels.front();
        levels.pop_front();
        const bool last = file && levels.empty();
        if (level.name == "..") {
            Step(here, OpenFolderAt(here.fd_, ".."));
            shown = ParentOf(shown);
            continue;
        }
        int fd = ::openat(here.fd_, level.name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0 && errno == ENOENT && !last && !level.fromLink &&
            (::mkdirat(here.fd_, level.name.c_str(), 0777) == 0 || errno == EEXIST))
            fd = ::openat(here.fd_, level.name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
        struct stat st {};
        if (fd < 0 || ::fstat(fd, &st) != 0) {
            const bool newFile = last && fd < 0 && errno == ENOENT;
            if (fd >= 0) ::close(fd);
            if (newFile) *name = level.name;
            if (!newFile) Step(here, -1);
            return here;
        }
        if (S_ISDIR(st.st_mode) && !last) {
            Step(here, fd);
            shown += level.name + "/";
            continue;
        }
        if (S_ISLNK(st.st_mode)) {
            const bool followed =
                ++links <= kMaxLinks && Follow(here, shown, level.name, fd, st, levels);
            ::close(fd);
            // A link refused, or one to "/" where a file is wanted, ends the walk.
            if (!followed || (file && levels.empty())) Step(here, -1);
            continue;
        }
        ::close(fd);
        if (last && S_ISREG(st.st_mode)) {
            *name = level.name;
            return here;
        }
        Step(here, -1); // a file or a directory in the way, or a refused link
    }
    return here;
}

bool Walker::Follow(Folder& here, std::string& shown, const std::string& level, int fd,
                    const struct stat& link, std::deque<Level>& levels) {
    struct stat folder {};
    if (::fstat(here.fd_, &folder) != 0 || !brevic::MayFollowLink(link, folder)) {
        here.refusedLink_ = shown + level;
        return false;
    }
    std::string target;
    if (!ReadLinkOf(fd, target)) return false;
    std::deque<Level> more = Levels(target, true);
    levels.insert(levels.begin(), more.begin(), more.end());
    if (target[0] == '/') {
        Step(here, OpenFolderAt(AT_FDCWD, "/"));
        shown = "/";
    }
    return true;
}

Folder::Folder(Folder&& other) noexcept
    : fd_(other.fd_), refusedLink_(std::move(other.refusedLink_)) {
    other.fd_ = -1;
}

Folder& Folder::operator=(Folder&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = other.fd_;
        other.fd_ = -1;
        refusedLink_ = std::move(other.refusedLink_);
    }
    return *this;
}

Folder::~Folder() {
    if (fd_ >= 0) ::close(fd_);
}

namespace {
// Puts `bytes` at `name` in `dir` (whose path is `shown`), behind the links the saving
// rule lets it follow; `refused` names a link it does not.
bool PutFile(const Folder& dir, const std::string& shown, const std::string& name,
             const std::string& bytes, mode_t mode, std::string& refused) {
    std::string final;
    const Folder place = Walker::Walk(dir.Descriptor(), shown, name, true, &final);
    refused = place.RefusedLink();
    return place.IsOpen() && WriteFileAt(place.Descriptor(), final, bytes, mode);
}

// "" or `path` ending in "/".
std::string AsFolder(const std::string& path) {
    return path.empty() || path.back() == '/' ? path : path + "/";
}
} // namespace

const std::vector<ListedFile>& FileList() {
    static const std::vector<ListedFile> list = {
#define SETUP_FILE(subfolder, name) {subfolder, name},
#include "files.inc"
#undef SETUP_FILE
    };
    return list;
}

bool IsEnterableDirectory(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

Folder MakeFolder(const std::string& folder) {
    Folder made = Walker::Walk(AT_FDCWD, std::string(), folder, false, nullptr);
    // Looking up "." in it needs the right to enter it.
    if (made.IsOpen()) {
        const int probe = OpenFolderAt(made.Descriptor(), ".");
        if (probe < 0) return Folder();
        ::close(probe);
    }
    return made;
}

CopyReport CopyFiles(const std::string& source, const Folder& target,
                     const std::string& targetPath) {
    CopyReport report;
    const std::string shown = AsFolder(targetPath);
    for (const ListedFile& file : FileList()) {
        const std::string relative = Join(file.subfolder, file.name);
        std::string refused;
        bool ok = false;
        const Folder dir = Walker::Walk(target.Descriptor(), shown,
                                        *file.subfolder ? file.subfolder : ".", false, nullptr);
        std::string bytes;
        mode_t mode = 0644;
        if (!dir.IsOpen()) {
            refused = dir.RefusedLink();
        } else if (ReadWhole(Join(source, relative), bytes, mode)) {
            ok = PutFile(dir, AsFolder(shown + file.subfolder), file.name, bytes, mode, refused);
        }
        if (!refused.empty() && std::find(report.refusedLinks.begin(), report.refusedLinks.end(),
                                          refused) == report.refusedLinks.end())
            report.refusedLinks.push_back(refused);
        if (!ok) report.failed.push_back(relative);
    }
    return report;
}

std::string ApplicationsDirectory() {
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data && *data == '/') return Join(data, "applications/");
    const char* home = std::getenv("HOME");
    return Join(home && *home ? home : "/tmp", ".local/share/applications/");
}

bool WriteDesktopEntries(const std::string& folder, const std::string& applications) {
    if (desktop::HasControlCharacter(folder)) return false;
    const Folder dir = MakeFolder(applications);
    if (!dir.IsOpen()) return false;
    const std::string shown = AsFolder(applications);
    const std::string icon = Join(folder, "larkspan.svg");
    std::string refused;
    bool ok = PutFile(dir, shown, desktop::kProgramEntryFile,
                      desktop::ProgramEntry(Join(folder, "larkspan"), icon), 0644, refused);
    ok = PutFile(dir, shown, desktop::kHelpEntryFile,
                 desktop::HelpEntry(Join(folder, "help/index.html"), icon), 0644, refused) &&
         ok;
    return ok;
}

} // namespace setup
