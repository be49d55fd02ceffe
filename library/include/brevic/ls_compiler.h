// tLS_compiler: expands one template text into its target text.
//
// The text is copied character by character; every placeholder "{#...}" is replaced by the
// expanded text of the macro it names (recursively, at most 21 levels deep), the output
// options of tCompilerSettings are applied and the HTML tag syntax is checked on the way.
// Messages (errors and warnings with line numbers) go into the tDebugContext.
#pragma once

#include "brevic/ls_types.h"

#include <memory>
#include <string>
#include <vector>

class tLS_macrobase;
namespace brevic {
class Expander;
class FileWriter;
class TextFileReader;
} // namespace brevic

// The compiler's message numbers. A message with an odd number counts as an error, one with
// an even number as a warning; 202 and 204 are the words that begin those lines.
enum tLS_Message : int {
    LS_MSG_MACRO_NOT_FOUND = 200,
    LS_MSG_NAME_TOO_LONG = 201, // also: a placeholder not closed before the end
    LS_MSG_ERROR = 202,
    LS_MSG_EXTENSION_TOO_LONG = 203,
    LS_MSG_WARNING = 204,
    LS_MSG_OVERLOADED_TOO_LONG = 205,
    LS_MSG_LINE_STATEMENT_TOO_LONG = 207,
    LS_MSG_LINE_STATEMENT_SYNTAX = 209,
    LS_MSG_RECURSION = 213,
    LS_MSG_NO_LANGUAGE_SELECTED = 214, // shown through the message hook, not listed
    LS_MSG_OPENING_MISSING = 217,      // a ">" without its "<"
    LS_MSG_CLOSING_MISSING = 219,      // a "<" inside a tag
    LS_MSG_QUOTE_MISSING = 221,
    LS_MSG_TOO_MANY_PARAMS = 223,
    LS_MSG_PARAM_UNDEFINED = 224,
};

// Where the parts of one expanded text came from: the template's lines, or the lines of a
// macro in the base it was found in. A compiler given a map with SetLineMap fills it while
// it expands; the map costs nothing when none is given.
class BREVIC_API tLS_LineMap {
public:
    struct Place {
        bool macro = false;            // a macro's text, else the template's
        std::string name;              // the macro's name (as expanded) or the template's location
        tLS_macrobase* base = nullptr; // the base the macro was found in
        long line = 0;                 // the line in that text, from 1
    };

    // The place the byte at `offset` of the expanded text `output` came from; false when
    // the map knows nothing of it (an empty map, or an offset past the text).
    bool PlaceOf(const std::string& output, size_t offset, Place& place) const;
    void Clear();

    // Used by the compiler: the index of an origin, made on first use.
    int OriginOf(bool macro, const char* name, tLS_macrobase* base);
    // From output offset `offset` on, the text comes from `origin` at `line`; the lines
    // after it follow the line breaks of the output. A step before an earlier one (output
    // taken back) replaces the steps after it.
    void Step(int origin, long line, size_t offset);

private:
    struct Origin {
        bool macro;
        std::string name;
        tLS_macrobase* base;
    };
    struct Mark {
        size_t offset;
        long line;
        int origin;
    };
    std::vector<Origin> origins_;
    std::vector<Mark> steps_;
};

class BREVIC_API tLS_compiler {
public:
    tLS_compiler();
    ~tLS_compiler();
    tLS_compiler(tLS_compiler&&) noexcept;
    tLS_compiler& operator=(tLS_compiler&&) noexcept;

    // Expands `source` and appends the result to `output`. `bases` is searched in order and
    // ends with a null pointer (null itself counts as an empty list). `location` names the
    // template in messages. Returns LS_OK, LS_RECURSION (nesting deeper than 21 levels),
    // LS_BUILD_FAILED (memory, or the output limit below) or the error of fetching a
    // macro's text; the output produced so far stays in `output`.
    // A null context or null settings use private defaults.
    tLS_Error BuildTarget(const std::string& source, std::string& output, tDebugContext* context,
                          tLS_macrobase** bases, const char* location, tCompilerSettings* settings);

    // The same for a template read from `source` piece by piece, so that a large template
    // needs no memory of its size; the result is the same as for its whole text. Helper
    // threads read ahead, expand the next piece beside this one (not while scrambling) and
    // write behind: the bases must not change meanwhile, and their name tables are made
    // first. A read error ends the build with LS_BUILD_FAILED (and source.Failed()).
    tLS_Error BuildTarget(brevic::TextFileReader& source, std::string& output,
                          tDebugContext* context, tLS_macrobase** bases, const char* location,
                          tCompilerSettings* settings);

    // While a file is set, BuildTarget hands finished output to it in large pieces instead
    // of gathering it all in `output` (which should start empty); what is left at the end
    // stays in `output`. A failed write ends the build with LS_BUILD_FAILED. Null (the
    // default) gathers everything in `output`.
    void SetOutputFile(brevic::FileWriter* file);

    // Counts the examined characters into *count instead of the library-wide counter (null:
    // the library-wide one again), for a compiler that runs beside others.
    void CountInto(unsigned long* count);

    // Fills `map` (cleared first by the caller) with where each part of the output of the
    // next BuildTarget calls came from; null (the default) keeps no map.
    void SetLineMap(tLS_LineMap* map);

    // The newest lastModified of all macros the last BuildTarget expanded; 0 if none.
    long GetModified() const;

    // Parses the placeholder whose "#" stands at text[position] (text holds `length`
    // characters). Returns 0 or a message number (LS_MSG_NAME_TOO_LONG, _EXTENSION_TOO_LONG,
    // _LINE_STATEMENT_TOO_LONG, _LINE_STATEMENT_SYNTAX, _TOO_MANY_PARAMS). On success the
    // position is on the closing "}", otherwise on the character where parsing stopped;
    // a placeholder not closed before the end leaves the position at `length`.
    static int ScanMacro(const char* text, long length, long& position, tMacro& macro);

    // The message text of a message number ("The macro \"%s\" was not found."), or "".
    static const char* MessageText(int number);

private:
    // The expansion itself, which the library keeps to itself.
    std::unique_ptr<brevic::Expander> expander;
};

namespace brevic {
// The eight options of the [COMPILER] section of a settings file's text (INI, "\n" line
// ends), each read as GetPrivateProfileInt reads it; a missing key keeps its default.
BREVIC_API tCompilerSettings CompilerSettingsFromText(const std::string& text);
// The same for the settings file at `path`; a missing or unreadable file gives the defaults.
BREVIC_API tCompilerSettings ReadCompilerSettings(const char* path);
// The [COMPILER] key of one option (`&tCompilerSettings::RemoveAttr` gives "RemoveAttr"),
// for the settings dialog that writes them; null for a pointer to no option.
BREVIC_API const char* CompilerSettingKey(int32_t tCompilerSettings::*option);

// The library-wide counter of examined characters (the scramble option resets it).
BREVIC_API unsigned long CharacterCounter();
BREVIC_API void SetCharacterCounter(unsigned long value);
} // namespace brevic
