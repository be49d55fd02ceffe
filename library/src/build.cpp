// Build driver: target paths, single-target builds, full builds and the build log.
#include "brevic/ls_files.h"
#include "brevic/ls_macrobase.h"
#include "brevic/ls_profile.h"
#include "brevic/ls_project.h"
#include "brevic/ls_testing.h"
#include "journal.h"
#include "pages.h"
#include "strings.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>
#include <unordered_set>
#include <vector>

namespace {

tLS_MessageHook g_messageHook = nullptr;

// Why a template could not be read: it is not there, or it is and cannot be read.
tLS_FailureReason UnreadReason(const std::string& path) {
    long time = 0;
    return brevic::FileModTime(path.c_str(), time) ? LS_REASON_READ : LS_REASON_NOT_FOUND;
}

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
    std::unordered_set<std::string> seen; // the pages' folders, each looked at once
    auto clean = [&cleaned](const char* path) {
        std::string folder = brevic::WriteFolder(path);
        if (!folder.empty() && cleaned.insert(folder).second)
            brevic::RemoveLeftoverTemporaries(folder);
    };
    for (const brevic::PageJob& job : jobs) {
        if (seen.insert(job.folder).second) clean(job.target.c_str());
    }
    clean(logPath.c_str());
}

} // namespace

const char* tLS_project::FailureReasonText(tLS_FailureReason reason) {
    switch (reason) {
    case LS_REASON_NONE:
        break;
    case LS_REASON_NOT_FOUND:
        return "file not found";
    case LS_REASON_READ:
        return "cannot read";
    case LS_REASON_WRITE:
        return "cannot write";
    case LS_REASON_RECURSION:
        return "recursion depth: macros nested deeper than 21 levels";
    case LS_REASON_OUTPUT:
        return "output limit: the page grew too large (or memory ran out)";
    case LS_REASON_CANCELLED:
        return "interrupted";
    }
    return "";
}
void tLS_project::SetMessageHook(tLS_MessageHook hook) {
    g_messageHook = hook;
}

tLS_Error tLS_project::GetCompilerSettings(tCompilerSettings& s) {
    long long mtime = -1;
    long long size = -1;
    const bool exists = iniFilePath[0] && brevic::FileStamp(iniFilePath, mtime, size);
    SettingsCache& c = settingsCache;
    if (c.valid && c.path == iniFilePath && c.exists == exists && c.mtimeNs == mtime &&
        c.size == size) {
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
    std::string folder;
    bool language = false;
    const tLS_Error r = TargetPath(path, folder, language);
    // A failure to make the folder shows when the target is written.
    if (r == LS_OK && language) brevic::MakeDirectory(folder.c_str());
    return r;
}

tLS_Error tLS_project::TargetPathOf(std::string& path) {
    std::string folder;
    bool language = false;
    return TargetPath(path, folder, language);
}

tLS_Error tLS_project::TargetPath(std::string& path, std::string& folder, bool& language) {
    size_t sep = brevic::LastSeparator(path);
    if (sep == std::string::npos || sep < 2) return LS_BAD_TARGET_PATH;
    std::string dir = path.substr(0, sep);
    std::string file = path.substr(sep); // with its separator
    size_t dot = file.rfind('.');
    if (dot == std::string::npos || dot < 3) return LS_BAD_TARGET_PATH;
    if (file.compare(dot, std::string::npos, ".tpl") != 0) return LS_NOT_A_TEMPLATE;
    file.replace(dot, std::string::npos, ".htm");
    tLS_macrobase* active = GetActiveGroup();
    language = active && active != GetBasisGroup();
    if (language) {
        dir += '/';
        dir += active->GetName();
    }
    std::string target = dir + file;
    if (target.size() >= static_cast<size_t>(LS_PATH_MAX)) return LS_BAD_TARGET_PATH;
    path.swap(target);
    folder.swap(dir);
    return LS_OK;
}

tLS_Error tLS_project::Build(const std::string& text, tDebugContext* context,
                             const char* targetPath, long sourceTime, const char* location) {
    return BuildPage(&text, nullptr, context, targetPath, sourceTime, location);
}

tLS_Error tLS_project::BuildToText(const std::string& text, tDebugContext* context,
                                   const char* location, std::string& page) {
    // sourceTime 0: always expanded, no journal read, no file compared.
    return BuildPage(&text, nullptr, context, location, 0, location, &page);
}

tLS_Error tLS_project::BuildPage(const std::string* text, const char* sourcePath,
                                 tDebugContext* context, const char* targetPath, long sourceTime,
                                 const char* location, std::string* page) {
    tDebugContext privateContext;
    tDebugContext& ctx = context ? *context : privateContext;
    SetFailure("", 0);
    try {
        ctx.log.clear();
        tCompilerSettings settings;
        GetCompilerSettings(settings);
        // A page the journal names is written whatever the times say, and macros it names
        // count as changed.
        brevic::BuildJournal journal;
        if (sourceTime != 0 && journal.Read(JournalPath())) {
            journal.Apply(groups, groupCount);
            if (std::find(journal.pages.begin(), journal.pages.end(), targetPath) !=
                journal.pages.end())
                sourceTime = 0;
        }
        tLS_macrobase* bases[3] = {nullptr, nullptr, nullptr};
        ActiveBases(bases);
        brevic::PageInput input;
        input.text = text;
        input.sourcePath = sourcePath;
        input.targetPath = targetPath;
        input.location = location;
        input.sourceTime = sourceTime;
        input.bases = bases;
        if (!page) {
            return PageDone(brevic::BuildPageFile(*compiler, settings, input, ctx,
                                                  brevic::PageMode::InPlace, nullptr),
                            ctx, targetPath);
        }
        input.targetPath = "";
        brevic::BuiltPage built;
        const tLS_Error r = PageDone(brevic::BuildPageFile(*compiler, settings, input, ctx,
                                                           brevic::PageMode::Memory, &built),
                                     ctx, targetPath);
        page->swap(built.text);
        return r;
    } catch (const std::bad_alloc&) {
        return LS_BUILD_FAILED;
    }
}

tLS_Error tLS_project::MapPage(const char* sourcePath, int group, std::string& page,
                               tLS_LineMap& map) {
    if (group < 0 || group >= groupCount) return LS_BAD_GROUP_INDEX;
    try {
        std::string text;
        if (!sourcePath || !brevic::ReadTextFile(sourcePath, text)) return LS_BUILD_FAILED;
        tCompilerSettings settings;
        GetCompilerSettings(settings);
        // The bases of ActiveBases for that language, without its warning.
        tLS_macrobase* bases[3] = {groups[0], group > 0 ? groups[group] : nullptr, nullptr};
        tLS_compiler mapper;
        unsigned long examined = 0; // the library-wide counter is the builds' own
        mapper.CountInto(&examined);
        map.Clear();
        mapper.SetLineMap(&map);
        page.clear();
        tDebugContext quiet;
        return mapper.BuildTarget(text, page, &quiet, bases, brevic::AfterLastSeparator(sourcePath),
                                  &settings);
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

tLS_Error tLS_project::PageDone(const brevic::PageResult& page, tDebugContext& ctx,
                                const char* targetPath) {
    if (page.expanded) buildLog += ctx.log;
    if (page.error != LS_OK) {
        SetFailure(page.failedFile, page.failedWrite);
        SetFailureCause(page.reason, page.templatePath, page.language);
        return page.error;
    }
    if (ctx.progress) {
        tLS_Target target;
        target.path = targetPath;
        target.templatePath = page.templatePath.c_str();
        target.language = page.language.c_str();
        target.written = page.written;
        ctx.progress->TargetDone(target, ctx.log);
    }
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
    try {
        buildLog = LogHeader(GetProjectName(), brevic::CurrentTime());
        LanguageGuard guard(*this);
        int sources = GetSourceCount();
        if (sources <= 0) return LS_NO_SOURCES;
        if (sources > LS_MAX_SOURCES) return LS_TOO_MANY_SOURCES;
        // First every page to build, in order; a step that fails ends the list, and the
        // build fails with it once the pages before it are built.
        std::vector<brevic::PageJob> jobs;
        std::string readFirst;
        const tLS_Error stopped = ListPages(sources, jobs, readFirst);
        tLS_Error r = BuildJournaled(jobs, context);
        if (r != LS_OK) return r;
        if (stopped != LS_OK) {
            // The step that failed came after its template was read: that read comes first.
            brevic::TemplateText text;
            if (!readFirst.empty() && !brevic::ReadTemplate(readFirst.c_str(), text)) {
                SetFailure(readFirst, 0);
                SetFailureCause(UnreadReason(readFirst), readFirst, "");
                return LS_BUILD_FAILED;
            }
            return stopped;
        }
        return DebugToFile(buildLog);
    } catch (const std::bad_alloc&) {
        return LS_BUILD_FAILED;
    }
}

tLS_Error tLS_project::ListPages(int sources, std::vector<brevic::PageJob>& jobs,
                                 std::string& readFirst) {
    const int firstGroup = groupCount > 1 ? 1 : 0;
    const int lastGroup = groupCount > 1 ? groupCount - 1 : 0;
    for (int s = 0; s < sources; ++s) {
        char sourcePath[LS_PATH_MAX];
        tLS_Error r = GetSourcePath(s, sourcePath);
        if (r != LS_OK) return r;
        if (brevic::AfterLastSeparator(sourcePath) == sourcePath) return LS_NO_ENTRY;
        readFirst = sourcePath; // a failure from here on comes after the template is read
        for (int g = firstGroup; g <= lastGroup; ++g) {
            if (retired[g]) continue;
            char name[LS_PATH_MAX];
            if (GetGroupName(g, name) != LS_OK) return LS_NO_ENTRY;
            SetActiveLanguageName(name);
            brevic::PageJob job;
            job.target = sourcePath;
            r = TargetPath(job.target, job.folder, job.makeFolder);
            if (r != LS_OK) return r;
            job.sourcePath = sourcePath;
            job.source = static_cast<size_t>(s);
            ActiveBases(job.bases);
            jobs.push_back(std::move(job));
        }
        readFirst.clear();
    }
    return LS_OK;
}

tLS_Error tLS_project::BuildJournaled(std::vector<brevic::PageJob>& jobs, tDebugContext* context) {
    const std::string path = JournalPath();
    brevic::BuildJournal found;
    // A journal no build holds is a killed build's: its temporary files go. (Pages are
    // written into temporary files without a lock each; the journal held tells them from a
    // running build's.)
    const bool held = brevic::JournalHeld(path);
    if (found.Read(path) && !held) {
        std::string logFolder;
        ProjectDirectory(logFolder);
        RemoveLeftovers(jobs, logFolder + "debug.txt");
    }
    // A build killed while it wrote the journal leaves the journal's temporary file and no
    // journal; nobody writes a journal here but a build that holds it.
    if (!path.empty() && !held)
        brevic::RemoveLeftoverTemporaries(brevic::WriteFolder(path.c_str()),
                                          brevic::AfterLastSeparator(path.c_str()));
    found.Apply(groups, groupCount);
    const std::unordered_set<std::string> named(found.pages.begin(), found.pages.end());
    brevic::BuildJournal journal;
    journal.id = brevic::BuildJournal::NewId();
    journal.macros = found.macros;
    for (brevic::PageJob& job : jobs) {
        job.forced = named.count(job.target) > 0;
        journal.pages.push_back(job.target);
    }
    if (!path.empty() && !jobs.empty() && !journal.Write(path)) {
        SetFailure(path, 1);
        SetFailureCause(LS_REASON_WRITE, "", "");
        return LS_BUILD_FAILED;
    }
    const brevic::JournalHold hold(path);
    brevic::PageWriter writer;
    const tLS_Error r = BuildPages(jobs, context, writer);
    // What was written is on disk before the journal stops naming it; should the flush fail,
    // the journal keeps naming every page.
    if (path.empty() || !writer.Flush()) return r;
    journal.pages.erase(journal.pages.begin(),
                        journal.pages.begin() + static_cast<long>(writer.DoneCount()));
    brevic::BuildJournal there;
    if (!there.Read(path) || there.id != journal.id) return r; // another build's by now
    if (journal.pages.empty()) {
        journal.RemoveIfOwn(path);
    } else {
        journal.Write(path); // what is left to build (a failed write leaves it all named)
    }
    return r;
}

tLS_Error tLS_project::JournalChangedMacros(long since) {
    if (!isProject) return LS_NO_PROJECT;
    const std::string path = JournalPath();
    brevic::BuildJournal journal;
    journal.Read(path);
    journal.id = brevic::BuildJournal::NewId(); // a build running meanwhile must not remove it
    for (int g = 0; g < groupCount; ++g) {
        for (int i = 0; i <= groups[g]->GetLastIndex(); ++i) {
            tBaseMember* member = nullptr;
            if (groups[g]->GetMacroContent(i, member) == LS_OK && member->lastModified >= since)
                journal.AddMacro(groups[g]->GetFilePath(), member->name, member->lastModified);
        }
    }
    if (path.empty() || !journal.Write(path)) {
        SetFailure(path, 1);
        return LS_BUILD_FAILED;
    }
    return LS_OK;
}

std::string tLS_project::JournalPath() const {
    std::string dir;
    return ProjectDirectory(dir) ? brevic::BuildJournal::PathIn(dir) : std::string();
}

tLS_Error tLS_project::BuildPages(const std::vector<brevic::PageJob>& jobs, tDebugContext* context,
                                  brevic::PageWriter& writer) {
    tDebugContext privateContext;
    tDebugContext& ctx = context ? *context : privateContext;
    tCompilerSettings settings;
    GetCompilerSettings(settings);
    // Pages are built side by side when nothing ties them to one thread: the scramble
    // option carries its counter from page to page, a message list is filled as messages
    // come, and injected faults count calls in order.
    unsigned threads = brevic::BuildThreads();
    bool parallel = jobs.size() > 1 && threads > 1 && !settings.ScrambleCode && !ctx.messageList &&
                    !brevic::FaultsArmed();
    for (int g = 0; parallel && g < groupCount; ++g)
        parallel = groups[g]->PrepareLookups();
    if (parallel) {
        threads = static_cast<unsigned>(std::min<size_t>(threads, jobs.size()));
        tLS_Error result = LS_OK;
        auto place = [&](size_t i, brevic::BuiltPage& page) {
            result = PlaceBuilt(jobs[i], page, settings, ctx, writer);
            // Progress is that of the whole build here: pages finish faster than one shows.
            if (ctx.progress) ctx.progress->SetPos(static_cast<int>((i + 1) * 100 / jobs.size()));
            return result == LS_OK;
        };
        if (brevic::BuildPagesInParallel(jobs, settings, threads, place)) return result;
    }
    brevic::TemplateText text; // the template of the page, read when the build reaches it
    for (size_t i = 0; i < jobs.size(); ++i) {
        const bool read = i == 0 || jobs[i].source != jobs[i - 1].source;
        tLS_Error r = BuildInOrder(jobs[i], text, read, settings, ctx, writer);
        if (r != LS_OK) return r;
    }
    return LS_OK;
}

tLS_Error tLS_project::PlaceBuilt(const brevic::PageJob& job, brevic::BuiltPage& page,
                                  const tCompilerSettings& settings, tDebugContext& ctx,
                                  brevic::PageWriter& writer) {
    if (brevic::BuildsCancelled()) return Cancelled(job);
    if (page.inOrder) {
        brevic::TemplateText text;
        return BuildInOrder(job, text, true, settings, ctx, writer);
    }
    // Its folder is made only now, at its turn.
    const bool made = page.result.error == LS_OK && page.result.written && writer.MakeFolder(job);
    if (page.result.error == LS_OK) writer.Place(job, page, made);
    ctx.log.swap(page.context.log);
    ctx.errors = page.context.errors;
    ctx.warnings = page.context.warnings;
    SetFailure("", 0);
    const tLS_Error r = PageDone(page.result, ctx, job.target.c_str());
    if (r == LS_OK) writer.Done(job, page.result.written);
    return r;
}

tLS_Error tLS_project::Cancelled(const brevic::PageJob& job) {
    SetFailure("", 0);
    SetFailureCause(LS_REASON_CANCELLED, job.sourcePath,
                    job.bases[1] ? job.bases[1]->GetName() : "");
    return LS_BUILD_FAILED;
}

tLS_Error tLS_project::BuildInOrder(const brevic::PageJob& job, brevic::TemplateText& text,
                                    bool read, const tCompilerSettings& settings,
                                    tDebugContext& ctx, brevic::PageWriter& writer) {
    ctx.log.clear();
    SetFailure("", 0);
    if (brevic::BuildsCancelled()) return Cancelled(job);
    // A missing or unreadable template must not overwrite its targets with nothing (nor be
    // created empty).
    if (read && !brevic::ReadTemplate(job.sourcePath.c_str(), text)) {
        SetFailure(job.sourcePath, 0);
        SetFailureCause(UnreadReason(job.sourcePath), job.sourcePath, "");
        return LS_BUILD_FAILED;
    }
    const bool made = writer.MakeFolder(job);
    tLS_macrobase* bases[3] = {job.bases[0], job.bases[1], job.bases[2]};
    brevic::PageInput input;
    input.text = text.inPieces ? nullptr : &text.text;
    input.sourcePath = job.sourcePath.c_str();
    input.targetPath = job.target.c_str();
    input.location = brevic::AfterLastSeparator(input.sourcePath);
    input.sourceTime = job.forced ? 0 : text.sourceTime;
    input.bases = bases;
    input.flush = false;
    const brevic::PageResult page =
        brevic::BuildPageFile(*compiler, settings, input, ctx, brevic::PageMode::InPlace, nullptr);
    if (page.error != LS_OK) writer.Undo(job, made);
    const tLS_Error r = PageDone(page, ctx, job.target.c_str());
    if (r == LS_OK) writer.Done(job, page.written);
    return r;
}
