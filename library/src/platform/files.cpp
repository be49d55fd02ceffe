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

// Turns every CR LF of d[0..n) into "\n" in place, moving whole stretches between CRs;
// returns the new length.
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

void FromTextMode(std::string& data) { data.resize(FromTextMode(data.data(), data.size())); }

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

bool FaultsArmed() {
    for (const FaultCounter& f : g_faults) {
        if (f.armedAt != 0) return true;
    }
    return false;
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

TextFileReader::~TextFileReader() {
    if (fd >= 0) ::close(fd);
}

bool TextFileReader::Open(const char* path) {
    if (!path || !*path || fd >= 0) return false;
    if (Faulted(FaultOp::Read)) return false;
    fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        fd = -1;
        return false;
    }
    fileSize = static_cast<long long>(st.st_size);
    return true;
}

bool TextFileReader::ReadMore(std::string& text, size_t size) {
    if (fd < 0 || failed || atEnd) return !failed && fd >= 0;
    const size_t old = text.size();
    try {
        // Room for a CR held back from the last piece and the piece itself.
        text.resize(old + size + 1);
    } catch (...) {
        failed = true;
        text.resize(old);
        return false;
    }
    size_t at = old;
    if (heldCR) text[at++] = '\r';
    ssize_t k;
    do {
        k = ::read(fd, text.data() + at, size);
    } while (k < 0 && errno == EINTR);
    if (k < 0) {
        failed = true;
        text.resize(old);
        return false;
    }
    size_t end = at + static_cast<size_t>(k);
    if (k == 0) atEnd = true;
    // A CR at the end of a piece may be the first half of a CR LF: it waits for the next.
    heldCR = !atEnd && end > old && text[end - 1] == '\r';
    if (heldCR) --end;
    // CR LF becomes "\n": the same conversion as for a whole file, on the new part only.
    text.resize(old + FromTextMode(text.data() + old, end - old));
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
// Converted text is written in pieces of this size.
constexpr size_t kChunkSize = size_t(1) << 17;
} // namespace

FileWriter::FileWriter(const char* p, bool text) : path(p ? p : ""), textMode(text) {}

FileWriter::~FileWriter() {
    if (!committed) Discard();
}

bool FileWriter::Open() {
    opened = true;
    if (path.empty()) return false;
    // A file that does not exist yet has no good copy to protect: it is written in place,
    // which saves the rename.
    struct stat existing {};
    fresh = ::lstat(path.c_str(), &existing) != 0 && errno == ENOENT;
    if (!fresh && IsDirectory(path.c_str())) return false;
    try {
        temporary = fresh ? path : path + ".tmp~" + std::to_string(::getpid());
        if (textMode) chunk.reserve(kChunkSize);
    } catch (...) {
        return false;
    }
    if (Faulted(FaultOp::Write)) return false;
    fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | (fresh ? O_EXCL : O_TRUNC) | O_CLOEXEC, 0666);
    if (fd < 0) temporary.clear(); // nothing of ours to remove
    return fd >= 0;
}

bool FileWriter::Flush() {
    if (!chunk.empty() && !WriteAll(fd, chunk.data(), chunk.size())) return false;
    chunk.clear();
    return true;
}

bool FileWriter::Write(const char* data, size_t size) {
    if (failed || committed) return false;
    if (!opened && !Open()) {
        failed = true;
        return false;
    }
    bool ok = true;
    if (!textMode) {
        ok = WriteAll(fd, data, size);
    } else {
        // Copy up to the next line break in one go; the chunk never grows past its size.
        const char* end = data + size;
        while (ok && data < end) {
            const void* nl = std::memchr(data, '\n', static_cast<size_t>(end - data));
            const char* stop = nl ? static_cast<const char*>(nl) : end;
            while (ok && data < stop) {
                size_t n = std::min(static_cast<size_t>(stop - data), kChunkSize - chunk.size());
                chunk.append(data, n);
                data += n;
                if (chunk.size() == kChunkSize) ok = Flush();
            }
            if (ok && nl) {
                if (chunk.size() + 2 > kChunkSize) ok = Flush();
                chunk.append("\r\n", 2);
                ++data;
            }
        }
    }
    if (!ok) failed = true;
    return ok;
}

bool FileWriter::Commit() {
    if (failed || committed) return false;
    bool ok = opened || Open();
    ok = ok && Flush();
    // Keep the permissions of the file being replaced.
    struct stat st {};
    if (ok && !fresh && ::stat(path.c_str(), &st) == 0) ::fchmod(fd, st.st_mode & 07777);
    if (fd >= 0 && ::close(fd) != 0) ok = false;
    fd = -1;
    if (ok && !fresh) {
        if (Faulted(FaultOp::Rename) || ::rename(temporary.c_str(), path.c_str()) != 0) ok = false;
    }
    if (!ok) {
        failed = true;
        Discard();
        return false;
    }
    committed = true;
    return true;
}

void FileWriter::Discard() {
    if (fd >= 0) ::close(fd);
    fd = -1;
    if (!temporary.empty()) ::unlink(temporary.c_str());
    temporary.clear();
}

bool WriteBinaryFileAtomic(const char* path, const std::string& data) {
    FileWriter file(path, false);
    return file.Write(data) && file.Commit();
}

bool WriteTextFileAtomic(const char* path, const std::string& text) {
    FileWriter file(path, true);
    return file.Write(text) && file.Commit();
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
