// File layer: text mode, atomic replacement and the fault-injection seam.
#include "brevic/ls_files.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace brevic {

namespace {

struct FaultCounter {
    int armedAt = 0; // fail when `calls` reaches this; 0: never
    int calls = 0;
};
FaultCounter g_faults[3];

// True when this call of the given kind is the one armed to fail.
bool Faulted(FaultOp op) {
    FaultCounter& f = g_faults[static_cast<int>(op)];
    if (f.armedAt == 0) return false;
    if (++f.calls != f.armedAt) return false;
    f.armedAt = 0;
    return true;
}

// Turns every CR LF of `data` into "\n" in place, moving whole stretches between CRs.
void FromTextMode(std::string& data) {
    char* d = data.data();
    const size_t n = data.size();
    const void* first = std::memchr(d, '\r', n);
    if (!first) return;
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
    data.resize(w);
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

} // namespace

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
    f.armedAt = nth > 0 ? nth : 0;
    f.calls = 0;
}

void ClearFaults() {
    for (FaultCounter& f : g_faults) f = FaultCounter{};
}

bool ReadBinaryFile(const char* path, std::string& data) {
    if (!path || !*path) return false;
    if (Faulted(FaultOp::Read)) return false;
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
    return true;
}

bool ReadTextFile(const char* path, std::string& text) {
    std::string data;
    if (!ReadBinaryFile(path, data)) return false;
    FromTextMode(data);
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

namespace {

// Writes `data` to a temporary file beside `path` and renames it over `path`. With
// `textMode` every "\n" goes out as CR LF, converted in small chunks on the way.
bool WriteAtomic(const char* path, const std::string& data, bool textMode) {
    if (!path || !*path) return false;
    // A file that does not exist yet has no good copy to protect: it is written in place
    // (and removed again when that fails), which saves the rename.
    struct stat existing {};
    const bool fresh = ::lstat(path, &existing) != 0 && errno == ENOENT;
    if (!fresh && IsDirectory(path)) return false;
    std::string target;
    try {
        target = fresh ? std::string(path) : std::string(path) + ".tmp~" + std::to_string(::getpid());
    } catch (...) {
        return false;
    }
    if (Faulted(FaultOp::Write)) return false;
    int fd = ::open(target.c_str(), O_WRONLY | O_CREAT | (fresh ? O_EXCL : O_TRUNC) | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    bool ok = true;
    if (!textMode) {
        ok = WriteAll(fd, data.data(), data.size());
    } else {
        char chunk[1 << 16];
        size_t used = 0;
        for (size_t i = 0; ok && i < data.size();) {
            // Copy up to the next line break in one go.
            const void* nl = std::memchr(data.data() + i, '\n', data.size() - i);
            size_t end = nl ? static_cast<size_t>(static_cast<const char*>(nl) - data.data()) : data.size();
            while (ok && i < end) {
                size_t n = std::min(end - i, sizeof chunk - used);
                std::memcpy(chunk + used, data.data() + i, n);
                used += n;
                i += n;
                if (used == sizeof chunk) {
                    ok = WriteAll(fd, chunk, used);
                    used = 0;
                }
            }
            if (ok && nl) {
                if (used + 2 > sizeof chunk) {
                    ok = WriteAll(fd, chunk, used);
                    used = 0;
                }
                chunk[used++] = '\r';
                chunk[used++] = '\n';
                ++i;
            }
        }
        if (ok && used) ok = WriteAll(fd, chunk, used);
    }
    // Keep the permissions of the file being replaced.
    struct stat st {};
    if (ok && !fresh && ::stat(path, &st) == 0) ::fchmod(fd, st.st_mode & 07777);
    if (::close(fd) != 0) ok = false;
    if (!fresh) {
        if (ok && Faulted(FaultOp::Rename)) ok = false;
        if (ok && ::rename(target.c_str(), path) != 0) ok = false;
    }
    if (!ok) ::unlink(target.c_str());
    return ok;
}

} // namespace

bool WriteBinaryFileAtomic(const char* path, const std::string& data) { return WriteAtomic(path, data, false); }

bool WriteTextFileAtomic(const char* path, const std::string& text) { return WriteAtomic(path, text, true); }

bool TouchFile(const char* path) {
    if (!path || !*path) return false;
    struct stat st {};
    if (::stat(path, &st) == 0) return S_ISREG(st.st_mode);
    if (Faulted(FaultOp::Write)) return false;
    int fd = ::open(path, O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) return false;
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

} // namespace brevic
