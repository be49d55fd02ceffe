// Building pages: the part of a build that touches no project state, so that a full build
// can run it for several pages at once.
#pragma once

#include "brevic/ls_compiler.h"
#include "brevic/ls_project.h"
#include "brevic/ls_types.h"

#include <functional>
#include <string>
#include <vector>

class tLS_macrobase;

namespace brevic {

// What building one page came to.
struct PageResult {
    tLS_Error error = LS_OK;
    bool expanded = false;  // the expansion succeeded (its messages belong in the build log)
    int written = 0;        // the target was written
    std::string failedFile; // the file that could not be read or written
    int failedWrite = 0;
    tLS_FailureReason reason = LS_REASON_NONE; // on failure: why,
    std::string templatePath;                  // the template (or the location of a text)
    std::string language;                      // and the language ("" for the basis group)
};

// One page of a full build, with everything needed to build it.
struct PageJob {
    const std::string* text = nullptr; // the template; null: read it in pieces
    std::string sourcePath;
    std::string target;
    tLS_macrobase* bases[3] = {nullptr, nullptr, nullptr};
    const char* location = "";
    long sourceTime = 0;
};

// Expands a template (the text, or the file at sourcePath when text is null) with the
// bases into targetPath, writing the target unless it is newer than sourceTime and every
// macro used (sourceTime 0 always writes). Never throws.
PageResult BuildPageFile(tLS_compiler& compiler, const tCompilerSettings& settings, tLS_macrobase** bases,
                         const std::string* text, const char* sourcePath, tDebugContext& context,
                         const char* targetPath, long sourceTime, const char* location);

// Builds the jobs on `threads` threads, each with a compiler of its own. `done` is called
// on the calling thread for every page in the order of the jobs, with the page's messages
// in the context; returning false stops the build (pages being built are finished). The
// bases must not change meanwhile, and their name tables must be made beforehand. Returns
// false when no thread could be started (nothing was built then).
bool BuildPagesInParallel(const std::vector<PageJob>& jobs, const tCompilerSettings& settings, unsigned threads,
                          const std::function<bool(size_t, const PageResult&, tDebugContext&)>& done);

} // namespace brevic
