// Building pages: the part of a build that touches no project state, so that a full build
// can run it for several pages at once.
#pragma once

#include "brevic/ls_compiler.h"
#include "brevic/ls_files.h"
#include "brevic/ls_project.h"
#include "brevic/ls_types.h"

#include <functional>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

class tLS_macrobase;

namespace brevic {

// What building one page came to.
struct PageResult {
    tLS_Error error = LS_OK;
    bool expanded = false;  // the expansion succeeded (its messages belong in the build log)
    int written = 0;        // the target was written (or is to be, for a page not yet placed)
    std::string failedFile; // the file that could not be read or written
    int failedWrite = 0;
    tLS_FailureReason reason = LS_REASON_NONE; // on failure: why,
    std::string templatePath;                  // the template (or the location of a text)
    std::string language;                      // and the language ("" for the basis group)
};

// A template as a build reads it.
struct TemplateText {
    std::string text;
    bool inPieces = false; // large: every page reads it in pieces itself, and `text` is empty
    long sourceTime = 0;   // its last modification
};

// Reads the template at `path`: one from 4 MB on is only looked at (it is read in pieces
// while it is expanded), a smaller one read whole. Nothing on disk changes: a missing
// template is not created. False when it does not exist or cannot be read.
bool ReadTemplate(const char* path, TemplateText& t);

// One page: what is expanded and where it goes.
struct PageInput {
    const std::string* text = nullptr; // the template; null: read it in pieces from sourcePath
    const char* sourcePath = "";
    const char* targetPath = "";
    const char* location = ""; // the template's name in messages
    long sourceTime = 0;
    tLS_macrobase** bases = nullptr;
    bool flush = true; // false: not flushed to disk (the build journal covers the page)
};

// Where a page goes while it is built.
enum class PageMode {
    InPlace, // the target itself
    Aside,   // a temporary file beside the target, put in place by PlacePage
    Memory,  // memory, written by PlacePage
};

// A page built but not yet in place.
struct BuiltPage {
    PageResult result;
    tDebugContext context;            // its messages
    std::string text;                 // Memory: the page, when it is to be written
    std::unique_ptr<FileWriter> file; // Aside: the finished page, when it is to be written
    bool inOrder = false;             // not built: it is built when the build reaches it
};

// Expands a page with the bases and writes it unless the target is newer than sourceTime
// and every macro used (sourceTime 0 always writes). When that is known beforehand, the
// page goes out while expanding (InPlace, Aside), so that a large page needs no memory of
// its size. Aside and Memory leave the page to write in `page`. Never throws.
PageResult BuildPageFile(tLS_compiler& compiler, const tCompilerSettings& settings,
                         const PageInput& input, tDebugContext& context, PageMode mode,
                         BuiltPage* page);

// Puts a page built aside or in memory in its place (nothing when it is not to be written),
// without a flush to disk. False when it cannot be written; the page's result says so then.
bool PlacePage(BuiltPage& page, const char* targetPath);

// One page of a full build.
struct PageJob {
    std::string sourcePath;
    std::string target;
    std::string folder;      // the target's folder
    bool makeFolder = false; // a language folder: made when the build reaches the page
    tLS_macrobase* bases[3] = {nullptr, nullptr, nullptr};
    size_t source = 0;   // the template's place in the project; its pages follow one another
    bool forced = false; // named by the build journal: written whatever the times say
};

// Puts the pages of a full build in place, in order, on the calling thread: it makes their
// language folders, and keeps which it made, which pages are done and where pages were
// written. Pages are not flushed one by one (the build journal names them until Flush).
class PageWriter {
public:
    // Makes the language folder of `job` unless the build made it before: true when this
    // call made it. A failure shows when the page is written.
    bool MakeFolder(const PageJob& job);
    // Puts a page built aside or in memory in place; on failure the folder made for it
    // (`made`) goes again when it is still empty. False on failure.
    bool Place(const PageJob& job, BuiltPage& page, bool made);
    // After a failed page: its folder goes again when this build made it for the page and
    // it is still empty.
    void Undo(const PageJob& job, bool made);
    // A page is done (written or up to date).
    void Done(const PageJob& job, bool written);
    // The pages done so far: the build stopped at the page with this index.
    size_t DoneCount() const { return done; }
    // Flushes to disk, once each, the file systems pages were written to. False on failure.
    bool Flush() const;

private:
    std::unordered_set<std::string> folders;   // the language folders made so far
    std::unordered_set<std::string> writtenTo; // the folders pages were written into
    std::vector<std::string> flushPaths;       // a page of each of them
    size_t done = 0;
};

// Builds the jobs on `threads` threads, each with a compiler of its own, changing nothing on
// disk but temporary files beside targets: templates are read without being created; a
// page that replaces its target, or one of a large template, is finished aside when its
// folder is there, any other in memory (a large one whose folder is not there, or one
// whose template could not be read, is marked to be built in order). `place` is called on
// the calling thread for every page in the order of the jobs and puts it in place;
// returning false stops the build: pages being built are finished, every page built ahead
// is discarded and nothing after it is placed. While pages ahead hold much memory, the
// threads keep only one page each ahead. The bases must not change meanwhile, and their
// name tables must be made beforehand. Returns false when no thread could be started
// (nothing was built then).
bool BuildPagesInParallel(const std::vector<PageJob>& jobs, const tCompilerSettings& settings,
                          unsigned threads, const std::function<bool(size_t, BuiltPage&)>& place);

// The threads a full build uses: the number set for tests, else one per core, at most 8.
unsigned BuildThreads();

} // namespace brevic
