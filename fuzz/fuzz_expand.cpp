// Fuzz target: the macro expansion (tLS_compiler::BuildTarget) and the placeholder parser.
//
// Input layout:
//   byte 0   option switches: bit 0 RemoveAttr, 1 RemoveNewLineOnTags, 2 ScrambleCode,
//            3 CaseSensitive, 4 ConvertISO, 5 RemoveTab, 6 SyntaxCheck; bit 7 puts macro C
//            into a second (language) base behind the basis base
//   byte 1   ScrambleBlockSize (signed)
//   rest     template NUL A NUL B NUL C  (C takes the rest, NUL bytes included)
// The macros A, B and C are created with NewMacro in a fresh macro file. Every "{#" of the
// whole input is also handed to ScanMacro directly, on a buffer of exactly the input's size.
// The template is also written to a file and built from there in pieces of 8 to 71 bytes
// (byte 1 chooses), which must give what the whole text gives.
#include "fuzz_util.h"

#include <brevic/ls_compiler.h>
#include <brevic/ls_files.h>
#include <brevic/ls_macrobase.h>
#include <brevic/ls_testing.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

// Three macros can nest into an expansion that grows with the product of their placeholder
// counts (and with the lines of a macro when its placeholder has a line-formatting text).
// That is expected of a macro language and says nothing about the code, so inputs that could
// grow that way are passed over instead of ending as timeouts.
bool BoundedExpansion(const std::string& all) {
    const size_t placeholders = fuzzutil::Count(all, "{#");
    if (placeholders > 24) return false;
    const bool lineTexts = all.find("{#\"") != std::string::npos;
    return !lineTexts || fuzzutil::Count(all, "\n") <= 32;
}

void CheckScanMacro(const char* text, long length) {
    for (long i = 0; i + 1 < length; ++i) {
        if (text[i] != '{' || text[i + 1] != '#') continue;
        long position = i + 1;
        tMacro macro;
        int message = tLS_compiler::ScanMacro(text, length, position, macro);
        FUZZ_CHECK(message == 0 || message == LS_MSG_NAME_TOO_LONG ||
                       message == LS_MSG_EXTENSION_TOO_LONG ||
                       message == LS_MSG_LINE_STATEMENT_TOO_LONG ||
                       message == LS_MSG_LINE_STATEMENT_SYNTAX || message == LS_MSG_TOO_MANY_PARAMS,
                   "ScanMacro returned an unknown message number");
        FUZZ_CHECK(position > i && position <= length, "ScanMacro position out of range");
        FUZZ_CHECK(std::memchr(macro.name, '\0', sizeof macro.name) != nullptr,
                   "placeholder name not terminated");
        FUZZ_CHECK(std::memchr(macro.extension, '\0', sizeof macro.extension) != nullptr,
                   "placeholder extension not terminated");
        FUZZ_CHECK(std::strlen(macro.name) <= 33, "placeholder name longer than 33");
        FUZZ_CHECK(macro.paramCount <= LS_MAX_PARAMS, "more parameters than slots");
        if (message == 0) {
            FUZZ_CHECK(position < length && text[position] == '}',
                       "a parsed placeholder does not end on its closing brace");
        }
    }
}

struct Expansion {
    tLS_Error result;
    std::string output;
    std::string log;
};

Expansion Expand(tLS_compiler& compiler, const std::string& source, tLS_macrobase** bases,
                 tCompilerSettings& settings) {
    static const std::string kPrefix = "<p class=x ";
    fuzzutil::RecordingList list;
    fuzzutil::RecordingProgress progress;
    tDebugContext ctx;
    ctx.messageList = &list;
    ctx.progress = &progress;
    ctx.depth = 7; // BuildTarget starts from 0 whatever the caller left there
    brevic::SetCharacterCounter(0);

    Expansion e;
    e.output = kPrefix;
    e.result = compiler.BuildTarget(source, e.output, &ctx, bases, "fuzz.tpl", &settings);
    e.log = ctx.log;

    FUZZ_CHECK(e.result == LS_OK || e.result == LS_RECURSION, "BuildTarget unexpected code");
    FUZZ_CHECK(e.output.compare(0, kPrefix.size(), kPrefix) == 0,
               "BuildTarget changed output that was there before it");
    FUZZ_CHECK(list.resets == 1, "message list not emptied exactly once");
    FUZZ_CHECK(ctx.errors >= 0 && ctx.warnings >= 0, "negative message counts");
    const size_t messages = static_cast<size_t>(ctx.errors) + static_cast<size_t>(ctx.warnings);
    if (!settings.SyntaxCheck) {
        FUZZ_CHECK(messages == 0 && ctx.log.empty(), "messages reported with SyntaxCheck off");
    }
    // A message line can hold line breaks of its own (a macro name may contain them), so the
    // log has at least one per message and ends with one.
    FUZZ_CHECK(fuzzutil::Count(ctx.log, "\n") >= messages, "fewer log lines than messages");
    FUZZ_CHECK(ctx.log.empty() == (messages == 0), "log and counts disagree");
    FUZZ_CHECK(ctx.log.empty() || ctx.log.back() == '\n', "log does not end with a line break");
    const size_t summary = 2 + (e.result == LS_RECURSION ? 1 : 0);
    FUZZ_CHECK(list.lines.size() == messages + summary, "message list differs from the counts");
    FUZZ_CHECK(list.lines[messages] == std::string(53, '='), "summary rule missing");
    if (e.result == LS_OK) FUZZ_CHECK(ctx.depth == 0, "depth not back to 0 after a build");
    FUZZ_CHECK(compiler.GetModified() >= 0 && compiler.GetModified() <= brevic::CurrentTime(),
               "GetModified outside the macros' times");
    return e;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CheckScanMacro(reinterpret_cast<const char*>(data), static_cast<long>(size));
    if (size < 2) return 0;

    const unsigned options = data[0];
    tCompilerSettings settings;
    settings.RemoveAttr = (options >> 0) & 1;
    settings.RemoveNewLineOnTags = (options >> 1) & 1;
    settings.ScrambleCode = (options >> 2) & 1;
    settings.CaseSensitive = (options >> 3) & 1;
    settings.ConvertISO = (options >> 4) & 1;
    settings.RemoveTab = (options >> 5) & 1;
    settings.SyntaxCheck = (options >> 6) & 1;
    settings.ScrambleBlockSize = static_cast<signed char>(data[1]);
    const bool twoBases = (options >> 7) & 1;

    const std::string rest(reinterpret_cast<const char*>(data) + 2, size - 2);
    if (!BoundedExpansion(rest)) return 0;
    std::vector<std::string> parts = fuzzutil::Split(rest, '\0', 4);
    parts.resize(4);

    const std::string basisPath = fuzzutil::ScratchDir() + "basis.mcr";
    const std::string languagePath = fuzzutil::ScratchDir() + "language.mcr";
    fuzzutil::RemoveTree(basisPath);
    fuzzutil::RemoveTree(languagePath);
    {
        tLS_Error basisError = LS_BASE_OPEN;
        tLS_Error languageError = LS_BASE_OPEN;
        tLS_macrobase basis(basisPath.c_str(), &basisError);
        tLS_macrobase language(languagePath.c_str(), &languageError);
        FUZZ_CHECK(basisError == LS_OK && languageError == LS_OK, "a fresh macro base failed");
        const char* names[] = {"A", "B", "C"};
        for (int i = 0; i < 3; ++i) {
            tLS_macrobase& base = (twoBases && i == 2) ? language : basis;
            std::string* content = nullptr;
            int index = -1;
            FUZZ_CHECK(base.NewMacro(content, names[i], index) == LS_OK && content,
                       "NewMacro failed on a fresh base");
            *content = parts[static_cast<size_t>(i) + 1];
        }
        tLS_macrobase* bases[] = {&basis, twoBases ? &language : nullptr, nullptr};

        tLS_compiler compiler;
        Expansion first = Expand(compiler, parts[0], bases, settings);
        // Only parameter and date texts reach the output unprocessed; everything else loses
        // its carriage returns, and its tabs with RemoveTab.
        if (rest.find("_MACRO_PARAM_") == std::string::npos &&
            rest.find("_DATE_AND_TIME_") == std::string::npos) {
            FUZZ_CHECK(first.output.find('\r') == std::string::npos, "a CR reached the output");
            if (settings.RemoveTab)
                FUZZ_CHECK(first.output.find('\t') == std::string::npos,
                           "a tab reached the output");
        }
        // The same input gives the same text (the date placeholder aside).
        if (rest.find("_DATE_AND_TIME_") == std::string::npos) {
            Expansion second = Expand(compiler, parts[0], bases, settings);
            FUZZ_CHECK(first.result == second.result && first.output == second.output &&
                           first.log == second.log,
                       "two identical builds differ");
        }
        // Read from a file in small pieces, two of them expanded at a time, the template must
        // come to what its whole text comes to.
        if (rest.find("_DATE_AND_TIME_") == std::string::npos) {
            const std::string tplPath = fuzzutil::ScratchDir() + "pieces.tpl";
            fuzzutil::WriteBytes(tplPath, parts[0]);
            std::string whole;
            FUZZ_CHECK(brevic::ReadTextFile(tplPath.c_str(), whole),
                       "the template file cannot be read");
            tDebugContext wholeContext;
            std::string wholeOutput;
            brevic::SetCharacterCounter(0);
            const tLS_Error wholeResult = compiler.BuildTarget(whole, wholeOutput, &wholeContext,
                                                               bases, "fuzz.tpl", &settings);
            const unsigned long wholeCounter = brevic::CharacterCounter();

            brevic::SetPieceSize(8 + static_cast<unsigned char>(data[1]) % 64);
            brevic::TextFileReader reader;
            FUZZ_CHECK(reader.Open(tplPath.c_str()), "the template file cannot be opened");
            tDebugContext piecesContext;
            std::string piecesOutput;
            brevic::SetCharacterCounter(0);
            const tLS_Error piecesResult = compiler.BuildTarget(
                reader, piecesOutput, &piecesContext, bases, "fuzz.tpl", &settings);
            brevic::SetPieceSize(size_t(1) << 18);
            FUZZ_CHECK(piecesResult == wholeResult, "pieces and the whole text end differently");
            FUZZ_CHECK(piecesContext.log == wholeContext.log,
                       "pieces and the whole text log differently");
            FUZZ_CHECK(piecesContext.errors == wholeContext.errors &&
                           piecesContext.warnings == wholeContext.warnings,
                       "pieces and the whole text count messages differently");
            if (wholeResult == LS_OK) {
                FUZZ_CHECK(piecesOutput == wholeOutput,
                           "pieces and the whole text expand differently");
                FUZZ_CHECK(brevic::CharacterCounter() == wholeCounter,
                           "pieces and the whole text count differently");
            }
            fuzzutil::RemoveTree(tplPath);
        }
        // Defaults for a missing context and missing settings.
        std::string output;
        tLS_Error r = compiler.BuildTarget(parts[0], output, nullptr, bases, nullptr, nullptr);
        FUZZ_CHECK(r == LS_OK || r == LS_RECURSION, "BuildTarget with defaults unexpected code");
    }
    fuzzutil::RemoveTree(basisPath);
    fuzzutil::RemoveTree(languagePath);
    return 0;
}
