#include "pages.h"

#include "brevic/ls_files.h"
#include "brevic/ls_macrobase.h"
#include "brevic/ls_project.h"
#include "brevic/ls_testing.h"
#include "limits.h"
#include "strings.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <new>
#include <thread>
#include <unordered_map>

namespace brevic {

namespace {
// The output buffer of a page written while it is expanded: a little more than the part
// that is handed to the file at a time.
constexpr size_t kStreamReserve = size_t(1) << 18;
// Templates from this size on are read in pieces.
constexpr long long kReadInPieces = 4LL << 20;
std::atomic<unsigned> g_buildThreads{0};
} // namespace

void SetBuildThreads(unsigned threads) {
    g_buildThreads = threads;
}
void CancelBuilds() {
    internal::g_cancelled.store(true, std::memory_order_relaxed);
}
void ResumeBuilds() {
    internal::g_cancelled.store(false, std::memory_order_relaxed);
}
bool BuildsCancelled() {
    return internal::g_cancelled.load(std::memory_order_relaxed);
}

unsigned BuildThreads() {
    const unsigned set = g_buildThreads.load();
    return set ? set : std::max(1u, std::min(8u, std::thread::hardware_concurrency()));
}

bool ReadTemplate(const char* path, TemplateText& t) {
    // A large template is read again in pieces for every language instead of being held
    // whole: it needs no memory of its size, and its pieces stay in the cache.
    long long stampNs = 0;
    long long size = 0;
    t.inPieces = FileStamp(path, stampNs, size) && size >= kReadInPieces;
    t.text.clear();
    if (!t.inPieces) {
        if (!ReadTextFile(path, t.text)) return false;
    }
    // Whole seconds, as FileModTime gives them (rounded down, also before 1970).
    constexpr long long kNs = 1000000000LL;
    t.sourceTime = static_cast<long>(stampNs / kNs - (stampNs % kNs < 0 ? 1 : 0));
    return true;
}

PageResult BuildPageFile(tLS_compiler& compiler, const tCompilerSettings& settings,
                         const PageInput& in, tDebugContext& ctx, PageMode mode, BuiltPage* page) {
    PageResult result;
    result.templatePath = in.sourcePath && *in.sourcePath ? in.sourcePath
                          : in.location                   ? in.location
                                                          : "";
    if (in.bases && in.bases[0] && in.bases[1]) result.language = in.bases[1]->GetName();
    auto fail = [&](const char* file, int write, tLS_FailureReason reason) {
        result.error = LS_BUILD_FAILED;
        if (file) result.failedFile = file;
        result.failedWrite = write;
        result.reason = reason;
        return result;
    };
    try {
        // Whether the target is written is known before expanding, unless only a changed
        // macro could make it out of date. When it is known, finished output goes to the
        // file while expanding, so that a large page needs no memory of its size.
        std::unique_ptr<FileWriter> file;
        if (mode != PageMode::Memory) {
            file = std::make_unique<FileWriter>(in.targetPath, true);
            if (mode == PageMode::Aside) file->Defer();
            if (!in.flush || mode == PageMode::Aside) {
                file->NoFlush();
                file->Unlocked();
            }
        }
        // The writer's own look at the target tells its time too (one look per page).
        long targetTime = 0;
        bool exists = false;
        if (!file || !file->LookAtTarget(exists, targetTime))
            exists = FileModTime(in.targetPath, targetTime);
        const bool writeKnown = in.sourceTime == 0 || !exists || in.sourceTime >= targetTime;
        TextFileReader reader;
        if (!in.text && !reader.Open(in.sourcePath)) return fail(in.sourcePath, 0, LS_REASON_READ);
        // Otherwise: room for twice the template, as macros usually make the page longer
        // and growing a large string copies it. Untouched room costs no memory.
        const size_t size = in.text ? in.text->size() : static_cast<size_t>(reader.FileSize());
        const bool stream = writeKnown && file;
        std::string output;
        output.reserve(stream ? std::min(size * 2, kStreamReserve) + 4096 : size * 2 + 4096);
        AdviseLargeBuffer(output);
        tCompilerSettings options = settings;
        compiler.SetOutputFile(stream ? file.get() : nullptr);
        const tLS_Error built =
            in.text ? compiler.BuildTarget(*in.text, output, &ctx, in.bases, in.location, &options)
                    : compiler.BuildTarget(reader, output, &ctx, in.bases, in.location, &options);
        compiler.SetOutputFile(nullptr);
        if (built != LS_OK) {
            if (BuildsCancelled()) return fail(nullptr, 0, LS_REASON_CANCELLED);
            if (reader.Failed()) return fail(in.sourcePath, 0, LS_REASON_READ);
            if (file && file->Failed()) return fail(in.targetPath, 1, LS_REASON_WRITE);
            return fail(nullptr, 0, built == LS_RECURSION ? LS_REASON_RECURSION : LS_REASON_OUTPUT);
        }
        result.expanded = true;
        result.written = writeKnown || compiler.GetModified() >= targetTime ? 1 : 0;
        if (!result.written) return result;
        if (!file) {
            page->text.swap(output);
            return result;
        }
        if (!(file->Write(output) && file->Commit()))
            return fail(in.targetPath, 1, LS_REASON_WRITE);
        if (mode == PageMode::Aside) page->file = std::move(file);
    } catch (const std::bad_alloc&) {
        compiler.SetOutputFile(nullptr);
        result.error = LS_BUILD_FAILED;
        result.reason = LS_REASON_OUTPUT;
    }
    return result;
}

bool PlacePage(BuiltPage& page, const char* targetPath) {
    PageResult& r = page.result;
    if (r.error != LS_OK || !r.written) return r.error == LS_OK;
    bool ok = false;
    try {
        if (page.file) {
            ok = page.file->Place();
        } else {
            FileWriter file(targetPath, true);
            file.NoFlush();
            file.Unlocked();
            ok = file.Write(page.text) && file.Commit();
        }
    } catch (const std::bad_alloc&) {
    }
    if (!ok) {
        r.error = LS_BUILD_FAILED;
        r.failedWrite = 1;
        r.reason = LS_REASON_WRITE;
        try {
            r.failedFile = targetPath;
        } catch (const std::bad_alloc&) {
        }
    }
    return ok;
}

bool PageWriter::MakeFolder(const PageJob& job) {
    if (!job.makeFolder || folders.count(job.folder)) return false;
    const bool existed = IsDirectory(job.folder.c_str());
    if (!MakeDirectory(job.folder.c_str())) return false;
    folders.insert(job.folder);
    return !existed;
}

bool PageWriter::Place(const PageJob& job, BuiltPage& page, bool made) {
    if (PlacePage(page, job.target.c_str())) return true;
    Undo(job, made);
    return false;
}

void PageWriter::Undo(const PageJob& job, bool made) {
    if (made && RemoveEmptyDirectory(job.folder.c_str())) folders.erase(job.folder);
}

void PageWriter::Done(const PageJob& job, bool written) {
    ++done;
    if (written && writtenTo.insert(job.folder).second) flushPaths.push_back(job.target);
}

bool PageWriter::Flush() const {
    return flushPaths.empty() || FlushFileSystems(flushPaths);
}

namespace {

// Pages built ahead of the last page placed hold temporary files, or memory: while those in
// memory hold this much, the threads keep only one page each ahead. The calling thread may
// be slow to get a core; the threads do not wait for it otherwise.
constexpr size_t kHeldInMemory = size_t(64) << 20;
// And never more pages ahead than this (each may hold a temporary file).
constexpr size_t kAhead = 2048;
// The calling thread, waiting for the next page, is woken when this many pages from it on
// are finished (or fewer, when not all of them are claimed yet): one hand-off for a batch
// of pages instead of one for each.
constexpr size_t kPlaceBatch = 16;

// What the threads of a full build share. Pages are claimed in order.
class ParallelBuild {
public:
    ParallelBuild(const std::vector<PageJob>& jobs, const tCompilerSettings& settings,
                  unsigned threads)
        : jobs(jobs), settings(settings), threads(threads), slots(new Slot[jobs.size()]),
          sources(new Source[jobs.empty() ? 1 : jobs.back().source + 1]), folderOf(jobs.size()) {
        std::unordered_map<std::string, size_t> folders;
        for (size_t i = 0; i < jobs.size(); ++i)
            folderOf[i] = folders.emplace(jobs[i].folder, folders.size()).first->second;
        ready.reset(new std::atomic<bool>[folders.size() + 1]);
        for (size_t f = 0; f <= folders.size(); ++f)
            ready[f] = false;
    }

    // One thread: builds pages until there are none left or the build stops.
    void Work();
    // On the calling thread: hands every page to `place` in order. False once it stopped.
    bool Place(const std::function<bool(size_t, BuiltPage&)>& place);
    // Lets every thread end after the page in hand.
    void Stop();
    unsigned long Counted() const { return counted; }

private:
    struct Slot {
        bool finished = false;
        BuiltPage page;
    };
    // A template, read by the first thread that needs it.
    struct Source {
        std::once_flag once;
        TemplateText text;
        bool read = false;
    };
    bool Claim(size_t& i);
    bool CanClaim() const;
    // Whether the calling thread, waiting for page `placed`, goes on now.
    bool PlacerReady() const;
    void Finished(size_t i);
    void WaitFor(size_t i);
    void Placed(size_t i, size_t size, bool goOn);
    void BuildOne(tLS_compiler& compiler, size_t i);
    // Whether the folder of page i is there (looked at until it is).
    bool FolderThere(size_t i);

    const std::vector<PageJob>& jobs;
    const tCompilerSettings& settings;
    const size_t threads;
    std::unique_ptr<Slot[]> slots;
    std::unique_ptr<Source[]> sources;
    std::vector<size_t> folderOf;               // each page's folder, numbered
    std::unique_ptr<std::atomic<bool>[]> ready; // by folder: known to be there
    std::mutex mutex;
    std::condition_variable
        claimable; // the threads wait here: a page was placed, or the build stopped
    std::condition_variable placeable; // the calling thread waits here (see PlacerReady)
    size_t idle = 0;                   // threads waiting to claim a page
    bool placerWaiting = false;        // the calling thread waits for page `placed`
    size_t next = 0;                   // the next page to claim
    size_t placed = 0;                 // the pages placed so far
    size_t held = 0;                   // bytes of the pages finished in memory and not yet placed
    bool stop = false;
    unsigned long counted = 0; // characters the threads examined
};

bool ParallelBuild::CanClaim() const {
    return stop || next >= jobs.size() || next < placed + threads ||
           (held < kHeldInMemory && next < placed + kAhead);
}

bool ParallelBuild::Claim(size_t& i) {
    std::unique_lock<std::mutex> lock(mutex);
    if (!CanClaim()) {
        ++idle;
        claimable.wait(lock, [&] { return CanClaim(); });
        --idle;
    }
    if (stop || next >= jobs.size()) return false;
    i = next++;
    return true;
}

bool ParallelBuild::PlacerReady() const {
    if (!slots[placed].finished) return false;
    const size_t end = std::min(jobs.size(), placed + kPlaceBatch);
    // Pages of the batch not claimed yet may wait for this one to be placed.
    if (stop || next < end) return true;
    for (size_t k = placed + 1; k < end; ++k) {
        if (!slots[k].finished) return false; // its thread tells when it is
    }
    return true;
}

void ParallelBuild::Finished(size_t i) {
    std::lock_guard<std::mutex> lock(mutex);
    slots[i].finished = true;
    held += slots[i].page.text.capacity();
    if (slots[i].page.result.error != LS_OK) stop = true; // later pages will not be needed
    if (placerWaiting && PlacerReady()) placeable.notify_one();
}

void ParallelBuild::WaitFor(size_t i) {
    std::unique_lock<std::mutex> lock(mutex);
    if (slots[i].finished) return;
    placerWaiting = true;
    placeable.wait(lock, [&] { return slots[i].finished && (stop || PlacerReady()); });
    placerWaiting = false;
}

void ParallelBuild::Placed(size_t i, size_t size, bool goOn) {
    std::lock_guard<std::mutex> lock(mutex);
    placed = i + 1;
    held -= size;
    stop = stop || !goOn;
    if (idle && CanClaim()) claimable.notify_all();
}

void ParallelBuild::BuildOne(tLS_compiler& compiler, size_t i) {
    const PageJob& job = jobs[i];
    BuiltPage& page = slots[i].page; // this thread's until it is finished
    Source& source = sources[job.source];
    // Read without being created: a missing template is created only when the build
    // reaches it, and the page is built then.
    std::call_once(source.once,
                   [&] { source.read = ReadTemplate(job.sourcePath.c_str(), source.text); });
    // A page goes into a temporary file beside its target (written while it is expanded),
    // closed, when the folder is there, so that the calling thread only renames it; else it
    // is held in memory until the build reaches it. A large page whose folder is not there
    // yet would need memory of its size: it is built in order. (Other builds leave those
    // temporary files alone while this build holds its journal.)
    const bool folderThere = FolderThere(i);
    if (!source.read || (source.text.inPieces && !folderThere)) {
        page.inOrder = true;
        return;
    }
    tLS_macrobase* bases[3] = {job.bases[0], job.bases[1], job.bases[2]};
    PageInput input;
    input.text = source.text.inPieces ? nullptr : &source.text.text;
    input.sourcePath = job.sourcePath.c_str();
    input.targetPath = job.target.c_str();
    input.location = AfterLastSeparator(input.sourcePath);
    input.sourceTime = job.forced ? 0 : source.text.sourceTime;
    input.bases = bases;
    page.result = BuildPageFile(compiler, settings, input, page.context,
                                folderThere ? PageMode::Aside : PageMode::Memory, &page);
}

bool ParallelBuild::FolderThere(size_t i) {
    std::atomic<bool>& there = ready[folderOf[i]];
    if (!there.load(std::memory_order_relaxed) && IsDirectory(jobs[i].folder.c_str())) there = true;
    return there;
}

void ParallelBuild::Work() {
    tLS_compiler compiler;
    unsigned long count = 0;
    compiler.CountInto(&count); // the library-wide counter belongs to the calling thread
    size_t i = 0;
    while (Claim(i)) {
        BuildOne(compiler, i);
        Finished(i);
    }
    std::lock_guard<std::mutex> lock(mutex);
    counted += count;
}

bool ParallelBuild::Place(const std::function<bool(size_t, BuiltPage&)>& place) {
    for (size_t i = 0; i < jobs.size(); ++i) {
        WaitFor(i);
        const size_t size = slots[i].page.text.capacity();
        const bool goOn = place(i, slots[i].page);
        slots[i].page = BuiltPage{}; // placed, or discarded
        // The template's last page: no thread needs its text any more.
        if (i + 1 == jobs.size() || jobs[i + 1].source != jobs[i].source)
            TemplateText().text.swap(sources[jobs[i].source].text.text);
        Placed(i, size, goOn);
        if (!goOn) return false;
    }
    return true;
}

void ParallelBuild::Stop() {
    {
        std::lock_guard<std::mutex> lock(mutex);
        stop = true;
    }
    claimable.notify_all();
    placeable.notify_all();
}

} // namespace

bool BuildPagesInParallel(const std::vector<PageJob>& jobs, const tCompilerSettings& settings,
                          unsigned threads, const std::function<bool(size_t, BuiltPage&)>& place) {
    ParallelBuild build(jobs, settings, threads);
    std::vector<std::thread> pool;
    try {
        for (unsigned t = 0; t < threads; ++t)
            pool.emplace_back([&build] { build.Work(); });
    } catch (...) {
        // Fewer threads than asked for still finish the work; none cannot start it.
        if (pool.empty()) return false;
    }
    std::exception_ptr thrown;
    try {
        build.Place(place);
    } catch (...) {
        thrown = std::current_exception();
    }
    build.Stop();
    for (std::thread& t : pool)
        t.join();
    SetCharacterCounter(CharacterCounter() + build.Counted());
    if (thrown) std::rethrow_exception(thrown);
    return true;
}

} // namespace brevic
