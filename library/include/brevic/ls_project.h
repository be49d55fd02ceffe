// tLS_project: a site. The project file (.hpr, INI format) lists the templates (sources)
// and the groups; group 0 is the basis group shown as "Neutral", every further group one
// language with its own macro base. The project keeps the groups' macro bases loaded,
// owns the compiler and builds targets.
//
// Paths: composed paths use "/"; every rule about "the last separator" accepts "/" and
// "\" alike; relative paths stored in the project file are written with "\". Output
// buffers hold LS_PATH_MAX bytes; a value that does not fit is refused with the
// operation's error code.
//
// Project file keys: [Groups] GroupNumber, Group0..; [Sources] SourceNumber, Source0..
// The number keys govern: entries at and beyond the number are ignored.
#pragma once

#include "brevic/ls_compiler.h"
#include "brevic/ls_types.h"

#include <string>
#include <unordered_set>
#include <vector>

class tLS_macrobase;
namespace brevic {
struct BuiltPage;
struct PageJob;
class PageWriter;
struct PageResult;
struct TemplateText;
// Stops the builds of this process: a build running stops within its current page, which
// is abandoned (its target keeps its old content), and fails with LS_REASON_CANCELLED, as
// does every build started before ResumeBuilds. Safe to call from a signal handler.
BREVIC_API void CancelBuilds();
BREVIC_API void ResumeBuilds();
BREVIC_API bool BuildsCancelled();
} // namespace brevic

// Why a build failed, beside its result code.
enum tLS_FailureReason : int32_t {
    LS_REASON_NONE = 0,
    LS_REASON_NOT_FOUND = 1, // a template listed in the project does not exist
    LS_REASON_READ = 2,      // a template could not be read
    LS_REASON_WRITE = 3,     // a page or the build log could not be written
    LS_REASON_RECURSION = 4, // macros nested deeper than 21 levels
    LS_REASON_OUTPUT = 5,    // the page grew past the output limit, or memory ran out
    LS_REASON_CANCELLED = 6, // CancelBuilds stopped the build
};

// Shows a message of the library to the user (LS_MSG_NO_LANGUAGE_SELECTED of a build). Without a
// hook the message goes to standard error.
using tLS_MessageHook = void (*)(const char* message);

class BREVIC_API tLS_project {
public:
    tLS_project();
    // Destroys the groups (each saves itself if modified).
    ~tLS_project();
    tLS_project(const tLS_project&) = delete;
    tLS_project& operator=(const tLS_project&) = delete;

    void SetIniFilePath(const char* path);

    // Closes the open project (as InitProject with null; its failure is returned) and writes
    // a new project file with its basis group (the path with ".mcr" for its extension).
    // LS_INVALID without an extension, LS_PROJECT_FILE when the file cannot be written.
    // Does not open the project: InitProject follows.
    tLS_Error NewProject(const char* path);
    // Closes the open project (saving modified groups) and opens `path` (null: just close).
    // LS_NO_PROJECT for a file without groups, LS_INVALID for more than 100 groups or a
    // group that does not load. A group that fails to save on closing is returned at once
    // (LS_BASE_WRITE; GetFailedFile names its macro file); no project is open then.
    tLS_Error InitProject(const char* path);

    // The macro files that the project file at `path` names and that do not exist: opening
    // that project (InitProject) creates them empty. Files named as InitProject names them;
    // nothing for a file with no groups or with more than InitProject accepts. LS_INVALID
    // for a null or too long path.
    static tLS_Error MissingGroupFiles(const char* path, std::vector<std::string>& missing);

    int IsProject() const { return isProject; }
    char* GetProjectPath() { return isProject ? projectPath : nullptr; }
    char* GetProjectName();

    int GetGroupCount() const; // GroupNumber of the file
    int GetLoadedGroupCount() const { return groupCount; }
    tLS_Error GetGroupName(int index, char* name); // loaded groups; group 0 is "Neutral"
    tLS_Error GetGroupNameFromIni(int index, char* name);
    // The loaded group `index` (0: the basis group), or null outside 0..loaded count - 1.
    tLS_macrobase* GetGroup(int index) {
        return index >= 0 && index < groupCount ? groups[index] : nullptr;
    }
    tLS_macrobase* GetActiveGroup();
    tLS_macrobase* GetBasisGroup();
    void SetActiveLanguageName(const char* name);
    char* GetActiveLanguageName() { return activeLanguage; }
    // Whether a group (language) name can be read back from the project file: not empty,
    // not "." or "..", shorter than LS_NAME_FIELD bytes, without "/" or "\".
    static bool IsStorableGroupName(const char* name);
    // Registers the macro file (its name; it lies beside the project file) as the next
    // group. LS_TOO_MANY_GROUPS, LS_INVALID (null, or a group name that could not be read
    // back), LS_PROJECT_FILE (no directory or extension, or the write failed),
    // LS_GROUP_EXISTS. Nothing is written on failure before the write.
    tLS_Error AddGroup(const char* macroFilePath);
    // AddGroup with the name's macro file beside the project file, which is then loaded
    // (created empty when missing) as the last group. LS_INVALID as well for a name that
    // IsStorableGroupName refuses, or a macro file that does not load.
    tLS_Error AddAndActivateGroup(const char* groupName);
    tLS_Error DeleteGroup(int index);
    // A loaded group whose entry DeleteGroup removed from the project file: it stays loaded
    // (and is saved) until the project is opened again, but is no longer built, checked or
    // offered as a language. Adding its name again brings the same group back.
    // Reads a loaded group's macro file again after another program changed it: the group's
    // object is replaced (pointers to the old one and its texts become invalid) and changes
    // held only in memory are dropped. On a file that does not load, the group stays as it
    // was and the load's error is returned.
    tLS_Error ReloadGroup(int index);
    bool IsGroupRetired(int index) const {
        return index >= 0 && index < groupCount && retired[index];
    }

    int GetSourceCount() const; // SourceNumber of the file
    tLS_Error GetSourcePath(int index, char* path);
    tLS_Error GetSourceName(int index, char* name);
    tLS_Error AddSource(const char* templatePath);
    tLS_Error DeleteSource(int index);

    // Rewrites `path` (a buffer of LS_PATH_MAX bytes) relative to the directory of `base`,
    // with "../" for every level up. LS_INVALID (path unchanged) for null arguments or a
    // result that would not fit.
    static tLS_Error GetRelativePath(const char* base, char* path);

    // Appends the file's text (text mode) to `text`, creating the file empty when missing:
    // 1. When it cannot be opened or read, `text` is emptied and the result is 0.
    static int LoadFile(std::string& text, const char* path);
    // Replaces the file with `text` in text mode, atomically: 1, or 0 when it cannot be
    // written (the previous file is then untouched).
    static int SaveFile(const std::string& text, const char* path);

    // Build driver.
    // Replaces a template's path (".tpl", a name of two characters or more) by its
    // target's: the active language's subdirectory (created) unless the basis group is
    // active, extension ".htm". LS_BAD_TARGET_PATH, LS_NOT_A_TEMPLATE; path unchanged then.
    tLS_Error CreateTargetPath(std::string& path);
    // The same path, computed only: no folder is made.
    tLS_Error TargetPathOf(std::string& path);
    // Expands `text` into `targetPath` with the basis group and the active group. Writes the
    // target unless it is newer than both `sourceTime` and every macro used (sourceTime 0
    // always writes). LS_BUILD_FAILED when the expansion fails or the target cannot be
    // written.
    tLS_Error Build(const std::string& text, tDebugContext* context, const char* targetPath,
                    long sourceTime, const char* location);
    // Expands `text` as Build does into `page` instead of a file: the bytes Build would
    // write. Nothing is written and no journal is read; the messages go to `context` and
    // the build log as Build's do. LS_BUILD_FAILED when the expansion fails.
    tLS_Error BuildToText(const std::string& text, tDebugContext* context, const char* location,
                          std::string& page);
    // Builds every template for every language (or for the basis group when it is the only
    // group) and writes debug.txt beside the project file. LS_NO_PROJECT, LS_NO_SOURCES,
    // LS_TOO_MANY_SOURCES (more than 100 in the file), the errors of the steps, and
    // LS_BUILD_FAILED when a template does not exist or cannot be read or debug.txt cannot be
    // written. A failed step ends the build as if the templates were built one after the
    // other, in project order, whatever the threads: the targets before it are written,
    // nothing after it is (no target, no language folder), and debug.txt is not written.
    // Removes the temporary files a killed build left in the folders it writes in.
    // Pages are crash-safe by the build journal beside debug.txt rather than by a flush
    // each: before the first page is put in place it names every page to build; at the end
    // the pages are flushed to disk together and the journal goes. A build that stops early
    // (a failure, CancelBuilds) leaves in it the pages it did not reach. Every build, Build
    // too, that finds a journal writes the pages it names and counts the macros it names as
    // changed, whatever the times on disk say.
    tLS_Error BuildAll(tDebugContext* context);
    // Records in the build journal every macro of the loaded groups dated `since` or later
    // (times raised in memory, which its file does not hold), so that the pages using them
    // are rebuilt by the next build of any process, should this one end before it has
    // rebuilt them. LS_NO_PROJECT, or LS_BUILD_FAILED when the journal cannot be written.
    tLS_Error JournalChangedMacros(long since);
    // Expands the template at `sourcePath` for the group `group` (index in the loaded
    // groups) as BuildAll expands its page, into `page`, and fills `map` with where each part
    // of the page came from. Nothing is written and no message is kept. LS_BAD_GROUP_INDEX,
    // LS_BUILD_FAILED (the template cannot be read, or the expansion fails), else LS_OK.
    tLS_Error MapPage(const char* sourcePath, int group, std::string& page, tLS_LineMap& map);

    // The file a failed Build or BuildAll could not read or write, or the macro file that a
    // closing InitProject could not write ("" when none), and whether it was a write.
    const char* GetFailedFile() const { return failedFile.c_str(); }
    int FailedFileWasWrite() const { return failedWrite; }
    // Why the last Build or BuildAll failed (LS_REASON_NONE when it did not or no reason is
    // known), the template being built then (its path, or the location of a single build;
    // "" when none) and the language ("" for the basis group or none).
    tLS_FailureReason GetFailureReason() const { return failureReason; }
    const char* GetFailedTemplate() const { return failedTemplate.c_str(); }
    const char* GetFailedLanguage() const { return failedLanguage.c_str(); }
    // A short English text of a reason ("file not found"); "" for LS_REASON_NONE.
    static const char* FailureReasonText(tLS_FailureReason reason);

    // The build log: the messages of the last BuildAll (the text of its debug.txt) and of
    // every Build since.
    const std::string& GetBuildLog() const { return buildLog; }
    static void SetMessageHook(tLS_MessageHook hook);

private:
    tLS_Error GetGroupPathFromIni(int index, char* path);
    tLS_Error DestroyGroups();
    tLS_Error GetCompilerSettings(tCompilerSettings& settings);
    tLS_Error DebugToFile(const std::string& text);
    bool ProjectDirectory(std::string& dir) const;
    bool WriteKey(const char* section, const char* key, const char* value);
    void SetFailure(const std::string& path, int write);
    void SetFailureCause(tLS_FailureReason reason, const std::string& templatePath,
                         const std::string& language);
    // Build of either a text or (text null) the template at sourcePath read in pieces; with
    // `page`, into it instead of the target.
    tLS_Error BuildPage(const std::string* text, const char* sourcePath, tDebugContext* context,
                        const char* targetPath, long sourceTime, const char* location,
                        std::string* page = nullptr);
    // The target path of CreateTargetPath without making the folder; `folder` is the
    // target's folder, `language` tells whether it is a language folder.
    tLS_Error TargetPath(std::string& path, std::string& folder, bool& language);
    // Lists the pages of the first `sources` templates in order, changing nothing on disk.
    // The error of the step that ended the list; `readFirst` then names the template read
    // before that step.
    tLS_Error ListPages(int sources, std::vector<brevic::PageJob>& jobs, std::string& readFirst);
    // The pages of a full build, in order, on as many threads as help, all put in place
    // through `writer`.
    tLS_Error BuildPages(const std::vector<brevic::PageJob>& jobs, tDebugContext* context,
                         brevic::PageWriter& writer);
    // Builds one page of a full build here (its template read first when `read`) and writes
    // it through `writer`.
    tLS_Error BuildInOrder(const brevic::PageJob& job, brevic::TemplateText& text, bool read,
                           const tCompilerSettings& settings, tDebugContext& context,
                           brevic::PageWriter& writer);
    // Puts a page built side by side in place (or builds it here when it was left for its
    // turn).
    tLS_Error PlaceBuilt(const brevic::PageJob& job, brevic::BuiltPage& page,
                         const tCompilerSettings& settings, tDebugContext& context,
                         brevic::PageWriter& writer);
    // The pages of BuildAll with the journal around them: read, written before the first page
    // and removed (or left with what was not built) at the end.
    tLS_Error BuildJournaled(std::vector<brevic::PageJob>& jobs, tDebugContext* context);
    // The failure of a build stopped by CancelBuilds at `job`.
    tLS_Error Cancelled(const brevic::PageJob& job);
    // The journal's path beside debug.txt ("" without a project folder).
    std::string JournalPath() const;
    // The basis group and the active group, as a page is built with them.
    void ActiveBases(tLS_macrobase** bases);
    // Takes over the result of building one page: the build log, failure, progress.
    tLS_Error PageDone(const brevic::PageResult& page, tDebugContext& context,
                       const char* targetPath);

    char iniFilePath[LS_PATH_MAX] = {};
    tLS_compiler* compiler = nullptr;
    tLS_macrobase* groups[LS_MAX_GROUPS + 1] = {};
    bool retired[LS_MAX_GROUPS + 1] = {};
    int groupCount = 0;
    int isProject = 0;
    char projectPath[LS_PATH_MAX] = {};
    tLS_Error groupError = LS_OK;
    char activeLanguage[LS_NAME_FIELD] = {};
    std::string failedFile;
    int failedWrite = 0;
    tLS_FailureReason failureReason = LS_REASON_NONE;
    std::string failedTemplate;
    std::string failedLanguage;
    std::string buildLog;
    // The options of the settings file, read again only when the file changed: a full build
    // asks for them once per page.
    struct SettingsCache {
        std::string path;
        long long mtimeNs = -1;
        long long size = -1;
        bool exists = false;
        tCompilerSettings settings;
        bool valid = false;
    } settingsCache;
};
