// Build driver: target paths, single-target builds, full builds and the build log.
#include "brevic/ls_files.h"
#include "brevic/ls_macrobase.h"
#include "brevic/ls_profile.h"
#include "brevic/ls_project.h"
#include "pages.h"
#include "strings.h"

#include <algorithm>
#include <deque>
#include <thread>
#include <unordered_set>
#include <vector>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>

namespace {

// Templates from this size on are read in pieces.
constexpr long long kReadInPieces = 4LL << 20;
tLS_MessageHook g_messageHook = nullptr;

void ShowMessage(const char* text) {
    if (g_messageHook) {
        g_messageHook(text);
    } else {
        std::fprintf(stderr, "%s\n", text);
    }
}

std::string LogHeader(const char* projectName, long startTime) {
    const std::string rule(41, '=');
    std::string header = "\n" + rule + "\n  Larkspan PLUS Build Process\n  ProjectName: ";
    header += projectName ? projectName : "";
    header += "\n  Date: " + brevic::FormatLogDate(startTime) + "\n" + rule + "\n\n";
    return header;
}

// Restores the active language on every way out of a full build.
class LanguageGuard {
public:
    explicit LanguageGuard(tLS_project& p) : project(p) {
        const char* name = p.GetActiveLanguageName();
        std::memcpy(saved, name, strnlen(name, sizeof saved - 1));
    }
    ~LanguageGuard() { project.SetActiveLanguageName(saved); }
    LanguageGuard(const LanguageGuard&) = delete;
    LanguageGuard& operator=(const LanguageGuard&) = delete;

private:
    tLS_project& project;
    char saved[LS_NAME_FIELD] = {};
};

// Temporary files that a killed build left beside the pages and the log go before a full
// build writes there again (files being written by another build stay).
void RemoveLeftovers(const std::vector<brevic::PageJob>& jobs, const std::string& logPath) {
    std::unordered_set<std::string> cleaned;
    auto clean = [&cleaned](const char* path) {
        std::string folder = brevic::WriteFolder(path);
        if (!folder.empty() && cleaned.insert(folder).second) brevic::RemoveLeftoverTemporaries(folder);
    };
    for (const brevic::PageJob& job : jobs) clean(job.target.c_str());
    clean(logPath.c_str());
}

} // namespace

const char* tLS_project::FailureReasonText(tLS_FailureReason reason) {
    switch (reason) {
    case LS_REASON_NONE: break;
    case LS_REASON_NOT_FOUND: return "file not found";
    case LS_REASON_READ: return "cannot read";
    case LS_REASON_WRITE: return "cannot write";
    case LS_REASON_RECURSION: return "recursion depth: macros nested deeper than 21 levels";
    case LS_REASON_OUTPUT: return "output limit: the page grew too large (or memory ran out)";
    }
    return "";
}
void tLS_project::SetMessageHook(tLS_MessageHook hook) { g_messageHook = hook; }

tLS_Error tLS_project::GetCompilerSettings(tCompilerSettings& s) {
    long long mtime = -1;
    long long size = -1;
    const bool exists = iniFilePath[0] && brevic::FileStamp(iniFilePath, mtime, size);
    SettingsCache& c = settingsCache;
    if (c.valid && c.path == iniFilePath && c.exists == exists && c.mtimeNs == mtime && c.size == size) {
        s = c.settings;
        return LS_OK;
    }
    std::string text;
    if (exists) brevic::ReadTextFile(iniFilePath, text);
    s = brevic::CompilerSettingsFromText(text);
    c = SettingsCache{iniFilePath, mtime, size, exists, s, true};
    return LS_OK;
}

tLS_Error tLS_project::CreateTargetPath(std::string& path) {
    size_t sep = brevic::LastSeparator(path);
    if (sep == std::string::npos || sep < 2) return LS_BAD_TARGET_PATH;
    std::string dir = path.substr(0, sep);
    std::string file = path.substr(sep); // with its separator
    size_t dot = file.rfind('.');
    if (dot == std::string::npos || dot < 3) return LS_BAD_TARGET_PATH;
    if (file.compare(dot, std::string::npos, ".tpl") != 0) return LS_NOT_A_TEMPLATE;
    file.replace(dot, std::string::npos, ".htm");
    tLS_macrobase* active = GetActiveGroup();
    bool subdirectory = active && active != GetBasisGroup();
    if (subdirectory) {
        dir += '/';
        dir += active->GetName();
    }
    std::string target = dir + file;
    if (target.size() >= static_cast<size_t>(LS_PATH_MAX)) return LS_BAD_TARGET_PATH;
    // The language folder; a full build makes each folder once (a failure shows when
    // writing).
    if (subdirectory && (!inBuildAll || !madeDirectories.count(dir))) {
        if (brevic::MakeDirectory(dir.c_str()) && inBuildAll) madeDirectories.insert(dir);
    }
    path.swap(target);
    return LS_OK;
}

tLS_Error tLS_project::Build(const std::string& text, tDebugContext* context,
                             const char* targetPath, long sourceTime, const char* location) {
    return BuildPage(&text, nullptr, context, targetPath, sourceTime, location);
}

tLS_Error tLS_project::BuildPage(const std::string* text, const char* sourcePath,
                                 tDebugContext* context, const char* targetPath, long sourceTime,
                                 const char* location) {
    tDebugContext privateContext;
    tDebugContext& ctx = context ? *context : privateContext;
    SetFailure("", 0);
    try {
        ctx.log.clear();
        tCompilerSettings settings;
        GetCompilerSettings(settings);
        tLS_macrobase* bases[3] = {nullptr, nullptr, nullptr};
        ActiveBases(bases);
        return PageDone(brevic::BuildPageFile(*compiler, settings, bases, text, sourcePath, ctx, targetPath,
                                              sourceTime, location),
                        ctx, targetPath);
    } catch (const std::bad_alloc&) {
        return LS_BUILD_FAILED;
    }
}

void tLS_project::ActiveBases(tLS_macrobase** bases) {
    int count = 0;
    if (groupCount > 0) bases[count++] = groups[0];
    if (groupCount > 1) {
        tLS_macrobase* active = GetActiveGroup();
        if (active == groups[0]) {
            ShowMessage(tLS_compiler::MessageText(LS_MSG_NO_LANGUAGE_SELECTED));
        } else if (active) {
            bases[count++] = active;
        }
    }
}

tLS_Error tLS_project::PageDone(const brevic::PageResult& page, tDebugContext& ctx, const char* targetPath) {
    if (page.expanded) buildLog += ctx.log;
    if (page.error != LS_OK) {
        SetFailure(page.failedFile, page.failedWrite);
        SetFailureCause(page.reason, page.templatePath, page.language);
        return page.error;
    }
    if (ctx.progress) ctx.progress->TargetDone(targetPath, page.written, ctx.log);
    return LS_OK;
}

tLS_Error tLS_project::DebugToFile(const std::string& text) {
    std::string dir;
    if (!ProjectDirectory(dir)) return LS_INVALID;
    std::string path = dir + "debug.txt";
    if (!SaveFile(text, path.c_str())) {
        SetFailure(path, 1);
        SetFailureCause(LS_REASON_WRITE, "", "");
        return LS_BUILD_FAILED;
    }
    return LS_OK;
}

tLS_Error tLS_project::BuildAll(tDebugContext* context) {
    SetFailure("", 0);
    if (!isProject) return LS_NO_PROJECT;
    struct BuildAllScope {
        tLS_project& p;
        explicit BuildAllScope(tLS_project& project) : p(project) {
            p.inBuildAll = 1;
            p.madeDirectories.clear();
        }
        ~BuildAllScope() {
            p.inBuildAll = 0;
            p.madeDirectories.clear();
        }
    } scope(*this);
    try {
        buildLog = LogHeader(GetProjectName(), brevic::CurrentTime());
        LanguageGuard guard(*this);
        int sources = GetSourceCount();
        if (sources <= 0) return LS_NO_SOURCES;
        if (sources > LS_MAX_SOURCES) return LS_TOO_MANY_SOURCES;
        const int firstGroup = groupCount > 1 ? 1 : 0;
        const int lastGroup = groupCount > 1 ? groupCount - 1 : 0;
        // First every page to build, in order; a step that fails ends the list, and the
        // build fails with it once the pages before it are built.
        std::deque<std::string> texts;
        std::vector<brevic::PageJob> jobs;
        tLS_Error stopped = LS_OK;
        std::string failedFile;
        tLS_FailureReason failedReason = LS_REASON_NONE;
        for (int s = 0; s < sources && stopped == LS_OK; ++s) {
            char sourcePath[LS_PATH_MAX];
            tLS_Error r = GetSourcePath(s, sourcePath);
            if (r != LS_OK) {
                stopped = r;
                break;
            }
            const char* fileName = brevic::AfterLastSeparator(sourcePath);
            if (fileName == sourcePath) {
                stopped = LS_NO_ENTRY;
                break;
            }
            // A large template is read again in pieces for every language instead of being
            // held whole: it needs no memory of its size, and its pieces stay in the cache.
            long long stampNs = 0;
            long long size = 0;
            const bool inPieces = brevic::FileStamp(sourcePath, stampNs, size) && size >= kReadInPieces;
            // A missing or unreadable template must not overwrite its targets with nothing
            // (nor be created empty).
            long sourceTime = 0;
            const bool found = brevic::FileModTime(sourcePath, sourceTime);
            texts.emplace_back();
            if (!found || (!inPieces && !LoadFile(texts.back(), sourcePath))) {
                failedFile = sourcePath;
                failedReason = found ? LS_REASON_READ : LS_REASON_NOT_FOUND;
                stopped = LS_BUILD_FAILED;
                break;
            }
            for (int g = firstGroup; g <= lastGroup; ++g) {
                char name[LS_PATH_MAX];
                if (GetGroupName(g, name) != LS_OK) {
                    stopped = LS_NO_ENTRY;
                    break;
                }
                SetActiveLanguageName(name);
                brevic::PageJob job;
                job.target = sourcePath;
                r = CreateTargetPath(job.target);
                if (r != LS_OK) {
                    stopped = r;
                    break;
                }
                job.text = inPieces ? nullptr : &texts.back();
                job.sourcePath = sourcePath;
                job.sourceTime = sourceTime;
                ActiveBases(job.bases);
                jobs.push_back(std::move(job));
            }
        }
        // The location points into the job's own copy of the path: fix it after the moves.
        for (brevic::PageJob& job : jobs) job.location = brevic::AfterLastSeparator(job.sourcePath.c_str());

        std::string logFolder;
        ProjectDirectory(logFolder);
        RemoveLeftovers(jobs, logFolder + "debug.txt");
        tLS_Error r = BuildPages(jobs, context);
        if (r != LS_OK) return r;
        if (stopped != LS_OK) {
            SetFailure(failedFile, 0);
            SetFailureCause(failedReason, failedFile, "");
            return stopped;
        }
        return DebugToFile(buildLog);
    } catch (const std::bad_alloc&) {
        return LS_BUILD_FAILED;
    }
}

tLS_Error tLS_project::BuildPages(const std::vector<brevic::PageJob>& jobs, tDebugContext* context) {
    tDebugContext privateContext;
    tDebugContext& ctx = context ? *context : privateContext;
    tCompilerSettings settings;
    GetCompilerSettings(settings);
    // Pages are built side by side when nothing ties them to one thread: the scramble
    // option carries its counter from page to page, a message list is filled as messages
    // come, and injected faults count calls in order.
    unsigned threads = std::min(8u, std::thread::hardware_concurrency());
    bool parallel = jobs.size() > 1 && threads > 1 && !settings.ScrambleCode && !ctx.messageList &&
                    !brevic::FaultsArmed();
    for (int g = 0; parallel && g < groupCount; ++g) parallel = groups[g]->PrepareLookups();
    if (parallel) {
        threads = static_cast<unsigned>(std::min<size_t>(threads, jobs.size()));
        tLS_Error result = LS_OK;
        auto done = [&](size_t i, const brevic::PageResult& page, tDebugContext& built) {
            ctx.log.swap(built.log);
            ctx.errors = built.errors;
            ctx.warnings = built.warnings;
            SetFailure("", 0);
            // Progress is that of the whole build here: pages finish faster than one shows.
            if (ctx.progress) ctx.progress->SetPos(static_cast<int>((i + 1) * 100 / jobs.size()));
            result = PageDone(page, ctx, jobs[i].target.c_str());
            return result == LS_OK;
        };
        if (brevic::BuildPagesInParallel(jobs, settings, threads, done)) return result;
    }
    for (const brevic::PageJob& job : jobs) {
        ctx.log.clear();
        SetFailure("", 0);
        tLS_macrobase* bases[3] = {job.bases[0], job.bases[1], job.bases[2]};
        tLS_Error r = PageDone(brevic::BuildPageFile(*compiler, settings, bases, job.text, job.sourcePath.c_str(),
                                                     ctx, job.target.c_str(), job.sourceTime, job.location),
                               ctx, job.target.c_str());
        if (r != LS_OK) return r;
    }
    return LS_OK;
}
