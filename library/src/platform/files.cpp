// File layer: text mode, atomic replacement and the fault-injection seam.
#include "brevic/ls_files.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
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

void ToTextMode(const std::string& in, std::string& out) {
    out.clear();
    out.reserve(in.size() + in.size() / 16 + 16);
    size_t start = 0;
    for (;;) {
        const void* hit = std::memchr(in.data() + start, '\n', in.size() - start);
        if (!hit) break;
        size_t nl = static_cast<const char*>(hit) - in.data();
        out.append(in, start, nl - start);
        out.append("\r\n", 2);
        start = nl + 1;
    }
    out.append(in, start, std::string::npos);
}

// Turns every CR LF of `data` into "\n" in place.
void FromTextMode(std::string& data) {
    char* d = data.data();
    size_t n = data.size();
    size_t w = 0;
    for (size_t r = 0; r < n; ++r) {
        if (d[r] == '\r' && r + 1 < n && d[r + 1] == '\n') continue;
        d[w++] = d[r];
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
        buf.resize(static_cast<size_t>(st.st_size));
        size_t got = 0;
        for (;;) {
            if (got == buf.size()) buf.resize(buf.size() + 65536);
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
    try {
        text.append(data);
    } catch (...) {
        return false;
    }
    return true;
}

bool WriteBinaryFileAtomic(const char* path, const std::string& data) {
    if (!path || !*path) return false;
    if (IsDirectory(path)) return false;
    std::string tmp;
    try {
        tmp = std::string(path) + ".tmp~" + std::to_string(::getpid());
    } catch (...) {
        return false;
    }
    if (Faulted(FaultOp::Write)) return false;
    int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    bool ok = WriteAll(fd, data.data(), data.size());
    // Keep the permissions of the file being replaced.
    struct stat st {};
    if (ok && ::stat(path, &st) == 0) ::fchmod(fd, st.st_mode & 07777);
    if (::close(fd) != 0) ok = false;
    if (ok && Faulted(FaultOp::Rename)) ok = false;
    if (ok && ::rename(tmp.c_str(), path) != 0) ok = false;
    if (!ok) ::unlink(tmp.c_str());
    return ok;
}

bool WriteTextFileAtomic(const char* path, const std::string& text) {
    std::string data;
    try {
        ToTextMode(text, data);
    } catch (...) {
        return false;
    }
    return WriteBinaryFileAtomic(path, data);
}

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

bool MakeDirectory(const char* path) {
    if (!path || !*path) return false;
    if (::mkdir(path, 0777) == 0) return true;
    return errno == EEXIST && IsDirectory(path);
}

} // namespace brevic
