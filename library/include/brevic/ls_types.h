// Result codes and the records shared between the brevic library and its callers.
//
// Every fallible library operation returns a tLS_Error; nothing throws across the
// library boundary. Names and paths cross as NUL-terminated byte strings whose output
// buffers hold LS_PATH_MAX bytes; texts cross as std::string.
#pragma once

#include <cstdint>
#include <string>

#if defined(BREVIC_BUILDING)
#define BREVIC_API __attribute__((visibility("default")))
#else
#define BREVIC_API
#endif

// Size of every path and name output buffer: 259 characters and the terminating NUL.
constexpr int LS_PATH_MAX = 260;
// Longest macro name the macro file can read back.
constexpr int LS_MACRO_NAME_MAX = 30;
// Size of the name fields of macro slots, base names and the active language.
constexpr int LS_NAME_FIELD = 36;
// Macro slots of one macro base.
constexpr int LS_MAX_MACROS = 200;
// Groups and sources of one project file.
constexpr int LS_MAX_GROUPS = 100;
constexpr int LS_MAX_SOURCES = 100;
// Parameters of one placeholder.
constexpr int LS_MAX_PARAMS = 10;

enum tLS_Error : int32_t {
    LS_OK = 0,
    LS_TOO_MANY_SOURCES = 1,
    LS_TOO_MANY_GROUPS = 2,
    LS_NO_ENTRY = 3,
    LS_PROJECT_FILE = 4,
    LS_INVALID = 6,
    LS_NO_PROJECT = 7,
    LS_SOURCE_EXISTS = 8,
    LS_GROUP_EXISTS = 9,
    LS_BAD_GROUP_INDEX = 11,
    LS_BAD_TARGET_PATH = 12,
    LS_NOT_A_TEMPLATE = 13,
    LS_NO_SOURCES = 14,
    LS_MACRO_EXISTS = 16,
    LS_BASE_OPEN = 18,
    LS_BASE_WRITE = 19,
    LS_BASE_FORMAT = 20,
    LS_BASE_NO_HEADER = 21,
    LS_OUT_OF_MEMORY = 22,
    LS_BAD_MACRO_INDEX = 24,
    LS_MACRO_DELETED = 25,
    LS_MACRO_NOT_FOUND = 26,
    LS_BAD_MODIFIED_INDEX = 27,
    LS_BASE_FULL = 28,
    LS_BASE_NOT_LOADED = 29,
    LS_BAD_DELETE_INDEX = 30,
    LS_BUILD_FAILED = 31,
    LS_RECURSION = 33,
};

// The symbolic name of a code ("LS_NO_SOURCES"), or "LS_UNKNOWN" for a value not in the table.
BREVIC_API const char* LS_ErrorName(tLS_Error code);
// A short English description of a code, for command-line output.
BREVIC_API const char* LS_ErrorText(tLS_Error code);

// A list of message lines shown by the caller (the editor's output window, a console).
// The library only empties it and appends lines to it.
class BREVIC_API tLS_ListBox {
public:
    virtual ~tLS_ListBox();
    virtual void ResetContent() = 0;
    virtual void AddString(const char* line) = 0;
};

// A target a build has finished: the page, what it was built from, and whether the file was
// written (0: it was up to date).
struct tLS_Target {
    const char* path = "";
    const char* templatePath = ""; // the template's full path
    const char* language = "";     // the language's group name; "" for the basis group alone
    int written = 0;
};

// A progress display. SetPos receives the progress of the template being expanded in
// percent (0..100). TargetDone is told about every target a build has finished, with the
// message lines of that target.
class BREVIC_API tLS_Progress {
public:
    virtual ~tLS_Progress();
    virtual void SetPos(int percent) = 0;
    virtual void TargetDone(const tLS_Target& target, const std::string& messages);
};

// The eight compiler options, in their fixed order. All but ScrambleBlockSize are switches.
struct tCompilerSettings {
    int32_t RemoveAttr = 1;
    int32_t RemoveNewLineOnTags = 0;
    int32_t ScrambleCode = 0;
    int32_t CaseSensitive = 1;
    int32_t ScrambleBlockSize = 10;
    int32_t ConvertISO = 1;
    int32_t RemoveTab = 1;
    int32_t SyntaxCheck = 1;
};

// The caller's record for one build; the compiler fills it.
struct tDebugContext {
    std::string log;                    // every message line, each followed by "\n"
    tLS_ListBox* messageList = nullptr; // messages are added as they occur
    int warnings = 0;
    int errors = 0;
    int depth = 0; // current nesting depth of macro expansion
    tLS_Progress* progress = nullptr;
};

// One macro slot of a macro base. An empty name marks a free or deleted slot.
struct tBaseMember {
    std::string content; // the macro text, lines separated by "\n"
    char name[LS_NAME_FIELD] = {};
    long lastModified = 0; // seconds since 1970-01-01 00:00 UTC
};

// What a placeholder stands for.
enum tLS_PlaceholderKind : int {
    LS_PLACEHOLDER_MACRO = 0,         // a macro of the bases
    LS_PLACEHOLDER_DATE_AND_TIME = 1, // {#_DATE_AND_TIME_}: the current time, formatted
    LS_PLACEHOLDER_PARAMETER = 2,     // {#_MACRO_PARAM_n}: a parameter of the enclosing macro
};

// One parsed placeholder. The empty record (as constructed) stands for the template itself
// and for line-formatting texts.
struct tMacro {
    char extension[32] = {};
    std::string lineText;
    long firstLine = 0; // first selected line (1-based), -1: the last line only
    long lastLine = 0;  // last selected line, -1: to the end of the text
    char name[LS_NAME_FIELD] = {};
    int hasExtension = 0;
    int hasLineText = 0;
    int hasLineStatement = 0;
    int hasParams = 0;
    std::string params[LS_MAX_PARAMS];
    unsigned paramCount = 0;
    tLS_PlaceholderKind kind = LS_PLACEHOLDER_MACRO;
    int paramIndex = 0;
};
