// Project model: the project file, its groups and sources.
#include "brevic/ls_project.h"

#include "brevic/ls_files.h"
#include "brevic/ls_macrobase.h"
#include "brevic/ls_profile.h"
#include "strings.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

namespace {

const char kGroups[] = "Groups";
const char kSources[] = "Sources";

std::string EntryKey(const char* prefix, int index) {
    return prefix + std::to_string(index);
}

// Relative paths are stored with "\" and read with either separator.
std::string ToStored(std::string path) {
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}
std::string FromStored(std::string path) {
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

} // namespace

tLS_project::tLS_project() : compiler(new tLS_compiler) {}

tLS_project::~tLS_project() {
    DestroyGroups();
    delete compiler;
}

void tLS_project::SetIniFilePath(const char* path) {
    if (!path || !brevic::CopyChecked(iniFilePath, sizeof iniFilePath, path)) iniFilePath[0] = '\0';
}

bool tLS_project::ProjectDirectory(std::string& dir) const {
    const char* file = brevic::AfterLastSeparator(projectPath);
    if (file == projectPath) return false;
    dir.assign(projectPath, static_cast<size_t>(file - projectPath));
    return true;
}

bool tLS_project::WriteKey(const char* section, const char* key, const char* value) {
    return WritePrivateProfileString(section, key, value, projectPath) != 0;
}

char* tLS_project::GetProjectName() {
    char* file = const_cast<char*>(brevic::AfterLastSeparator(projectPath));
    return file == projectPath ? nullptr : file;
}

tLS_Error tLS_project::DestroyGroups() {
    tLS_Error failure = LS_OK;
    for (int i = 0; i < groupCount; ++i) {
        std::string path = groups[i]->GetFilePath();
        groupError = LS_OK;
        delete groups[i];
        groups[i] = nullptr;
        retired[i] = false;
        if (groupError != LS_OK && failure == LS_OK) {
            failure = groupError;
            SetFailure(path, 1);
        }
    }
    groupError = LS_OK;
    groupCount = 0;
    return failure;
}

tLS_Error tLS_project::NewProject(const char* path) {
    tLS_Error closed = InitProject(nullptr);
    if (closed != LS_OK) return closed;
    if (!path || !brevic::CopyChecked(projectPath, sizeof projectPath, path)) return LS_INVALID;
    const char* dot = std::strrchr(projectPath, '.');
    if (!dot || dot < brevic::AfterLastSeparator(projectPath)) return LS_INVALID;
    std::string basis(projectPath, static_cast<size_t>(dot - projectPath));
    basis += ".mcr";
    AddGroup(basis.c_str());
    return WriteKey(kGroups, "GroupNumber", "1") ? LS_OK : LS_PROJECT_FILE;
}

tLS_Error tLS_project::InitProject(const char* path) {
    tLS_Error closed = DestroyGroups();
    if (closed != LS_OK) {
        isProject = 0; // the groups are gone: nothing may look open
        return closed;
    }
    if (!path) {
        isProject = 0;
        return LS_OK;
    }
    // A failed open leaves no project open, so nothing builds against a half-loaded one.
    isProject = 0;
    if (!brevic::CopyChecked(projectPath, sizeof projectPath, path)) return LS_INVALID;
    int n = GetGroupCount();
    if (n > LS_MAX_GROUPS) return LS_INVALID;
    if (n <= 0) return LS_NO_PROJECT;
    for (int i = 0; i < n; ++i) {
        char groupPath[LS_PATH_MAX];
        if (GetGroupPathFromIni(i, groupPath) != LS_OK) {
            DestroyGroups();
            return LS_INVALID;
        }
        tLS_macrobase* base = new (std::nothrow) tLS_macrobase(groupPath, &groupError);
        if (!base) {
            DestroyGroups();
            return LS_INVALID;
        }
        groups[groupCount++] = base;
        if (groupError != LS_OK) {
            DestroyGroups();
            groupError = LS_OK;
            return LS_INVALID;
        }
    }
    activeLanguage[0] = '\0';
    isProject = 1;
    groups[0]->SetBaseName("Neutral");
    return LS_OK;
}

tLS_Error tLS_project::MissingGroupFiles(const char* path, std::vector<std::string>& missing) {
    missing.clear();
    // A project object that is never opened reads the file's entries as an open one would.
    std::unique_ptr<tLS_project> probe(new (std::nothrow) tLS_project);
    if (!probe || !path ||
        !brevic::CopyChecked(probe->projectPath, sizeof probe->projectPath, path))
        return LS_INVALID;
    const int n = probe->GetGroupCount();
    for (int i = 0; i < n && n <= LS_MAX_GROUPS; ++i) {
        char groupPath[LS_PATH_MAX];
        if (probe->GetGroupPathFromIni(i, groupPath) == LS_OK && !brevic::FileExists(groupPath))
            missing.emplace_back(groupPath);
    }
    return LS_OK;
}

int tLS_project::GetGroupCount() const {
    return GetPrivateProfileInt(kGroups, "GroupNumber", 0, projectPath);
}

int tLS_project::GetSourceCount() const {
    return GetPrivateProfileInt(kSources, "SourceNumber", 0, projectPath);
}

tLS_Error tLS_project::GetGroupName(int index, char* name) {
    if (!name || index < 0 || index >= groupCount) return LS_BAD_GROUP_INDEX;
    brevic::CopyChecked(name, LS_PATH_MAX, groups[index]->GetName());
    return LS_OK;
}

tLS_Error tLS_project::GetGroupNameFromIni(int index, char* name) {
    if (!name || index < 0 || index >= GetGroupCount()) return LS_NO_ENTRY;
    std::string value;
    if (!brevic::ReadProfileValue(kGroups, EntryKey("Group", index).c_str(), value, projectPath))
        return LS_NO_ENTRY;
    // A group entry is a file name beside the project file, never a path elsewhere.
    if (value.find_first_of("/\\") != std::string::npos) return LS_NO_ENTRY;
    size_t dot = value.rfind('.');
    if (dot != std::string::npos) value.resize(dot);
    // "." and ".." would put the language's pages outside the template's folder.
    if (value.empty() || value == "." || value == ".." ||
        !brevic::CopyChecked(name, LS_PATH_MAX, value))
        return LS_NO_ENTRY;
    return LS_OK;
}

tLS_Error tLS_project::GetGroupPathFromIni(int index, char* path) {
    char name[LS_PATH_MAX];
    std::string dir;
    if (index < 0 || GetGroupNameFromIni(index, name) != LS_OK) return LS_NO_ENTRY;
    // The name must fit the group's name field, or the active language could never match it.
    if (std::strlen(name) >= static_cast<size_t>(LS_NAME_FIELD)) return LS_NO_ENTRY;
    ProjectDirectory(dir);
    std::string full = dir + name + ".mcr";
    return brevic::CopyChecked(path, LS_PATH_MAX, full) ? LS_OK : LS_NO_ENTRY;
}

tLS_macrobase* tLS_project::GetActiveGroup() {
    for (int i = 0; i < groupCount; ++i) {
        if (std::strcmp(groups[i]->GetName(), activeLanguage) == 0) return groups[i];
    }
    return nullptr;
}

tLS_macrobase* tLS_project::GetBasisGroup() {
    return groupCount > 0 ? groups[0] : nullptr;
}

void tLS_project::SetActiveLanguageName(const char* name) {
    if (name) brevic::CopyTruncated(activeLanguage, sizeof activeLanguage, name, std::strlen(name));
}

// The names GetGroupNameFromIni and GetGroupPathFromIni accept.
bool tLS_project::IsStorableGroupName(const char* name) {
    // "." and ".." would put the language's pages outside the template's folder.
    if (!name || !*name || std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0)
        return false;
    return std::strlen(name) < static_cast<size_t>(LS_NAME_FIELD) && !std::strpbrk(name, "/\\");
}

tLS_Error tLS_project::AddGroup(const char* macroFilePath) {
    int n = GetGroupCount();
    if (n >= LS_MAX_GROUPS) return LS_TOO_MANY_GROUPS;
    if (!macroFilePath) return LS_INVALID;
    const char* file = brevic::AfterLastSeparator(macroFilePath);
    if (file == macroFilePath) return LS_PROJECT_FILE;
    const char* dot = std::strrchr(file, '.');
    if (!dot || dot == file) return LS_PROJECT_FILE;
    std::string name(file, static_cast<size_t>(dot - file));
    // A name the reader refuses would make the project impossible to open.
    if (!IsStorableGroupName(name.c_str()) || std::strlen(file) >= LS_PATH_MAX) return LS_INVALID;
    for (int i = 0; i < n; ++i) {
        char existing[LS_PATH_MAX];
        if (GetGroupNameFromIni(i, existing) == LS_OK && name == existing) return LS_GROUP_EXISTS;
    }
    if (!WriteKey(kGroups, EntryKey("Group", n).c_str(), file)) return LS_PROJECT_FILE;
    if (!WriteKey(kGroups, "GroupNumber", std::to_string(n + 1).c_str())) return LS_PROJECT_FILE;
    return LS_OK;
}

tLS_Error tLS_project::AddAndActivateGroup(const char* groupName) {
    std::string dir;
    if (!groupName || !ProjectDirectory(dir)) return LS_INVALID;
    if (groupCount >= LS_MAX_GROUPS + 1) return LS_TOO_MANY_GROUPS;
    // A separator would put the macro file elsewhere than the project file says.
    if (!IsStorableGroupName(groupName)) return LS_INVALID;
    std::string path = dir + groupName + ".mcr";
    tLS_Error added = AddGroup(path.c_str());
    if (added != LS_OK) return added;
    // A language deleted in this session comes back as the group still loaded for its
    // file: a second base on one file would overwrite the first one's changes.
    for (int g = 1; g < groupCount; ++g) {
        if (retired[g] && path == groups[g]->GetFilePath()) {
            retired[g] = false;
            return LS_OK;
        }
    }
    tLS_macrobase* base = new (std::nothrow) tLS_macrobase(path.c_str(), &groupError);
    if (!base) return LS_INVALID;
    if (groupError != LS_OK) {
        delete base;
        groupError = LS_OK;
        return LS_INVALID;
    }
    groups[groupCount++] = base;
    return LS_OK;
}

// Closes the gap of a deleted entry by moving the last entry into it.
static tLS_Error DeleteEntry(const char* section, const char* prefix, const char* countKey,
                             int index, const char* file) {
    int n = GetPrivateProfileInt(section, countKey, 0, file);
    if (index < 0 || index >= n) return LS_PROJECT_FILE;
    if (n - index != 1) {
        std::string last;
        brevic::ReadProfileValue(section, EntryKey(prefix, n - 1).c_str(), last, file);
        if (!WritePrivateProfileString(section, EntryKey(prefix, index).c_str(), last.c_str(),
                                       file))
            return LS_PROJECT_FILE;
    }
    if (!WritePrivateProfileString(section, countKey, std::to_string(n - 1).c_str(), file))
        return LS_PROJECT_FILE;
    return LS_OK;
}

tLS_Error tLS_project::ReloadGroup(int index) {
    if (index < 0 || index >= groupCount) return LS_NO_ENTRY;
    // The group reports into the project's slot, as every group does, for as long as it lives.
    groupError = LS_OK;
    tLS_macrobase* fresh =
        new (std::nothrow) tLS_macrobase(groups[index]->GetFilePath(), &groupError);
    if (!fresh) return LS_OUT_OF_MEMORY;
    if (groupError != LS_OK) {
        const tLS_Error loaded = groupError;
        delete fresh; // never saved: it did not load
        groupError = LS_OK;
        return loaded;
    }
    fresh->SetBaseName(groups[index]->GetName());
    // An invalid index stops the old object from ever saving: what it held is dropped.
    groups[index]->SetModified(-1);
    delete groups[index];
    groups[index] = fresh;
    return LS_OK;
}

tLS_Error tLS_project::DeleteGroup(int index) {
    std::string file;
    brevic::ReadProfileValue(kGroups, EntryKey("Group", index).c_str(), file, projectPath);
    const tLS_Error r = DeleteEntry(kGroups, "Group", "GroupNumber", index, projectPath);
    if (r != LS_OK || file.empty()) return r;
    // The loaded group of that macro file is gone from the project from now on.
    const std::string name = FromStored(file);
    for (int g = 1; g < groupCount; ++g) {
        if (std::strcmp(brevic::AfterLastSeparator(groups[g]->GetFilePath()), name.c_str()) == 0)
            retired[g] = true;
    }
    return LS_OK;
}

tLS_Error tLS_project::DeleteSource(int index) {
    return DeleteEntry(kSources, "Source", "SourceNumber", index, projectPath);
}

tLS_Error tLS_project::GetSourcePath(int index, char* path) {
    if (!path) return LS_NO_ENTRY;
    path[0] = '\0';
    if (index < 0 || index >= GetSourceCount()) return LS_NO_ENTRY;
    std::string value;
    std::string dir;
    if (!brevic::ReadProfileValue(kSources, EntryKey("Source", index).c_str(), value,
                                  projectPath) ||
        value.empty())
        return LS_NO_ENTRY;
    ProjectDirectory(dir);
    return brevic::CopyChecked(path, LS_PATH_MAX, dir + FromStored(value)) ? LS_OK : LS_NO_ENTRY;
}

tLS_Error tLS_project::GetSourceName(int index, char* name) {
    if (!name || index < 0 || index >= GetSourceCount()) return LS_NO_ENTRY;
    std::string value;
    if (!brevic::ReadProfileValue(kSources, EntryKey("Source", index).c_str(), value,
                                  projectPath) ||
        value.empty())
        return LS_NO_ENTRY;
    size_t sep = brevic::LastSeparator(value);
    std::string file = sep == std::string::npos ? value : value.substr(sep + 1);
    if (file.empty() || !brevic::CopyChecked(name, LS_PATH_MAX, file)) return LS_NO_ENTRY;
    return LS_OK;
}

tLS_Error tLS_project::AddSource(const char* templatePath) {
    int n = GetSourceCount();
    if (n >= LS_MAX_SOURCES) return LS_TOO_MANY_SOURCES;
    if (!templatePath) return LS_INVALID;
    char relative[LS_PATH_MAX];
    if (!brevic::CopyChecked(relative, sizeof relative, templatePath)) return LS_INVALID;
    if (GetRelativePath(projectPath, relative) != LS_OK) return LS_INVALID;
    std::string stored = ToStored(relative);
    for (int i = 0; i < n; ++i) {
        std::string value;
        if (brevic::ReadProfileValue(kSources, EntryKey("Source", i).c_str(), value, projectPath) &&
            ToStored(value) == stored)
            return LS_SOURCE_EXISTS;
    }
    if (!WriteKey(kSources, EntryKey("Source", n).c_str(), stored.c_str())) return LS_PROJECT_FILE;
    if (!WriteKey(kSources, "SourceNumber", std::to_string(n + 1).c_str())) return LS_PROJECT_FILE;
    return LS_OK;
}

tLS_Error tLS_project::GetRelativePath(const char* base, char* path) {
    if (!base || !path) return LS_INVALID;
    size_t baseDir = static_cast<size_t>(brevic::AfterLastSeparator(base) - base);
    if (baseDir == 0) baseDir = std::strlen(base);
    // Common beginning (separators count as equal), cut back behind its last separator.
    size_t common = 0;
    while (common < baseDir && path[common] != '\0' &&
           (base[common] == path[common] ||
            (brevic::IsSeparator(base[common]) && brevic::IsSeparator(path[common])))) {
        ++common;
    }
    while (common > 0 && !brevic::IsSeparator(base[common - 1]))
        --common;
    std::string result;
    for (size_t i = common; i < baseDir; ++i) {
        if (brevic::IsSeparator(base[i])) result += "../";
    }
    result += path + common;
    return brevic::CopyChecked(path, LS_PATH_MAX, result) ? LS_OK : LS_INVALID;
}

int tLS_project::LoadFile(std::string& text, const char* path) {
    if (!brevic::TouchFile(path) || !brevic::ReadTextFile(path, text)) {
        text.clear();
        return 0;
    }
    return 1;
}

int tLS_project::SaveFile(const std::string& text, const char* path) {
    return brevic::WriteTextFileAtomic(path, text) ? 1 : 0;
}

void tLS_project::SetFailure(const std::string& path, int write) {
    failedFile = path;
    failedWrite = write;
    SetFailureCause(LS_REASON_NONE, "", "");
}

void tLS_project::SetFailureCause(tLS_FailureReason reason, const std::string& templatePath,
                                  const std::string& language) {
    failureReason = reason;
    failedTemplate = templatePath;
    failedLanguage = language;
}
