// tLS_compiler: expands one template text into its target text.
//
// The text is copied character by character; every placeholder "{#...}" is replaced by the
// expanded text of the macro it names (recursively, at most 21 levels deep), the output
// options of tCompilerSettings are applied and the HTML tag syntax is checked on the way.
// Messages (errors and warnings with line numbers) go into the tDebugContext.
#pragma once

#include "brevic/ls_types.h"

#include <deque>
#include <string>

class tLS_macrobase;
namespace brevic {
class FileWriter;
class TextFileReader;
}

class BREVIC_API tLS_compiler {
public:
    tLS_compiler() = default;

    // Expands `source` and appends the result to `output`. `bases` is searched in order and
    // ends with a null pointer (null itself counts as an empty list). `location` names the
    // template in messages. Returns LS_OK, LS_RECURSION (nesting deeper than 21 levels),
    // LS_BUILD_FAILED (memory, or the output limit below) or the error of fetching a
    // macro's text; the output produced so far stays in `output`.
    // A null context or null settings use private defaults.
    tLS_Error BuildTarget(const std::string& source, std::string& output, tDebugContext* context,
                          tLS_macrobase** bases, const char* location,
                          tCompilerSettings* settings);

    // The same for a template read from `source` piece by piece, so that a large template
    // needs no memory of its size; the result is the same as for its whole text. Helper
    // threads read ahead, expand the next piece beside this one (not while scrambling) and
    // write behind: the bases must not change meanwhile, and their name tables are made
    // first. A read error ends the build with LS_BUILD_FAILED (and source.Failed()).
    tLS_Error BuildTarget(brevic::TextFileReader& source, std::string& output, tDebugContext* context,
                          tLS_macrobase** bases, const char* location, tCompilerSettings* settings);

    // While a file is set, BuildTarget hands finished output to it in large pieces instead
    // of gathering it all in `output` (which should start empty); what is left at the end
    // stays in `output`. A failed write ends the build with LS_BUILD_FAILED. Null (the
    // default) gathers everything in `output`.
    void SetOutputFile(brevic::FileWriter* file) { outputFile = file; }

    // Counts the examined characters into *count instead of the library-wide counter (null:
    // the library-wide one again), for a compiler that runs beside others.
    void CountInto(unsigned long* count) { counter = count; }

    // The newest lastModified of all macros the last BuildTarget expanded; 0 if none.
    long GetModified() const { return modified; }

    // Parses the placeholder whose "#" stands at text[position] (text holds `length`
    // characters). Returns 0 or a message number (201, 203, 207, 209, 223). On success the
    // position is on the closing "}", otherwise on the character where parsing stopped;
    // a placeholder not closed before the end leaves the position at `length`.
    static int ScanMacro(const char* text, long length, long& position, tMacro& macro);

    // The message text of a message number ("The macro \"%s\" was not found."), or "".
    static const char* MessageText(int number);

private:
    // Where messages come from: the template's name, or the name of the macro being
    // expanded (shown as "{#name}"). Made into text only when a message is reported.
    struct Location {
        const char* text;
        bool macro;
    };
    // Where the expansion of a template read in pieces stands between two pieces. A piece
    // ends behind a line break (or with the text).
    struct Piece {
        long line = 1;
        int tag = 0;
        bool quote = false;
        size_t mark = 0;
        int lastPercent = -1;
        long offset = 0;  // of the piece in the whole text
        long total = 1;   // the whole text's length, about, for progress
        long stopped = 0; // where the expansion stopped: the piece's end, or the "{" of a
                          // placeholder that goes on in the next piece
        // A piece expanded beside the one before it starts from a state taken for granted.
        // Where the text before leaves the staging part is not known then: the result holds
        // only when the staging part was flushed before anything depended on its start.
        bool assumed = false;
        bool flushed = false;
        bool inexact = false;
    };
    struct Twin;
    tLS_Error Run(const std::string* source, brevic::TextFileReader* reader, std::string& output,
                  tDebugContext* context, tLS_macrobase** bases, const char* location,
                  tCompilerSettings* options);
    tLS_Error CompilePieces(brevic::TextFileReader& reader, std::string& output, tLS_macrobase** bases,
                            tDebugContext& context, const Location& location);
    bool TwinAllowed(tLS_macrobase** bases) const;
    tLS_Error TakeTwin(Twin& twin, std::string& output, tDebugContext& context, Piece& piece, bool& taken);
    tLS_Error Compile(const char* text, long length, std::string& output, tLS_macrobase** bases,
                      tDebugContext& context, const Location& location, const tMacro& enclosing,
                      Piece* piece = nullptr);
    tLS_Error ExpandPlaceholder(const char* text, long length, long& pos, long& line,
                                std::string& output, tLS_macrobase** bases, tDebugContext& context,
                                const Location& location, const tMacro& enclosing);
    void Report(tDebugContext& context, long line, const Location& location,
                const char* argument, int number);
    bool Spill(std::string& output, size_t& mark);

    tCompilerSettings* settings = nullptr;
    long modified = 0;
    brevic::FileWriter* outputFile = nullptr;
    size_t spilled = 0; // bytes handed to outputFile during this build
    size_t outputLimit = 0; // the output this build may produce
    unsigned long* counter = nullptr;
    // The end of a template piece that more text follows: a placeholder that reaches it
    // waits for the next piece (moreText is then set).
    const char* openEnd = nullptr;
    bool moreText = false;
    std::deque<tMacro> macros; // the placeholder being expanded at each nesting level
};

namespace brevic {
// The library-wide counter of examined characters (the scramble option resets it).
BREVIC_API unsigned long CharacterCounter();
BREVIC_API void SetCharacterCounter(unsigned long value);
// The largest output a build may produce before it fails with LS_BUILD_FAILED (1 GiB).
BREVIC_API void SetOutputLimit(size_t bytes);
// The size of the pieces a large template is read and expanded in (256 KiB); for tests.
BREVIC_API void SetPieceSize(size_t bytes);
} // namespace brevic
