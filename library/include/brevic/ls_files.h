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
#include <utility>
#include <vector>

namespace brevic {

namespace internal {
struct RewriteTarget;
}

// Reads the whole file in text mode and appends it to `text`. Returns false (and leaves
// `text` as it was) when the file cannot be opened or read, or is not a regular file.
BREVIC_API bool ReadTextFile(const char* path, std::string& text);

// Reads the whole file as bytes into `data` (replacing it). False when it cannot be read.
BREVIC_API bool ReadBinaryFile(const char* path, std::string& data);

// Which file a path led to and how it was then: a file whose identity is the same later is,
// as far as the system tells, the same file with the same content.
struct FileIdentity {
    unsigned long long device = 0;
    unsigned long long inode = 0;
    long long size = -1;
    long long mtimeNs = 0;
    bool operator==(const FileIdentity&) const = default;
};

// As above; `identity` is that of the file read, taken when it was opened (so that a change
// made while it was read shows as a change).
BREVIC_API bool ReadBinaryFile(const char* path, std::string& data, FileIdentity& identity);

// Writes `text` in text mode to `path` by the saving rule of FileWriter (below). On
// failure the previous file is untouched and no temporary file is left.
BREVIC_API bool WriteTextFileAtomic(const char* path, const std::string& text);

// The same for bytes written as they are.
BREVIC_API bool WriteBinaryFileAtomic(const char* path, const std::string& data);

// Writes several files, each by the saving rule as WriteBinaryFileAtomic does, but flushes
// them to disk together: every new content is on disk before the first file is replaced
// (so a power cut leaves each file old or new), and the many waits for the disk become
// one. Files are replaced in the given order, so a path given twice ends with its later
// content. `ok` gets one entry per file: whether it was written. A failure leaves that
// file as it was and does not stop the others.
BREVIC_API void
WriteBinaryFilesAtomic(const std::vector<std::pair<std::string, std::string>>& files,
                       std::vector<bool>& ok);

// What became of one file of a rewrite that expects its files unchanged.
enum class RewriteOutcome { Written, Failed, ChangedMeanwhile };
// As WriteBinaryFilesAtomic, for files read before and rewritten: a file is put in place only
// while the file its path leads to still has its identity in `expected` (one per file),
// checked right before. A file changed, replaced or removed meanwhile is left as it is (a
// removed one is not created) and gets ChangedMeanwhile; a failure gets Failed.
BREVIC_API void RewriteFilesAtomic(const std::vector<std::pair<std::string, std::string>>& files,
                                   const std::vector<FileIdentity>& expected,
                                   std::vector<RewriteOutcome>& outcomes);

// Flushes to disk the file systems that hold the folders of `paths` (each once), so that
// deferred writers with SyncAtPlace (below) committed before need no flush of their own
// (FileWriter::Flushed). False when a flush failed or a folder could not be opened.
BREVIC_API bool FlushFileSystems(const std::vector<std::string>& paths);

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

// A file written in pieces that takes its place only when complete, by the saving rule of
// every file the library and the editor rewrite, which docs/ARCHITECTURE.md ("The saving
// rule") states in full: a link is followed to its final file only as the kernel's
// protected-symlinks rule allows; the content goes to a temporary file in that file's
// folder, flushed and renamed over it (owner, group and permission bits kept); where the
// folder forbids the temporary file, an existing writable file is written over at Commit;
// a directory, pipe or device is never replaced; a hard link loses its tie.
// In text mode every "\n" goes out as CR LF. A writer destroyed without a successful Commit
// discards what it wrote. Nothing touches the disk before the first Write or Commit. A
// deferred writer (Defer) keeps its finished file open beside its place at Commit, until
// Place puts it there.
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
    // Before the first write of a deferred writer: Commit leaves the flush to disk to Place,
    // so that files written one after another can be flushed together first.
    void SyncAtPlace() { syncAtPlace = deferred && !opened; }
    // Before the first write: the file is never flushed to disk here (nor when written over
    // in place); the caller flushes its file system later and covers it until then.
    void NoFlush() { noFlush = !opened; }
    // Before the first write: the temporary file is not locked while it is written, and a
    // deferred writer closes it at Commit (Place renames it by name). For a full build's
    // pages, whose journal, held by the build, keeps other builds' clean-ups away.
    void Unlocked() { unlocked = !opened; }
    // Before the first write: looks where the content will go (following the path's links
    // as the write does) and gives in `exists` and `seconds` whether a file is there and its
    // modification time, as FileModTime of the path would. The write then goes by what was
    // found here, so a page needs one look at its target. False (nothing found out) when the
    // path cannot be written as it stands.
    bool LookAtTarget(bool& exists, long& seconds);
    // After Commit: the file the content goes to (where the path's links lead).
    const std::string& Target() const { return target; }
    // After Commit of a deferred writer with SyncAtPlace: the file system holding Target
    // was flushed to disk since (FlushFileSystems succeeded), so Place needs no flush.
    void Flushed() { flushed = committed && syncAtPlace; }
    // Puts the file of a deferred writer, committed, in its place. False when that fails (its
    // file is removed then) or there is nothing to place.
    bool Place();
    // True once opening or writing failed.
    bool Failed() const;
    // True after a Write found that the folder forbids a temporary file: Commit then writes
    // over the file itself, at once even when deferred (nothing is written before Commit).
    bool InPlace() const { return inPlace; }

private:
    struct Behind;
    bool Open();
    bool OpenInPlace();
    bool WriteNow(const char* data, size_t size);
    bool Put(const char* data, size_t size);
    bool Flush();
    bool Finish();
    void Discard();

    std::string path;
    std::string target;    // the final file: `path`, or where its links lead
    std::string temporary; // the temporary file being written ("" when none is ours)
    std::string chunk;     // text mode: the converted bytes on their way out
    std::string gathered;  // writing in place: everything, until Commit
    bool textMode;
    bool replacing = false; // a file is there to replace
    bool inPlace = false;   // the folder forbade a temporary file
    bool opened = false;
    bool failed = false;
    bool committed = false;
    bool deferred = false;
    bool placed = false;
    bool syncAtPlace = false;
    bool flushed = false;
    bool noFlush = false;
    bool unlocked = false;
    int fd = -1;
    unsigned replacedUid = 0, replacedGid = 0, replacedMode = 0;
    std::unique_ptr<Behind> behind; // writing behind: the helper thread and the bytes it has
    std::unique_ptr<internal::RewriteTarget> looked; // LookAtTarget's finding, until Open
};

// Creates an empty file when none exists (where a dangling link points, by the rule of
// FileWriter). False when that is not possible or the path names something that is not a
// regular file.
BREVIC_API bool TouchFile(const char* path);

BREVIC_API bool FileExists(const char* path); // a regular file
BREVIC_API bool IsDirectory(const char* path);
// Last modification time in seconds since 1970; false when the file does not exist.
BREVIC_API bool FileModTime(const char* path, long& seconds);
// Modification time in nanoseconds and size of a file, to tell whether it changed; false
// when it does not exist.
BREVIC_API bool FileStamp(const char* path, long long& mtimeNs, long long& size);
// Creates one directory; an existing directory counts as success.
BREVIC_API bool MakeDirectory(const char* path);
// Removes a directory that is empty; false when it is not empty or cannot be removed.
BREVIC_API bool RemoveEmptyDirectory(const char* path);

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

// The folder (with a trailing "/") that a rewrite of `path` writes its temporary file in:
// that of the file its links lead to. "" when the path cannot be written.
BREVIC_API std::string WriteFolder(const char* path);
// Removes the temporary files a killed writer of this program left in `folder`: only this
// user's, and never one that a writer (in any process) is still writing and holds locked.
// With `of` (a file name), only the temporary files of that file.
BREVIC_API void RemoveLeftoverTemporaries(const std::string& folder,
                                          const std::string& of = std::string());

} // namespace brevic
