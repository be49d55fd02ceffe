// File layer: reading, text mode, creating files and the fault-injection seam.
#include "brevic/ls_files.h"
#include "brevic/ls_testing.h"
#include "files_internal.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace brevic {

namespace {

// Helper threads of the file layer count their calls too.
struct FaultCounter {
    std::atomic<int> armedAt{0}; // fail when `calls` reaches this; 0: never
    int calls = 0;
    std::atomic<bool> pathArmed{false};
    std::string path; // with pathArmed: fail the operation on this path
};
FaultCounter g_faults[static_cast<int>(FaultOp::Kill) + 1];
std::mutex g_faultMutex;
thread_local int t_unfaulted = 0;

} // namespace

namespace internal {

Unfaulted::Unfaulted() {
    ++t_unfaulted;
}
Unfaulted::~Unfaulted() {
    --t_unfaulted;
}

bool Faulted(FaultOp op, const std::string* path) {
    if (t_unfaulted) return false;
    FaultCounter& f = g_faults[static_cast<int>(op)];
    if (path && f.pathArmed.load(std::memory_order_relaxed)) {
        std::lock_guard<std::mutex> lock(g_faultMutex);
        if (f.pathArmed && f.path == *path) {
            f.pathArmed = false;
            return true;
        }
    }
    if (f.armedAt.load(std::memory_order_relaxed) == 0) return false;
    std::lock_guard<std::mutex> lock(g_faultMutex);
    if (f.armedAt == 0 || ++f.calls != f.armedAt) return false;
    f.armedAt = 0;
    return true;
}

// Moves whole stretches between CRs.
size_t FromTextMode(char* d, size_t n) {
    const void* first = std::memchr(d, '\r', n);
    if (!first) return n;
    size_t r = static_cast<size_t>(static_cast<const char*>(first) - d);
    size_t w = r;
    while (r < n) {
        // d[r] is a CR: drop it when a LF follows.
        if (r + 1 < n && d[r + 1] == '\n') {
            ++r;
        } else {
            d[w++] = d[r++];
        }
        const void* next = std::memchr(d + r, '\r', n - r);
        size_t stop = next ? static_cast<size_t>(static_cast<const char*>(next) - d) : n;
        std::memmove(d + w, d + r, stop - r);
        w += stop - r;
        r = stop;
    }
    return w;
}

bool WriteAll(int fd, const char* p, size_t n) {
    while (n > 0) {
        ssize_t k = ::write(fd, p, n);
        if (k < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += k;
        n -= static_cast<size_t>(k);
    }
    return true;
}

} // namespace internal

using namespace internal;

void AdviseLargeBuffer(std::string& s) {
    constexpr size_t kHuge = size_t(2) << 20;
    if (s.capacity() < 2 * kHuge) return;
    auto begin = reinterpret_cast<uintptr_t>(s.data());
    uintptr_t from = (begin + kHuge - 1) & ~(kHuge - 1);
    uintptr_t to = (begin + s.capacity()) & ~(kHuge - 1);
    if (to > from) ::madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
}

void InjectFault(FaultOp op, int nth) {
    FaultCounter& f = g_faults[static_cast<int>(op)];
    std::lock_guard<std::mutex> lock(g_faultMutex);
    f.calls = 0;
    f.armedAt = nth > 0 ? nth : 0;
}

void InjectFaultAt(FaultOp op, const char* path) {
    FaultCounter& f = g_faults[static_cast<int>(op)];
    std::lock_guard<std::mutex> lock(g_faultMutex);
    f.path = path ? path : "";
    f.pathArmed = path != nullptr;
}

bool FaultsArmed() {
    for (const FaultCounter& f : g_faults) {
        if (f.armedAt != 0) return true;
    }
    return false;
}

void ClearFaults() {
    std::lock_guard<std::mutex> lock(g_faultMutex);
    for (FaultCounter& f : g_faults) {
        f.armedAt = 0;
        f.calls = 0;
        f.pathArmed = false;
    }
}

namespace {

FileIdentity IdentityOf(const struct stat& st) {
    FileIdentity id;
    id.device = static_cast<unsigned long long>(st.st_dev);
    id.inode = static_cast<unsigned long long>(st.st_ino);
    id.size = static_cast<long long>(st.st_size);
    id.mtimeNs = static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
    return id;
}

bool ReadWhole(const char* path, std::string& data, FileIdentity* identity) {
    if (!path || !*path) return false;
    const std::string named = path;
    if (Faulted(FaultOp::Read, &named)) return false;
    // Non-blocking, so that a FIFO at the path cannot hang the program before the check.
    int fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return false;
    }
    std::string buf;
    try {
        // One byte more than the file's size, so that reading the whole file ends with a
        // short read instead of growing (and copying) the buffer.
        buf.reserve(static_cast<size_t>(st.st_size) + 1);
        AdviseLargeBuffer(buf);
        buf.resize(static_cast<size_t>(st.st_size) + 1);
        size_t got = 0;
        for (;;) {
            if (got == buf.size()) buf.resize(buf.size() * 2);
            ssize_t k = ::read(fd, buf.data() + got, buf.size() - got);
            if (k < 0) {
                if (errno == EINTR) continue;
                ::close(fd);
                return false;
            }
            if (k == 0) break;
            got += static_cast<size_t>(k);
        }
        buf.resize(got);
    } catch (...) {
        ::close(fd);
        return false;
    }
    ::close(fd);
    data.swap(buf);
    if (identity) *identity = IdentityOf(st);
    return true;
}

// Whether the regular file at `path` (not followed if it is a link) has `expected`.
bool StillIs(const std::string& path, const FileIdentity& expected) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && IdentityOf(st) == expected;
}

} // namespace

bool ReadBinaryFile(const char* path, std::string& data) {
    return ReadWhole(path, data, nullptr);
}

bool ReadBinaryFile(const char* path, std::string& data, FileIdentity& identity) {
    return ReadWhole(path, data, &identity);
}

bool ReadTextFile(const char* path, std::string& text) {
    std::string data;
    if (!ReadBinaryFile(path, data)) return false;
    data.resize(FromTextMode(data.data(), data.size()));
    if (text.empty()) {
        text.swap(data); // no second copy of a large file
        return true;
    }
    try {
        text.append(data);
    } catch (...) {
        return false;
    }
    return true;
}

bool WriteBinaryFileAtomic(const char* path, const std::string& data) {
    FileWriter file(path, false);
    return file.Write(data) && file.Commit();
}

bool WriteTextFileAtomic(const char* path, const std::string& text) {
    FileWriter file(path, true);
    return file.Write(text) && file.Commit();
}

namespace {

// One open folder on each file system written to, flushed once at the end.
struct FileSystems {
    std::vector<dev_t> devices;
    std::vector<int> folders;
    ~FileSystems() {
        for (int fd : folders)
            ::close(fd);
    }
    // False when the folder of `path` cannot be opened (its file system is not flushed).
    bool Note(const std::string& path) {
        const size_t slash = path.rfind('/');
        const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
        struct stat st {};
        if (::stat(folder.c_str(), &st) != 0) return false;
        if (std::find(devices.begin(), devices.end(), st.st_dev) != devices.end()) return true;
        const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) return false;
        devices.push_back(st.st_dev);
        folders.push_back(fd);
        return true;
    }
    bool Flush() {
        bool ok = true;
        for (int fd : folders)
            ok = ::syncfs(fd) == 0 && ok;
        return ok;
    }
};

} // namespace

bool FlushFileSystems(const std::vector<std::string>& paths) {
    FileSystems systems;
    bool ok = true;
    for (const std::string& path : paths)
        ok = systems.Note(path) && ok;
    return systems.Flush() && ok;
}

namespace {

// The batch write of WriteBinaryFilesAtomic and RewriteFilesAtomic; with `expected`, each
// file is checked right before it is put in place.
void WriteFiles(const std::vector<std::pair<std::string, std::string>>& files,
                const std::vector<FileIdentity>* expected, std::vector<RewriteOutcome>& outcomes) {
    try {
        outcomes.assign(files.size(), RewriteOutcome::Failed);
        if (expected && expected->size() != files.size()) return; // nothing to check against
        std::vector<std::unique_ptr<FileWriter>> writers;
        std::vector<bool> committed(files.size(), false);
        std::vector<std::string> targets; // where the contents go, behind any links
        auto unchanged = [&](size_t i) {
            if (!expected || StillIs(writers[i]->Target(), (*expected)[i])) return true;
            outcomes[i] = RewriteOutcome::ChangedMeanwhile;
            return false;
        };
        for (size_t i = 0; i < files.size(); ++i) {
            writers.push_back(std::make_unique<FileWriter>(files[i].first.c_str(), false));
            FileWriter& file = *writers.back();
            file.Defer();
            file.SyncAtPlace();
            if (!file.Write(files[i].second)) continue;
            // A file written over in place is written at Commit: it is checked first.
            if (file.InPlace() && !unchanged(i)) continue;
            committed[i] = file.Commit();
            if (committed[i]) targets.push_back(file.Target());
        }
        // One flush for them all; should it fail, each Place flushes its own file.
        if (FlushFileSystems(targets)) {
            for (auto& writer : writers)
                writer->Flushed();
        }
        for (size_t i = 0; i < writers.size(); ++i) {
            // A writer not placed removes its temporary file.
            if (!committed[i] || (!writers[i]->InPlace() && !unchanged(i))) continue;
            outcomes[i] = writers[i]->Place() ? RewriteOutcome::Written : RewriteOutcome::Failed;
        }
    } catch (...) {
        // Out of memory: a writer not placed removes its file; its outcome stays Failed.
    }
}

} // namespace

void WriteBinaryFilesAtomic(const std::vector<std::pair<std::string, std::string>>& files,
                            std::vector<bool>& ok) {
    std::vector<RewriteOutcome> outcomes;
    WriteFiles(files, nullptr, outcomes);
    try {
        ok.assign(files.size(), false);
        for (size_t i = 0; i < outcomes.size(); ++i)
            ok[i] = outcomes[i] == RewriteOutcome::Written;
    } catch (...) {
        // Out of memory: `ok` may be short; a file without an entry was not written.
    }
}

void RewriteFilesAtomic(const std::vector<std::pair<std::string, std::string>>& files,
                        const std::vector<FileIdentity>& expected,
                        std::vector<RewriteOutcome>& outcomes) {
    WriteFiles(files, &expected, outcomes);
}

bool TouchFile(const char* path) {
    if (!path || !*path) return false;
    struct stat st {};
    if (::stat(path, &st) == 0) return S_ISREG(st.st_mode);
    if (Faulted(FaultOp::Write)) return false;
    RewriteTarget target;
    if (!ResolveTarget(path, target)) return false;
    if (target.exists) return true;
    // Exclusively and not through a link: what appeared there meanwhile is not written.
    int fd =
        ::open(target.path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) return errno == EEXIST && FileExists(target.path.c_str());
    ::close(fd);
    return true;
}

bool FileExists(const char* path) {
    struct stat st {};
    return path && ::stat(path, &st) == 0 && S_ISREG(st.st_mode);
}

bool IsDirectory(const char* path) {
    struct stat st {};
    return path && ::stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

bool FileModTime(const char* path, long& seconds) {
    struct stat st {};
    if (!path || ::stat(path, &st) != 0) return false;
    seconds = static_cast<long>(st.st_mtime);
    return true;
}

bool FileStamp(const char* path, long long& mtimeNs, long long& size) {
    struct stat st {};
    if (!path || ::stat(path, &st) != 0) return false;
    mtimeNs = static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
    size = static_cast<long long>(st.st_size);
    return true;
}

bool MakeDirectory(const char* path) {
    if (!path || !*path) return false;
    if (::mkdir(path, 0777) == 0) return true;
    return errno == EEXIST && IsDirectory(path);
}

bool RemoveEmptyDirectory(const char* path) {
    return path && *path && ::rmdir(path) == 0;
}

} // namespace brevic
