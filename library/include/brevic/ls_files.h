// The library's file and time layer. Every file the library reads or writes goes through
// these functions, so that text mode, atomic replacement and test fault injection live in
// one place.
//
// Text mode: on disk every "\n" is a CR LF pair; in memory a CR LF pair read from disk is
// one "\n" (a lone CR or LF is kept as it is).
#pragma once

#include "brevic/ls_types.h"

#include <memory>
#include <string>

namespace brevic {

// Reads the whole file in text mode and appends it to `text`. Returns false (and leaves
// `text` as it was) when the file cannot be opened or read, or is not a regular file.
BREVIC_API bool ReadTextFile(const char* path, std::string& text);

// Reads the whole file as bytes into `data` (replacing it). False when it cannot be read.
BREVIC_API bool ReadBinaryFile(const char* path, std::string& data);

// Writes `text` in text mode to a temporary file beside `path`, then renames it over
// `path`. On failure the previous file is untouched and the temporary file removed.
BREVIC_API bool WriteTextFileAtomic(const char* path, const std::string& text);

// The same for bytes written as they are.
BREVIC_API bool WriteBinaryFileAtomic(const char* path, const std::string& data);

// A file read in text mode piece by piece, for texts too large to hold at once. The pieces
// together are exactly what ReadTextFile reads.
class BREVIC_API TextFileReader {
public:
    TextFileReader();
    ~TextFileReader();
    TextFileReader(const TextFileReader&) = delete;
    TextFileReader& operator=(const TextFileReader&) = delete;

    // Opens a regular file; false when that is not possible.
    bool Open(const char* path);
    // Appends the next piece of about `size` bytes to `text`. False on a read error (and
    // Failed() then). At the end of the file nothing is appended and AtEnd() is true.
    bool ReadMore(std::string& text, size_t size);
    // Appends the next piece of about `size` bytes that ends behind a line break (a line
    // longer than that is cut; the last piece ends with the file), while a helper thread
    // reads the piece after it. `last` (and AtEnd()) tell that this was the last piece. An
    // empty `text` may come back with another buffer. False on a read error (and Failed()
    // then). A reader serves either ReadMore or ReadLines, not both.
    bool ReadLines(std::string& text, size_t size, bool& last);
    bool AtEnd() const { return atEnd; }
    bool Failed() const { return failed; }
    long long FileSize() const { return fileSize; } // as it was when opened

private:
    struct Ahead;
    bool ReadRaw(std::string& text, size_t size);
    void Prepare();

    int fd = -1;
    bool atEnd = false;  // every piece has been handed out
    bool failed = false; // a failed read has been reported
    bool heldCR = false; // the last piece ended in a CR: whether it pairs with a LF is open
    bool rawEnd = false; // the file has been read to its end
    bool rawFailed = false;
    long long fileSize = 0;
    std::unique_ptr<Ahead> ahead; // reading ahead: the helper thread and its piece
};

// A file written in pieces that takes its place only when complete. A file that does not
// exist yet is written in place (and removed again when anything fails); an existing file
// is written to a temporary file beside it that Commit renames over it, so that until then
// the old file stays as it was. In text mode every "\n" goes out as CR LF. A writer
// destroyed without a successful Commit discards what it wrote. Nothing touches the disk
// before the first Write or Commit. A deferred writer (Defer) leaves the file beside its
// place at Commit, until Place puts it there.
class BREVIC_API FileWriter {
public:
    FileWriter(const char* path, bool textMode);
    ~FileWriter();
    FileWriter(const FileWriter&) = delete;
    FileWriter& operator=(const FileWriter&) = delete;

    // Appends `size` bytes. False once anything failed.
    bool Write(const char* data, size_t size);
    bool Write(const std::string& data) { return Write(data.data(), data.size()); }
    // Writes the first `size` bytes of `data` and removes them from it, like Write and
    // erase; but a helper thread converts and writes them while the caller goes on, and
    // `data` may come back with another buffer of the same capacity. False once anything
    // failed; a failure on the helper thread shows at the next call.
    bool WriteFront(std::string& data, size_t size);
    // Writes what is buffered, closes the file and puts it in place (a deferred writer: leaves
    // it finished beside its place). False on any failure.
    bool Commit();
    // Before the first write: the file is written to a temporary file beside its place even
    // when it is new, and takes its place only at Place, so that files finished on several
    // threads can be put in place in an order of the caller's. A deferred writer destroyed
    // before Place removes its file.
    void Defer() { deferred = !opened; }
    // Puts the file of a deferred writer, committed, in its place. False when that fails (its
    // file is removed then) or there is nothing to place.
    bool Place();
    // True once opening or writing failed.
    bool Failed() const;

private:
    struct Behind;
    bool Open();
    bool WriteNow(const char* data, size_t size);
    bool Flush();
    void Discard();

    std::string path;
    std::string temporary; // the file being written: `path` itself for a new file
    std::string chunk;     // text mode: the converted bytes on their way out
    bool textMode;
    bool fresh = false;
    bool opened = false;
    bool failed = false;
    bool committed = false;
    bool deferred = false;
    bool placed = false;
    int fd = -1;
    std::unique_ptr<Behind> behind; // writing behind: the helper thread and the bytes it has
};

// Creates an empty file when none exists. False when that is not possible or the path
// names something that is not a regular file.
BREVIC_API bool TouchFile(const char* path);

BREVIC_API bool FileExists(const char* path);    // a regular file
BREVIC_API bool IsDirectory(const char* path);
// Last modification time in seconds since 1970; false when the file does not exist.
BREVIC_API bool FileModTime(const char* path, long& seconds);
// Modification time in nanoseconds and size of a file, to tell whether it changed; false
// when it does not exist.
BREVIC_API bool FileStamp(const char* path, long long& mtimeNs, long long& size);
// Creates one directory; an existing directory counts as success.
BREVIC_API bool MakeDirectory(const char* path);

// Asks the system to back a large string's reserved buffer with huge pages, so that filling
// it takes far fewer page faults. Only a hint; nothing changes for small strings.
BREVIC_API void AdviseLargeBuffer(std::string& s);

// Current time in seconds since 1970.
BREVIC_API long CurrentTime();
// strftime of `seconds` in local time with the given format; an empty result for an empty
// format or a result longer than 4095 bytes.
BREVIC_API std::string FormatLocalTime(const char* format, long seconds);
// "%A, %B %d, %y - %H:%M:%S" in local time with English day and month names, whatever the
// locale.
BREVIC_API std::string FormatLogDate(long seconds);

// Test seam: makes the Nth call (counted from 1, from the moment of arming) of one kind of
// file operation fail. 0 disarms. Counting covers every read, write and rename of the
// layer above.
enum class FaultOp { Read, Write, Rename };
BREVIC_API void InjectFault(FaultOp op, int nth);
BREVIC_API void ClearFaults();
// True while a fault is armed: work that counts on calls coming in order then keeps to one
// thread.
BREVIC_API bool FaultsArmed();

} // namespace brevic
