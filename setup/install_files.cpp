#include "install_files.h"

#include "desktop_entry.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace setup {

namespace {
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

// Puts `bytes` at `path` through a temporary file in its folder renamed over it, with the
// permission bits `mode` less the umask: never a half-written file, and a program that is
// running keeps its old file until it ends. A directory at `path` is never replaced.
bool WriteFileAtomic(const std::string& path, const std::string& bytes, mode_t mode) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return false;
    const size_t slash = path.rfind('/');
    const std::string dir = slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    std::string temp = Join(dir, "." + name + ".XXXXXX");
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) return false;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    bool ok = WriteAll(fd, bytes) && ::fchmod(fd, mode & ~mask) == 0 && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    ok = ok && ::rename(temp.c_str(), path.c_str()) == 0;
    if (!ok) ::unlink(temp.c_str());
    return ok;
}

bool CopyOneFile(const std::string& from, const std::string& to) {
    std::string bytes;
    mode_t mode = 0644;
    return ReadWhole(from, bytes, mode) && WriteFileAtomic(to, bytes, mode);
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

bool MakeFolder(const std::string& folder) {
    // Every level in turn: the path up to each "/" after the first character, then the
    // whole path.
    for (size_t i = 1; i < folder.size(); ++i) {
        if (folder[i] == '/' && folder[i - 1] != '/') ::mkdir(folder.substr(0, i).c_str(), 0777);
    }
    if (!folder.empty()) ::mkdir(folder.c_str(), 0777);
    return IsEnterableDirectory(folder);
}

std::vector<std::string> CopyFiles(const std::string& source, const std::string& target) {
    std::vector<std::string> failed;
    for (const ListedFile& file : FileList()) {
        const std::string relative = Join(file.subfolder, file.name);
        const std::string dir = Join(target, file.subfolder);
        const bool ok = MakeFolder(dir) && CopyOneFile(Join(source, relative), Join(target, relative));
        if (!ok) failed.push_back(relative);
    }
    return failed;
}

std::string ApplicationsDirectory() {
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data && *data == '/') return Join(data, "applications/");
    const char* home = std::getenv("HOME");
    return Join(home && *home ? home : "/tmp", ".local/share/applications/");
}

bool WriteDesktopEntries(const std::string& folder, const std::string& applications) {
    if (desktop::HasControlCharacter(folder) || !MakeFolder(applications)) return false;
    const std::string icon = Join(folder, "larkspan.svg");
    bool ok = WriteFileAtomic(Join(applications, desktop::kProgramEntryFile),
                              desktop::ProgramEntry(Join(folder, "larkspan"), icon), 0644);
    ok = WriteFileAtomic(Join(applications, desktop::kHelpEntryFile),
                         desktop::HelpEntry(Join(folder, "help/index.html"), icon), 0644) &&
         ok;
    return ok;
}

} // namespace setup
