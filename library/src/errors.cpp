// Names and descriptions of the result codes, and the out-of-line members of the
// caller-implemented interfaces.
#include "brevic/ls_types.h"

tLS_ListBox::~tLS_ListBox() = default;
tLS_Progress::~tLS_Progress() = default;
void tLS_Progress::TargetDone(const tLS_Target&, const std::string&) {}

namespace {
struct ErrorInfo {
    tLS_Error code;
    const char* name;
    const char* text;
};

constexpr ErrorInfo kErrors[] = {
    {LS_OK, "LS_OK", "success"},
    {LS_TOO_MANY_SOURCES, "LS_TOO_MANY_SOURCES", "the project already has 100 templates"},
    {LS_TOO_MANY_GROUPS, "LS_TOO_MANY_GROUPS", "the project already has 100 groups"},
    {LS_NO_ENTRY, "LS_NO_ENTRY",
     "a group or template entry of the project file is missing, empty or too long"},
    {LS_PROJECT_FILE, "LS_PROJECT_FILE",
     "the project file could not be written, or an entry index is out of range"},
    {LS_INVALID, "LS_INVALID",
     "an invalid path, too many groups, or a group whose macro file could not be loaded"},
    {LS_NO_PROJECT, "LS_NO_PROJECT", "no project is open, or the project file has no groups"},
    {LS_SOURCE_EXISTS, "LS_SOURCE_EXISTS", "the template is already part of the project"},
    {LS_GROUP_EXISTS, "LS_GROUP_EXISTS", "a group of that name already exists"},
    {LS_BAD_GROUP_INDEX, "LS_BAD_GROUP_INDEX", "no loaded group has that index"},
    {LS_BAD_TARGET_PATH, "LS_BAD_TARGET_PATH",
     "the template path has no directory or a file name shorter than two characters"},
    {LS_NOT_A_TEMPLATE, "LS_NOT_A_TEMPLATE", "the file is not a template (.tpl)"},
    {LS_NO_SOURCES, "LS_NO_SOURCES", "the project has no templates"},
    {LS_MACRO_EXISTS, "LS_MACRO_EXISTS", "a macro of that name already exists"},
    {LS_BASE_OPEN, "LS_BASE_OPEN", "a macro file could not be opened or created"},
    {LS_BASE_WRITE, "LS_BASE_WRITE", "a macro file could not be written"},
    {LS_BASE_FORMAT, "LS_BASE_FORMAT",
     "a macro name is too long or invalid, or a macro file holds more than 200 macros"},
    {LS_BASE_NO_HEADER, "LS_BASE_NO_HEADER", "a macro file has text before its first macro header"},
    {LS_OUT_OF_MEMORY, "LS_OUT_OF_MEMORY", "memory ran out while loading a macro file"},
    {LS_BAD_MACRO_INDEX, "LS_BAD_MACRO_INDEX", "no macro has that index"},
    {LS_MACRO_DELETED, "LS_MACRO_DELETED", "the macro was deleted"},
    {LS_MACRO_NOT_FOUND, "LS_MACRO_NOT_FOUND", "no macro of that name"},
    {LS_BAD_MODIFIED_INDEX, "LS_BAD_MODIFIED_INDEX", "no macro has that index"},
    {LS_BASE_FULL, "LS_BASE_FULL", "the macro base already holds 200 macros"},
    {LS_BASE_NOT_LOADED, "LS_BASE_NOT_LOADED", "the macro file did not load completely"},
    {LS_BAD_DELETE_INDEX, "LS_BAD_DELETE_INDEX", "no macro has that index"},
    {LS_BUILD_FAILED, "LS_BUILD_FAILED", "the build failed"},
    {LS_RECURSION, "LS_RECURSION", "macros are nested deeper than 21 levels"},
};

const ErrorInfo* Find(tLS_Error code) {
    for (const ErrorInfo& e : kErrors) {
        if (e.code == code) return &e;
    }
    return nullptr;
}
} // namespace

const char* LS_ErrorName(tLS_Error code) {
    const ErrorInfo* e = Find(code);
    return e ? e->name : "LS_UNKNOWN";
}

const char* LS_ErrorText(tLS_Error code) {
    const ErrorInfo* e = Find(code);
    return e ? e->text : "unknown error";
}
