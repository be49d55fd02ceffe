// Build driver: target paths, single-target builds, full builds and the build log.
#include "brevic/ls_files.h"
#include "brevic/ls_macrobase.h"
#include "brevic/ls_profile.h"
#include "brevic/ls_project.h"
#include "strings.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

std::string g_buildLog;
// The output buffer of a page written while it is expanded: a little more than the part
// that is handed to the file at a time.
constexpr size_t kStreamReserve = size_t(1) << 18;
// Templates from this size on are read in pieces.
constexpr long long kReadInPieces = 4LL << 20;
tLS_MessageHook g_messageHook = nullptr;

const char kMessage214[] = "There are one or more languages defined, but none of them is selected\n"
                           "The file might be shown inconsistent.";

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

} // namespace

const std::string& tLS_project::GetBuildLog() { return g_buildLog; }
void tLS_project::SetMessageHook(tLS_MessageHook hook) { g_messageHook = hook; }

namespace {

// The options of the settings file, read again only when the file changed: a full build
// asks for them once per page.
struct SettingsCache {
    std::string path;
    long long mtimeNs = -1;
    long long size = -1;
    bool exists = false;
    tCompilerSettings settings;
    bool valid = false;
};
SettingsCache g_settingsCache;

int IntValue(const std::string& text, const char* key, int def) {
    std::string value;
    if (!brevic::FindProfileValue(text, "COMPILER", key, value)) return def;
    // The same reading as GetPrivateProfileInt: a leading decimal number.
    const char* p = value.c_str();
    char* end = nullptr;
    long v = std::strtol(p, &end, 10);
    if (end == p) return def;
    if (v > INT32_MAX) v = INT32_MAX;
    if (v < INT32_MIN) v = INT32_MIN;
    return static_cast<int>(v);
}

} // namespace

tLS_Error tLS_project::GetCompilerSettings(tCompilerSettings& s) {
    long long mtime = -1;
    long long size = -1;
    const bool exists = iniFilePath[0] && brevic::FileStamp(iniFilePath, mtime, size);
    SettingsCache& c = g_settingsCache;
    if (c.valid && c.path == iniFilePath && c.exists == exists && c.mtimeNs == mtime && c.size == size) {
        s = c.settings;
        return LS_OK;
    }
    std::string text;
    if (exists) brevic::ReadTextFile(iniFilePath, text);
    s.RemoveAttr = IntValue(text, "RemoveAttr", 1);
    s.RemoveNewLineOnTags = IntValue(text, "RemoveNewLineOnTags", 0);
    s.ScrambleCode = IntValue(text, "ScrambleCode", 0);
    s.CaseSensitive = IntValue(text, "CaseSensitive", 1);
    s.ScrambleBlockSize = IntValue(text, "ScrambleBlockSize", 10);
    s.ConvertISO = IntValue(text, "ConvertISO", 1);
    s.RemoveTab = IntValue(text, "RemoveTab", 1);
    s.SyntaxCheck = IntValue(text, "SyntaxCheck", 1);
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
        int count = 0;
        if (groupCount > 0) bases[count++] = groups[0];
        if (groupCount > 1) {
            tLS_macrobase* active = GetActiveGroup();
            if (active == groups[0]) {
                ShowMessage(kMessage214);
            } else if (active) {
                bases[count++] = active;
            }
        }

        // Whether the target is written is known before expanding, unless only a changed
        // macro could make it out of date. When it is known, finished output goes to the
        // file while expanding, so that a large page needs no memory of its size.
        long targetTime = 0;
        const bool exists = brevic::FileModTime(targetPath, targetTime);
        const bool writeKnown = sourceTime == 0 || !exists || sourceTime >= targetTime;
        brevic::FileWriter file(targetPath, true);
        // Otherwise: room for twice the template, as macros usually make the page longer
        // and growing a large string copies it. Untouched room costs no memory.
        brevic::TextFileReader reader;
        if (!text && !reader.Open(sourcePath)) {
            SetFailure(sourcePath, 0);
            return LS_BUILD_FAILED;
        }
        const size_t size = text ? text->size() : static_cast<size_t>(reader.FileSize());
        std::string output;
        output.reserve(writeKnown ? std::min(size * 2, kStreamReserve) + 4096 : size * 2 + 4096);
        brevic::AdviseLargeBuffer(output);
        compiler->SetOutputFile(writeKnown ? &file : nullptr);
        tLS_Error built = text ? compiler->BuildTarget(*text, output, &ctx, bases, location, &settings)
                               : compiler->BuildTarget(reader, output, &ctx, bases, location, &settings);
        compiler->SetOutputFile(nullptr);
        if (built != LS_OK) {
            if (file.Failed()) SetFailure(targetPath ? targetPath : "", 1);
            if (reader.Failed()) SetFailure(sourcePath, 0);
            return LS_BUILD_FAILED;
        }
        g_buildLog += ctx.log;

        const bool write = writeKnown || compiler->GetModified() >= targetTime;
        if (write && !(file.Write(output) && file.Commit())) {
            SetFailure(targetPath ? targetPath : "", 1);
            return LS_BUILD_FAILED;
        }
        if (ctx.progress) ctx.progress->TargetDone(targetPath, write ? 1 : 0, ctx.log);
    } catch (const std::bad_alloc&) {
        return LS_BUILD_FAILED;
    }
    return LS_OK;
}

tLS_Error tLS_project::DebugToFile(const std::string& text) {
    std::string dir;
    if (!ProjectDirectory(dir)) return LS_INVALID;
    std::string path = dir + "debug.txt";
    if (!SaveFile(text, path.c_str())) {
        SetFailure(path, 1);
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
        g_buildLog = LogHeader(GetProjectName(), brevic::CurrentTime());
        LanguageGuard guard(*this);
        int sources = GetSourceCount();
        if (sources <= 0) return LS_NO_SOURCES;
        if (sources > LS_MAX_SOURCES) return LS_TOO_MANY_SOURCES;
        const int firstGroup = groupCount > 1 ? 1 : 0;
        const int lastGroup = groupCount > 1 ? groupCount - 1 : 0;
        for (int s = 0; s < sources; ++s) {
            char sourcePath[LS_PATH_MAX];
            tLS_Error r = GetSourcePath(s, sourcePath);
            if (r != LS_OK) return r;
            const char* fileName = brevic::AfterLastSeparator(sourcePath);
            if (fileName == sourcePath) return LS_NO_ENTRY;
            // A large template is read again in pieces for every language instead of being
            // held whole: it needs no memory of its size, and its pieces stay in the cache.
            long long stampNs = 0;
            long long size = 0;
            const bool inPieces = brevic::FileStamp(sourcePath, stampNs, size) && size >= kReadInPieces;
            std::string text;
            if (!inPieces && !LoadFile(text, sourcePath)) {
                // An unreadable template must not overwrite its targets with nothing.
                SetFailure(sourcePath, 0);
                return LS_BUILD_FAILED;
            }
            long sourceTime = 0;
            brevic::FileModTime(sourcePath, sourceTime);
            for (int g = firstGroup; g <= lastGroup; ++g) {
                char name[LS_PATH_MAX];
                if (GetGroupName(g, name) != LS_OK) return LS_NO_ENTRY;
                SetActiveLanguageName(name);
                std::string target = sourcePath;
                r = CreateTargetPath(target);
                if (r != LS_OK) return r;
                r = BuildPage(inPieces ? nullptr : &text, sourcePath, context, target.c_str(), sourceTime,
                              fileName);
                if (r != LS_OK) return r;
            }
        }
        return DebugToFile(g_buildLog);
    } catch (const std::bad_alloc&) {
        return LS_BUILD_FAILED;
    }
}
