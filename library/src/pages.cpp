#include "pages.h"

#include "brevic/ls_files.h"
#include "brevic/ls_macrobase.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <new>
#include <thread>

namespace brevic {

namespace {
// The output buffer of a page written while it is expanded: a little more than the part
// that is handed to the file at a time.
constexpr size_t kStreamReserve = size_t(1) << 18;
} // namespace

PageResult BuildPageFile(tLS_compiler& compiler, const tCompilerSettings& settings, tLS_macrobase** bases,
                         const std::string* text, const char* sourcePath, tDebugContext& ctx,
                         const char* targetPath, long sourceTime, const char* location) {
    PageResult result;
    auto fail = [&](const char* file, int write, tLS_FailureReason reason) {
        result.error = LS_BUILD_FAILED;
        if (file) result.failedFile = file;
        result.failedWrite = write;
        result.reason = reason;
        result.templatePath = sourcePath ? sourcePath : location ? location : "";
        if (bases && bases[0] && bases[1]) result.language = bases[1]->GetName();
        return result;
    };
    try {
        // Whether the target is written is known before expanding, unless only a changed
        // macro could make it out of date. When it is known, finished output goes to the
        // file while expanding, so that a large page needs no memory of its size.
        long targetTime = 0;
        const bool exists = FileModTime(targetPath, targetTime);
        const bool writeKnown = sourceTime == 0 || !exists || sourceTime >= targetTime;
        FileWriter file(targetPath, true);
        TextFileReader reader;
        if (!text && !reader.Open(sourcePath)) return fail(sourcePath, 0, LS_REASON_READ);
        // Otherwise: room for twice the template, as macros usually make the page longer
        // and growing a large string copies it. Untouched room costs no memory.
        const size_t size = text ? text->size() : static_cast<size_t>(reader.FileSize());
        std::string output;
        output.reserve(writeKnown ? std::min(size * 2, kStreamReserve) + 4096 : size * 2 + 4096);
        AdviseLargeBuffer(output);
        tCompilerSettings options = settings;
        compiler.SetOutputFile(writeKnown ? &file : nullptr);
        const tLS_Error built = text ? compiler.BuildTarget(*text, output, &ctx, bases, location, &options)
                                     : compiler.BuildTarget(reader, output, &ctx, bases, location, &options);
        compiler.SetOutputFile(nullptr);
        if (built != LS_OK) {
            if (reader.Failed()) return fail(sourcePath, 0, LS_REASON_READ);
            if (file.Failed()) return fail(targetPath, 1, LS_REASON_WRITE);
            return fail(nullptr, 0, built == LS_RECURSION ? LS_REASON_RECURSION : LS_REASON_OUTPUT);
        }
        result.expanded = true;
        const bool write = writeKnown || compiler.GetModified() >= targetTime;
        if (write && !(file.Write(output) && file.Commit())) return fail(targetPath, 1, LS_REASON_WRITE);
        result.written = write ? 1 : 0;
    } catch (const std::bad_alloc&) {
        compiler.SetOutputFile(nullptr);
        result.error = LS_BUILD_FAILED;
        result.reason = LS_REASON_OUTPUT;
    }
    return result;
}

bool BuildPagesInParallel(const std::vector<PageJob>& jobs, const tCompilerSettings& settings, unsigned threads,
                          const std::function<bool(size_t, const PageResult&, tDebugContext&)>& done) {
    struct Slot {
        bool finished = false;
        PageResult result;
        tDebugContext context;
    };
    std::unique_ptr<Slot[]> slots(new Slot[jobs.size()]);
    std::mutex mutex;
    std::condition_variable finished;
    std::atomic<size_t> next{0};
    std::atomic<bool> stop{false};
    unsigned long counted = 0; // characters the threads examined

    auto work = [&]() {
        tLS_compiler compiler;
        unsigned long count = 0;
        compiler.CountInto(&count); // the library-wide counter belongs to the calling thread
        while (!stop.load(std::memory_order_relaxed)) {
            const size_t i = next.fetch_add(1);
            if (i >= jobs.size()) break;
            const PageJob& job = jobs[i];
            tLS_macrobase* bases[3] = {job.bases[0], job.bases[1], job.bases[2]};
            Slot& slot = slots[i];
            slot.result = BuildPageFile(compiler, settings, bases, job.text, job.sourcePath.c_str(), slot.context,
                                        job.target.c_str(), job.sourceTime, job.location);
            if (slot.result.error != LS_OK) stop = true;
            std::lock_guard<std::mutex> lock(mutex);
            slot.finished = true;
            finished.notify_all();
        }
        std::lock_guard<std::mutex> lock(mutex);
        counted += count;
    };

    std::vector<std::thread> pool;
    try {
        for (unsigned t = 0; t < threads; ++t) pool.emplace_back(work);
    } catch (...) {
        // Fewer threads than asked for still finish the work; none cannot start it.
        if (pool.empty()) return false;
    }
    for (size_t i = 0; i < jobs.size(); ++i) {
        std::unique_lock<std::mutex> lock(mutex);
        finished.wait(lock, [&] { return slots[i].finished; });
        lock.unlock();
        const bool goOn = done(i, slots[i].result, slots[i].context);
        if (!goOn || slots[i].result.error != LS_OK) { // later pages may never have started
            stop = true;
            break;
        }
    }
    for (std::thread& t : pool) t.join();
    SetCharacterCounter(CharacterCounter() + counted);
    return true;
}

} // namespace brevic
