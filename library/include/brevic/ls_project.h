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
struct PageJob;
struct PageResult;
struct TemplateText;
// The threads a full build uses, for tests: 0 (the default) one per core, at most 8; 1 builds
// one page after the other. Whatever the number, a build writes the same.
BREVIC_API void SetBuildThreads(unsigned threads);
} // namespace brevic

// Shows a message of the library to the user (message 214 of a build). Without a hook the
// message goes to standard error.
using tLS_MessageHook = void (*)(const char* message);

class BREVIC_API tLS_project {
public:
    tLS_project();
    // Destroys the groups (each saves itself if modified).
    ~tLS_project();
    tLS_project(const tLS_project&) = delete;
    tLS_project& operator=(const tLS_project&) = delete;

    void SetIniFilePath(const char* path);
    const char* GetIniFilePath() const { return iniFilePath; }

    // Writes a new project file with its basis group (the path with ".mcr" for its
    // extension). LS_INVALID without an extension, LS_PROJECT_FILE when the file cannot be
    // written. Does not open the project: InitProject follows.
    tLS_Error NewProject(const char* path);
    // Closes the open project (saving modified groups) and opens `path` (null: just close).
    // LS_NO_PROJECT for a file without groups, LS_INVALID for more than 100 groups or a
    // group that does not load; a group that fails to save on closing is returned at once.
    tLS_Error InitProject(const char* path);

    int IsProject() const { return isProject; }
    char* GetProjectPath() { return isProject ? projectPath : nullptr; }
    char* GetProjectName();

    int GetGroupCount() const;                    // GroupNumber of the file
    int GetLoadedGroupCount() const { return groupCount; }
    tLS_Error GetGroupName(int index, char* name); // loaded groups; group 0 is "Neutral"
    tLS_Error GetGroupNameFromIni(int index, char* name);
    tLS_macrobase* GetActiveGroup();
    tLS_macrobase* GetBasisGroup();
    void SetActiveLanguageName(const char* name);
    char* GetActiveLanguageName() { return activeLanguage; }
    tLS_Error AddGroup(const char* macroFilePath);
    tLS_Error AddAndActivateGroup(const char* groupName);
    tLS_Error DeleteGroup(int index);

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
    // Expands `text` into `targetPath` with the basis group and the active group. Writes the
    // target unless it is newer than both `sourceTime` and every macro used (sourceTime 0
    // always writes). LS_BUILD_FAILED when the expansion fails or the target cannot be
    // written.
    tLS_Error Build(const std::string& text, tDebugContext* context, const char* targetPath,
                    long sourceTime, const char* location);
    // Builds every template for every language (or for the basis group when it is the only
    // group) and writes debug.txt beside the project file. LS_NO_PROJECT, LS_NO_SOURCES,
    // LS_TOO_MANY_SOURCES (more than 100 in the file), the errors of the steps, and
    // LS_BUILD_FAILED when a template cannot be read or debug.txt cannot be written.
    // A failed step ends the build as if the templates were built one after the other, in
    // project order, whatever the threads: the targets before it are written, nothing
    // after it is (no target, no language folder, no template created), and debug.txt is
    // not written.
    tLS_Error BuildAll(tDebugContext* context);

    // The file a failed Build or BuildAll could not read or write ("" when none), and
    // whether it was a write.
    const char* GetFailedFile() const { return failedFile.c_str(); }
    int FailedFileWasWrite() const { return failedWrite; }

    tLS_compiler* GetCompiler() { return compiler; }

    // The library-wide build log (the text of debug.txt).
    static const std::string& GetBuildLog();
    static void SetMessageHook(tLS_MessageHook hook);

private:
    tLS_Error GetGroupPathFromIni(int index, char* path);
    tLS_Error DestroyGroups();
    tLS_Error GetCompilerSettings(tCompilerSettings& settings);
    tLS_Error DebugToFile(const std::string& text);
    bool ProjectDirectory(std::string& dir) const;
    bool WriteKey(const char* section, const char* key, const char* value);
    void SetFailure(const std::string& path, int write);
    // Build of either a text or (text null) the template at sourcePath read in pieces.
    tLS_Error BuildPage(const std::string* text, const char* sourcePath, tDebugContext* context,
                        const char* targetPath, long sourceTime, const char* location);
    // The target path of CreateTargetPath without making the folder; `folder` is the
    // target's folder, `language` tells whether it is a language folder.
    tLS_Error TargetPath(std::string& path, std::string& folder, bool& language);
    // Lists the pages of the first `sources` templates in order, changing nothing on disk.
    // The error of the step that ended the list; `readFirst` then names the template read
    // before that step.
    tLS_Error ListPages(int sources, std::vector<brevic::PageJob>& jobs, std::string& readFirst);
    // The pages of a full build, in order, on as many threads as help.
    tLS_Error BuildPages(const std::vector<brevic::PageJob>& jobs, tDebugContext* context);
    // Builds one page of a full build here (its template read first when `read`) and writes
    // it; `folders` are the language folders made so far.
    tLS_Error BuildInOrder(const brevic::PageJob& job, brevic::TemplateText& text, bool read,
                           const tCompilerSettings& settings, tDebugContext& context,
                           std::unordered_set<std::string>& folders);
    static void MakeFolder(const brevic::PageJob& job, std::unordered_set<std::string>& folders);
    // The basis group and the active group, as a page is built with them.
    void ActiveBases(tLS_macrobase** bases);
    // Takes over the result of building one page: the build log, failure, progress.
    tLS_Error PageDone(const brevic::PageResult& page, tDebugContext& context, const char* targetPath);

    char iniFilePath[LS_PATH_MAX] = {};
    tLS_compiler* compiler = nullptr;
    tLS_macrobase* groups[LS_MAX_GROUPS + 1] = {};
    int groupCount = 0;
    int isProject = 0;
    char projectPath[LS_PATH_MAX] = {};
    tLS_Error groupError = LS_OK;
    char activeLanguage[LS_NAME_FIELD] = {};
    std::string failedFile;
    int failedWrite = 0;
};
