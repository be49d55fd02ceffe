#include "places.h"

#include <brevic/ls_files.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace larkspan {

namespace {
std::string EnvDirectory(const char* variable, const char* fallbackUnderHome) {
    const char* value = std::getenv(variable);
    std::string dir;
    if (value && *value == '/') {
        dir = value;
    } else {
        const char* home = std::getenv("HOME");
        dir = std::string(home && *home ? home : "/tmp") + "/" + fallbackUnderHome;
    }
    if (dir.back() != '/') dir += '/';
    return dir;
}
} // namespace

std::string FolderOf(const std::string& path) {
    return path.substr(0, path.rfind('/') + 1);
}

std::string ProgramDirectory() {
    char buf[PATH_MAX];
    ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return "./";
    return FolderOf(std::string(buf, static_cast<size_t>(n)));
}

std::string DataDirectoryOf(const std::string& programDirectory) {
    if (::access((programDirectory + "autochar.txt").c_str(), F_OK) == 0) return programDirectory;
    // PREFIX/lib/larkspan/ -> PREFIX/share/larkspan/ (the program's folder holds no links:
    // it comes from /proc/self/exe).
    std::string package = programDirectory;
    for (int level = 0; level < 2; ++level) {
        const size_t slash =
            package.size() > 1 ? package.rfind('/', package.size() - 2) : std::string::npos;
        if (slash == std::string::npos) return programDirectory;
        package.erase(slash + 1);
    }
    package += "share/larkspan/";
    struct stat st {};
    if (::stat(package.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return package;
    return programDirectory;
}

std::string DataDirectory() {
    return DataDirectoryOf(ProgramDirectory());
}

std::string UserDataDirectory() {
    return EnvDirectory("XDG_DATA_HOME", ".local/share") + "larkspan/";
}

bool MakePath(const std::string& dir) {
    for (size_t i = 1; i <= dir.size(); ++i) {
        if (i == dir.size() || dir[i] == '/') {
            std::string part = dir.substr(0, i);
            if (::mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) return false;
        }
    }
    struct stat st {};
    return ::stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string SettingsFilePath() {
    std::string dir = EnvDirectory("XDG_CONFIG_HOME", ".config") + "larkspan/";
    MakePath(dir);
    return dir + "larkspan.INI";
}

std::string DataFilePath(const std::string& name) {
    std::string user = UserDataDirectory() + name;
    if (::access(user.c_str(), R_OK) == 0) return user;
    return DataDirectory() + name;
}

std::string WritableDataFile(const std::string& name) {
    std::string user = UserDataDirectory() + name;
    if (::access(user.c_str(), F_OK) == 0) return user;
    std::string dir = DataDirectory();
    std::string program = dir + name;
    // Saving replaces the file through a new file beside it: the folder must be writable.
    bool writable = ::access(dir.c_str(), W_OK) == 0 &&
                    (::access(program.c_str(), F_OK) != 0 || ::access(program.c_str(), W_OK) == 0);
    if (writable) return program;
    MakePath(UserDataDirectory());
    std::string data;
    if (brevic::ReadBinaryFile(program.c_str(), data))
        brevic::WriteBinaryFileAtomic(user.c_str(), data);
    return user;
}

std::string AbsolutePath(const std::string& path) {
    if (path.empty() || path[0] == '/') return path;
    char cwd[PATH_MAX];
    if (!::getcwd(cwd, sizeof cwd)) return path;
    std::string base = cwd;
    if (base.back() != '/') base += '/';
    std::string rest = path;
    while (rest.compare(0, 2, "./") == 0)
        rest.erase(0, 2);
    return base + rest;
}

} // namespace larkspan
