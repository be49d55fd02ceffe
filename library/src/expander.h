// What tLS_compiler does, behind its interface: the expansion of a text, of a template read
// in pieces (with the twin that expands the next piece beside it), messages and output.
#pragma once

#include "brevic/ls_compiler.h"

#include <deque>
#include <string>

namespace brevic {

class Expander {
public:
    // As tLS_compiler's members of the same names.
    tLS_Error BuildTarget(const std::string& source, std::string& output, tDebugContext* context,
                          tLS_macrobase** bases, const char* location, tCompilerSettings* settings);
    tLS_Error BuildTarget(TextFileReader& source, std::string& output, tDebugContext* context,
                          tLS_macrobase** bases, const char* location, tCompilerSettings* settings);
    void SetOutputFile(FileWriter* file) { outputFile = file; }
    void CountInto(unsigned long* count) { counter = count; }
    void SetLineMap(tLS_LineMap* map) { lineMap = map; }
    long GetModified() const { return modified; }

private:
    // Where messages come from: the template's name, or the name of the macro being
    // expanded (shown as "{#name}"). Made into text only when a message is reported.
    struct Location {
        const char* text;
        bool macro;
        tLS_macrobase* base = nullptr; // where a macro's text was found
    };
    // Where the scan of a text stands, as far as the rest of the text depends on it: the
    // line number, whether it is inside a tag or an HTML comment, and whether a quote is
    // open inside a tag. Compile carries it through a text; a piece hands it to the next.
    enum class TagState : unsigned char { Outside, Inside, Comment };
    struct ScanState {
        long line = 1;
        TagState tag = TagState::Outside;
        bool quote = false;
        // The state a line usually starts in: outside any tag, no quote open.
        static ScanState LineStart(long line) { return ScanState{line, TagState::Outside, false}; }
        bool operator==(const ScanState&) const = default;
    };
    // Where the expansion of a template read in pieces stands between two pieces. A piece
    // ends behind a line break (or with the text).
    struct Piece {
        ScanState state;
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
    struct Expansion;
    struct Twin;
    tLS_Error Run(const std::string* source, brevic::TextFileReader* reader, std::string& output,
                  tDebugContext* context, tLS_macrobase** bases, const char* location,
                  tCompilerSettings* options);
    tLS_Error CompilePieces(brevic::TextFileReader& reader, std::string& output,
                            tLS_macrobase** bases, tDebugContext& context,
                            const Location& location);
    bool TwinAllowed(tLS_macrobase** bases) const;
    void ExpandBeside(Twin& twin, brevic::TextFileReader& reader, const char* before, size_t end,
                      const Piece& start, tLS_macrobase** bases, const Location& location);
    tLS_Error TakeTwin(Twin& twin, std::string& output, tDebugContext& context, Piece& piece,
                       bool& taken);
    // Expands text[0, length) into `output` with `enclosing` as the placeholder whose macro
    // text it is (the empty record for a template); a piece of a template starts from and
    // ends in *piece. Returns as BuildTarget does.
    tLS_Error Compile(const char* text, long length, std::string& output, tLS_macrobase** bases,
                      tDebugContext& context, const Location& location, const tMacro& enclosing,
                      Piece* piece = nullptr);
    // Compile one nesting level deeper: LS_RECURSION past the deepest level, LS_BUILD_FAILED
    // once the output is past its limit.
    tLS_Error CompileNested(const char* text, long length, std::string& output,
                            tLS_macrobase** bases, tDebugContext& context, const Location& location,
                            const tMacro& enclosing);
    tLS_Error ExpandPlaceholder(const char* text, long length, long& pos, long& line,
                                std::string& output, tLS_macrobase** bases, tDebugContext& context,
                                const Location& location, const tMacro& enclosing);
    // Expands the macro a placeholder names (found in the first base that has it) into
    // `output`; reports LS_MSG_MACRO_NOT_FOUND when none has it.
    tLS_Error ExpandMacro(const tMacro& macro, long line, std::string& output,
                          tLS_macrobase** bases, tDebugContext& context, const Location& location,
                          const tMacro& enclosing);
    void Report(tDebugContext& context, long line, const Location& location, const char* argument,
                int number);
    bool Spill(std::string& output, size_t& mark);

    tCompilerSettings* settings = nullptr;
    long modified = 0;
    brevic::FileWriter* outputFile = nullptr;
    size_t spilled = 0;     // bytes handed to outputFile during this build
    size_t outputLimit = 0; // the output this build may produce
    unsigned long* counter = nullptr;
    tLS_LineMap* lineMap = nullptr;
    // The end of a template piece that more text follows: a placeholder that reaches it
    // waits for the next piece (moreText is then set).
    const char* openEnd = nullptr;
    bool moreText = false;
    std::deque<tMacro> macros; // the placeholder being expanded at each nesting level
};

} // namespace brevic
