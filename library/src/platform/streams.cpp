// Files read and written in pieces: TextFileReader and FileWriter.
#include "brevic/ls_files.h"
#include "brevic/ls_testing.h"
#include "files_internal.h"
#include "helper.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace brevic {

using namespace internal;

struct TextFileReader::Ahead {
    size_t size = 0;
    std::string piece;   // the piece being read ahead
    std::string carry;   // what follows the last line break read: it starts the next piece
    HelperThread helper; // last: it ends before the rest goes away
};

TextFileReader::TextFileReader() = default;

TextFileReader::~TextFileReader() {
    if (ahead) ahead->helper.Wait(); // a read in hand finishes first
    ahead.reset();
    if (fd >= 0) ::close(fd);
}

namespace {
// Opens `path` when it is a regular file (not a folder, pipe or device): the descriptor,
// with `st` its status, or -1.
int OpenRegular(const char* path, int flags, struct stat& st) {
    const int fd = ::open(path, flags);
    if (fd < 0) return -1;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return -1;
    }
    return fd;
}
} // namespace

bool TextFileReader::Open(const char* path) {
    if (!path || !*path || fd >= 0) return false;
    const std::string named = path;
    if (Faulted(FaultOp::Read, &named)) return false;
    struct stat st {};
    fd = OpenRegular(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK, st);
    if (fd < 0) return false;
    fileSize = static_cast<long long>(st.st_size);
    return true;
}

bool TextFileReader::ReadMore(std::string& text, size_t size) {
    if (fd < 0 || failed || atEnd) return !failed && fd >= 0;
    const bool ok = ReadRaw(text, size);
    atEnd = rawEnd;
    failed = rawFailed;
    return ok;
}

// One read of up to `size` bytes, appended to `text` in text mode. Touches only the state
// of the file itself, so that a helper thread can do it.
bool TextFileReader::ReadRaw(std::string& text, size_t size) {
    const size_t old = text.size();
    try {
        // Room for a CR held back from the last piece and the piece itself.
        text.resize(old + size + 1);
    } catch (...) {
        rawFailed = true;
        text.resize(old);
        return false;
    }
    size_t at = old;
    if (heldCR) text[at++] = '\r';
    ssize_t k = -1;
    if (!Faulted(FaultOp::Read)) {
        do {
            k = ::read(fd, text.data() + at, size);
        } while (k < 0 && errno == EINTR);
    }
    if (k < 0) {
        rawFailed = true;
        text.resize(old);
        return false;
    }
    size_t end = at + static_cast<size_t>(k);
    if (k == 0) rawEnd = true;
    // A CR at the end of a piece may be the first half of a CR LF: it waits for the next.
    heldCR = !rawEnd && end > old && text[end - 1] == '\r';
    if (heldCR) --end;
    // CR LF becomes "\n": the same conversion as for a whole file, on the new part only.
    text.resize(old + FromTextMode(text.data() + old, end - old));
    return true;
}

// On the helper thread: reads the next piece, cut behind its last line break.
void TextFileReader::Prepare() {
    Ahead& a = *ahead;
    try {
        a.piece.assign(a.carry);
        a.carry.clear();
    } catch (...) {
        rawFailed = true;
        return;
    }
    // Text mode makes a read shorter: one more read only when that left too little.
    while (!rawEnd && a.piece.size() < a.size / 2 + 1) {
        if (!ReadRaw(a.piece, a.size - a.piece.size())) return;
    }
    if (rawEnd) return;
    const void* nl = memrchr(a.piece.data(), '\n', a.piece.size());
    if (!nl) return; // a line longer than a piece
    const size_t cut = static_cast<size_t>(static_cast<const char*>(nl) - a.piece.data()) + 1;
    try {
        a.carry.assign(a.piece, cut);
    } catch (...) {
        return; // the piece is simply not cut
    }
    a.piece.resize(cut);
}

bool TextFileReader::ReadLines(std::string& text, size_t size, bool& last) {
    last = atEnd;
    if (fd < 0 || failed || atEnd) return !failed && fd >= 0;
    try {
        if (!ahead) {
            ahead = std::make_unique<Ahead>();
            ahead->size = size;
            ahead->helper.Start([this] { Prepare(); });
        }
        ahead->helper.Wait();
        if (rawFailed) {
            failed = true;
            return false;
        }
        if (text.empty()) {
            text.swap(ahead->piece);
        } else {
            text.append(ahead->piece);
        }
    } catch (...) {
        failed = true;
        return false;
    }
    last = atEnd = rawEnd && ahead->carry.empty();
    if (!last) {
        ahead->size = size;
        ahead->helper.Start([this] { Prepare(); });
    }
    return true;
}

namespace {
// Converted text is written in pieces of this size.
constexpr size_t kChunkSize = size_t(1) << 17;
} // namespace

struct FileWriter::Behind {
    std::string handed;  // the bytes the helper writes; free again once it is done
    HelperThread helper; // last: it ends before the rest goes away
};

FileWriter::FileWriter(const char* p, bool text) : path(p ? p : ""), textMode(text) {}

FileWriter::~FileWriter() {
    if (behind) behind->helper.Wait(); // a write in hand finishes first
    behind.reset();
    if (!committed || (deferred && !placed)) Discard();
}

bool FileWriter::Failed() const {
    if (behind) behind->helper.Wait();
    return failed;
}

bool FileWriter::LookAtTarget(bool& exists, long& seconds) {
    if (opened || path.empty()) return false;
    try {
        auto found = std::make_unique<RewriteTarget>();
        if (!ResolveTarget(path, *found)) return false;
        exists = found->exists;
        if (exists) seconds = static_cast<long>(found->status.st_mtime);
        looked = std::move(found);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

bool FileWriter::Open() {
    opened = true;
    if (path.empty()) return false;
    RewriteTarget final;
    if (looked) {
        final = std::move(*looked); // this writer's LookAtTarget: the target was looked at then
        looked.reset();
    } else if (!ResolveTarget(path, final)) {
        return false;
    }
    try {
        target = final.path;
        if (textMode) chunk.reserve(kChunkSize);
    } catch (...) {
        return false;
    }
    if (Faulted(FaultOp::Write, &path)) return false;
    replacing = final.exists;
    replacedUid = final.status.st_uid;
    replacedGid = final.status.st_gid;
    replacedMode = final.status.st_mode;
    fd = CreateTemporary(final, temporary, !unlocked);
    if (fd >= 0) return true;
    // A folder that forbids new files may still hold a file this user can write.
    if (!replacing || (errno != EACCES && errno != EPERM)) return false;
    return OpenInPlace();
}

bool FileWriter::OpenInPlace() {
    struct stat st {};
    fd = OpenRegular(target.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, st);
    if (fd < 0) return false;
    inPlace = true;
    return true;
}

bool FileWriter::Put(const char* data, size_t size) {
    if (!inPlace) return WriteAll(fd, data, size);
    // The file itself is touched only at Commit, so that a build that fails before leaves it.
    try {
        gathered.append(data, size);
    } catch (...) {
        return false;
    }
    return true;
}

bool FileWriter::Flush() {
    if (!chunk.empty() && !Put(chunk.data(), chunk.size())) return false;
    chunk.clear();
    return true;
}

bool FileWriter::Write(const char* data, size_t size) {
    if (behind) behind->helper.Wait();
    return WriteNow(data, size);
}

bool FileWriter::WriteFront(std::string& data, size_t size) {
    size = std::min(size, data.size());
    if (behind) behind->helper.Wait();
    if (failed || committed) return false;
    try {
        if (!behind) behind = std::make_unique<Behind>();
        // The rest of `data` moves to the free buffer, which then takes the place of `data`.
        std::string& handed = behind->handed;
        handed.clear();
        if (handed.capacity() < data.capacity()) {
            // A new string, as reserve on a used one may double its capacity: passing buffers
            // back and forth would then grow them without end.
            std::string room;
            room.reserve(data.capacity());
            handed.swap(room);
        }
        handed.append(data, size, std::string::npos);
        data.swap(handed);
        handed.resize(size);
    } catch (const std::bad_alloc&) {
        // No room for a second buffer: the bytes are written right here.
        if (!WriteNow(data.data(), size)) return false;
        data.erase(0, size);
        return true;
    }
    behind->helper.Start([this] { WriteNow(behind->handed.data(), behind->handed.size()); });
    return true;
}

bool FileWriter::WriteNow(const char* data, size_t size) {
    if (failed || committed) return false;
    if (!opened && !Open()) {
        failed = true;
        return false;
    }
    bool ok = true;
    if (!textMode) {
        ok = Put(data, size);
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
    if (behind) behind->helper.Wait();
    if (failed || committed) return false;
    bool ok = (opened || Open()) && Flush();
    if (ok && Faulted(FaultOp::Kill, &path)) {
        // As a killed program: the temporary file stays, nothing is renamed.
        ::close(fd);
        fd = -1;
        temporary.clear();
        ok = false;
    }
    if (ok) ok = Finish();
    if (ok && deferred && !inPlace) {
        committed = true;
        std::string().swap(chunk);  // no buffer kept while it waits to be placed
        if (!unlocked) return true; // the file stays open (and locked) until Place
        ok = ::close(fd) == 0;
        fd = -1;
        if (ok) return true;
        committed = false;
        failed = true;
        Discard();
        return false;
    }
    if (fd >= 0 && ::close(fd) != 0) ok = false;
    fd = -1;
    if (!ok) {
        failed = true;
        Discard();
        return false;
    }
    committed = true;
    return true;
}

bool FileWriter::Place() {
    if (!deferred || !committed || placed) return false;
    placed = true;
    if (inPlace) return true; // written over the file at Commit already
    // Left out when the file system was flushed since Commit (Flushed).
    if ((syncAtPlace && !flushed && !noFlush && ::fdatasync(fd) != 0) ||
        Faulted(FaultOp::Rename, &path) || ::rename(temporary.c_str(), target.c_str()) != 0) {
        Discard();
        return false;
    }
    temporary.clear(); // no longer ours to remove
    const bool closed = fd < 0 || ::close(fd) == 0;
    fd = -1;
    return closed;
}

// Puts the written file in place. The temporary file is renamed while it is still open:
// its lock keeps a clean-up away until the rename is done.
bool FileWriter::Finish() {
    if (inPlace) {
        bool ok = ::ftruncate(fd, 0) == 0 && WriteAll(fd, gathered.data(), gathered.size()) &&
                  (noFlush || ::fdatasync(fd) == 0);
        std::string().swap(gathered);
        return ok;
    }
    if (replacing) CopyAttributes(fd, replacedUid, replacedGid, replacedMode);
    // On disk before the rename, so that after a power cut the name holds the old file or
    // the new one, never a part.
    if (!syncAtPlace && !noFlush && ::fdatasync(fd) != 0) return false;
    if (deferred) return true; // Place renames it; the open file keeps its lock till then
    if (Faulted(FaultOp::Rename, &path) || ::rename(temporary.c_str(), target.c_str()) != 0)
        return false;
    temporary.clear(); // no longer ours to remove
    return true;
}

void FileWriter::Discard() {
    if (fd >= 0) ::close(fd);
    fd = -1;
    if (!temporary.empty()) ::unlink(temporary.c_str());
    temporary.clear();
}

} // namespace brevic
