// The macro expansion: one pass over a text, recursing into macro texts.
//
// Output goes straight into the output string. The "staging buffer" of the expansion is
// the part of the output behind `mark`: it is what the RemoveAttr rule may take back, and
// it is flushed (mark moved to the end) at every space, before every insertion, and
// whenever it reaches 1024 characters.
#include "brevic/ls_compiler.h"
#include "expander.h"

#include "brevic/ls_files.h"
#include "brevic/ls_macrobase.h"
#include "brevic/ls_project.h"
#include "brevic/ls_testing.h"
#include "limits.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <deque>
#include <memory>
#include <new>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

using brevic::internal::g_limits;
using brevic::internal::kSpillSize;

namespace {

unsigned long g_counter = 0; // characters examined, library-wide

constexpr size_t kStageSize = 1024;
constexpr int kMaxDepth = 20; // depth may be raised while it is not above this
constexpr size_t kOverloadedNameLimit = 33;
const tMacro kPlainText; // what a line-formatting text is expanded as

// Character classes of the fast path: plain characters are copied as they are; a blank
// (while scrambling is off) is copied too and restarts the staging part.
// kSpecial and kIso stop a run; kSpecial is the one bit they share.
enum : unsigned char { kPlain = 0, kSpecial = 1, kIso = 3, kBlank = 2 };

struct ClassTable {
    unsigned char cls[256] = {};
    ClassTable(bool iso, bool scramble) {
        for (unsigned char c : {'\t', '\r', '\n', '"', '<', '>', '=', '\\', '{'})
            cls[c] = kSpecial;
        cls[static_cast<unsigned char>(' ')] = scramble ? kSpecial : kBlank;
        if (iso) {
            for (int c = 128; c < 256; ++c)
                cls[c] = kIso;
        }
    }
};
// Indexed by ConvertISO * 2 + ScrambleCode.
const ClassTable kClassTables[4] = {{false, false}, {false, true}, {true, false}, {true, true}};

#if defined(__SSE2__)
// Of the sixteen characters at `v`: the bits of those that stop a run, and of the blanks. A
// few plain characters (the other control characters) also stop the run: the slow path
// copies them just the same.
[[gnu::always_inline]] inline unsigned BlockStops(__m128i v, bool iso, bool scramble,
                                                  unsigned& blankBits) {
    const __m128i ctrlMax = _mm_set1_epi8('\r');
    const __m128i a = _mm_sub_epi8(v, _mm_set1_epi8('<')); // "<", "=" and ">" follow each other
    __m128i special = _mm_cmpeq_epi8(_mm_min_epu8(v, ctrlMax), v);
    special = _mm_or_si128(special, _mm_cmpeq_epi8(_mm_min_epu8(a, _mm_set1_epi8(2)), a));
    special = _mm_or_si128(special, _mm_cmpeq_epi8(v, _mm_set1_epi8('"')));
    special = _mm_or_si128(special, _mm_cmpeq_epi8(v, _mm_set1_epi8('\\')));
    special = _mm_or_si128(special, _mm_cmpeq_epi8(v, _mm_set1_epi8('{')));
    const __m128i blanks = _mm_cmpeq_epi8(v, _mm_set1_epi8(' '));
    if (scramble) special = _mm_or_si128(special, blanks);
    unsigned stops = static_cast<unsigned>(_mm_movemask_epi8(special));
    if (iso) stops |= static_cast<unsigned>(_mm_movemask_epi8(v)); // bytes from 0x80
    blankBits = static_cast<unsigned>(_mm_movemask_epi8(blanks));
    return stops;
}

// The last characters of a text, from `pos` (less than sixteen before `length`): one block
// that ends with the text (or, for a text shorter than that, a copy of it), the characters
// outside [pos, length) masked.
[[gnu::always_inline]] inline long ScanTail(const char* text, long pos, long length, bool iso,
                                            bool scramble, long& lastBlank) {
    long base = length - 16;
    __m128i v;
    unsigned outside = 0; // bits of the block beyond the text's end
    if (base >= 0) {
        v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + base));
    } else {
        alignas(16) char copy[16] = {};
        std::memcpy(copy, text, static_cast<size_t>(length));
        v = _mm_load_si128(reinterpret_cast<const __m128i*>(copy));
        base = 0;
        outside = 0xFFFFu & ~((1u << length) - 1);
    }
    const unsigned before = (1u << (pos - base)) - 1;
    unsigned blankBits = 0;
    const unsigned stops = (BlockStops(v, iso, scramble, blankBits) | outside) & ~before;
    blankBits &= ~before & ~outside;
    if (stops) blankBits &= (1u << __builtin_ctz(stops)) - 1;
    if (blankBits) lastBlank = base + 31 - __builtin_clz(blankBits);
    return stops ? std::min(length, base + __builtin_ctz(stops)) : length;
}
#endif

// The end of the run of plain characters and blanks that starts at `pos`, and in
// `lastBlank` the position of its last blank (left alone when it has none).
long ScanRun(const char* text, long pos, long length, const unsigned char* cls,
             [[maybe_unused]] bool iso, [[maybe_unused]] bool scramble, long& lastBlank) {
    // Half the runs in markup are empty: one special character follows another.
    if (pos < length && (cls[static_cast<unsigned char>(text[pos])] & kSpecial)) return pos;
#if defined(__SSE2__)
    // Sixteen characters at a time, the last few in one block that ends with the text.
    for (; pos + 16 <= length; pos += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + pos));
        unsigned blankBits = 0;
        const unsigned stops = BlockStops(v, iso, scramble, blankBits);
        if (stops) blankBits &= (1u << __builtin_ctz(stops)) - 1;
        if (blankBits) lastBlank = pos + 31 - __builtin_clz(blankBits);
        if (stops) return pos + __builtin_ctz(stops);
    }
    return pos < length ? ScanTail(text, pos, length, iso, scramble, lastBlank) : pos;
#else
    for (; pos < length; ++pos) {
        const unsigned char k = cls[static_cast<unsigned char>(text[pos])];
        if (k == kBlank) {
            lastBlank = pos;
        } else if (k != kPlain) {
            break;
        }
    }
    return pos;
#endif
}

struct Message {
    int number;
    const char* text;
};
constexpr Message kMessages[] = {
    {LS_MSG_MACRO_NOT_FOUND, "The macro \"%s\" was not found."},
    {LS_MSG_NAME_TOO_LONG, "Macro to long."},
    {LS_MSG_ERROR, "Error: "},
    {LS_MSG_EXTENSION_TOO_LONG, "Macroextension to long."},
    {LS_MSG_WARNING, "Warning: "},
    {LS_MSG_OVERLOADED_TOO_LONG, "The overloaded macro is to long."},
    {LS_MSG_LINE_STATEMENT_TOO_LONG, "The line statement is to long."},
    {LS_MSG_LINE_STATEMENT_SYNTAX, "The line statement syntax is wrong."},
    {LS_MSG_RECURSION, "!!---- Recursion in Macro. Operation canceled ----!!"},
    {LS_MSG_NO_LANGUAGE_SELECTED,
     "There are one or more languages defined, but none of them is selected\n"
     "The file might be shown inconsistent."},
    {LS_MSG_OPENING_MISSING, "\"<\" Missing"},
    {LS_MSG_CLOSING_MISSING, "\">\" Missing"},
    {LS_MSG_QUOTE_MISSING, "\" Missing or one to much."},
    {LS_MSG_TOO_MANY_PARAMS, "The Macro contains to many Parameters."},
    {LS_MSG_PARAM_UNDEFINED, "Referenced Parameter not defined in Macroplaceholder."},
};

// Length of the valid UTF-8 sequence at p (2 to 4), or 1 when there is none.
long Utf8Length(const char* p, long available) {
    const unsigned char* u = reinterpret_cast<const unsigned char*>(p);
    auto cont = [&](long i) { return i < available && (u[i] & 0xC0) == 0x80; };
    if (u[0] >= 0xC2 && u[0] <= 0xDF) return cont(1) ? 2 : 1;
    if (u[0] >= 0xE0 && u[0] <= 0xEF) {
        if (!cont(1) || !cont(2)) return 1;
        if (u[0] == 0xE0 && u[1] < 0xA0) return 1;  // overlong
        if (u[0] == 0xED && u[1] >= 0xA0) return 1; // surrogates
        return 3;
    }
    if (u[0] >= 0xF0 && u[0] <= 0xF4) {
        if (!cont(1) || !cont(2) || !cont(3)) return 1;
        if (u[0] == 0xF0 && u[1] < 0x90) return 1;
        if (u[0] == 0xF4 && u[1] >= 0x90) return 1;
        return 4;
    }
    return 1;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n';
}

// The attribute name at the end of the staging part, with the one blank before it.
size_t AttributeStart(const std::string& out, size_t mark) {
    size_t i = out.size();
    while (i > mark && !IsBlank(out[i - 1]) && out[i - 1] != '"' && out[i - 1] != '\'' &&
           out[i - 1] != '<') {
        --i;
    }
    if (i > mark && IsBlank(out[i - 1])) --i;
    return i;
}

} // namespace

bool tLS_LineMap::PlaceOf(const std::string& output, size_t offset, Place& place) const {
    if (offset >= output.size()) return false;
    auto after = std::upper_bound(steps_.begin(), steps_.end(), offset,
                                  [](size_t at, const Mark& m) { return at < m.offset; });
    if (after == steps_.begin()) return false;
    const Mark& m = *(after - 1);
    const Origin& o = origins_[static_cast<size_t>(m.origin)];
    place.macro = o.macro;
    place.name = o.name;
    place.base = o.base;
    place.line =
        m.line + static_cast<long>(std::count(output.begin() + static_cast<long>(m.offset),
                                              output.begin() + static_cast<long>(offset), '\n'));
    return true;
}

void tLS_LineMap::Clear() {
    origins_.clear();
    steps_.clear();
}

int tLS_LineMap::OriginOf(bool macro, const char* name, tLS_macrobase* base) {
    for (size_t i = 0; i < origins_.size(); ++i) {
        const Origin& o = origins_[i];
        if (o.macro == macro && o.base == base && o.name == name) return static_cast<int>(i);
    }
    origins_.push_back({macro, name, base});
    return static_cast<int>(origins_.size() - 1);
}

void tLS_LineMap::Step(int origin, long line, size_t offset) {
    while (!steps_.empty() && steps_.back().offset >= offset)
        steps_.pop_back();
    steps_.push_back({offset, line, origin});
}

namespace brevic {
void SetOutputLimit(size_t bytes) {
    g_limits.output = bytes;
}
void SetPieceSize(size_t bytes) {
    g_limits.piece = std::max<size_t>(bytes, 1);
}
unsigned long CharacterCounter() {
    return g_counter;
}
void SetCharacterCounter(unsigned long value) {
    g_counter = value;
}
} // namespace brevic

const char* tLS_compiler::MessageText(int number) {
    for (const Message& m : kMessages) {
        if (m.number == number) return m.text;
    }
    return "";
}

void brevic::Expander::Report(tDebugContext& context, long line, const Location& location,
                              const char* argument, int number) {
    if (!settings->SyntaxCheck) return;
    std::string text;
    if (location.macro) {
        text = "{#";
        text += location.text;
        text += '}';
    } else {
        text = location.text;
    }
    char head[48];
    std::snprintf(head, sizeof head, "\t(%ld) ", line);
    text += head;
    if (number % 2) {
        text += tLS_compiler::MessageText(LS_MSG_ERROR);
        ++context.errors;
    } else {
        text += tLS_compiler::MessageText(LS_MSG_WARNING);
        ++context.warnings;
    }
    const char* body = tLS_compiler::MessageText(number);
    const char* hole = argument ? std::strstr(body, "%s") : nullptr;
    if (hole) {
        text.append(body, static_cast<size_t>(hole - body));
        text += argument;
        text += hole + 2;
    } else {
        text += body;
    }
    context.log += text;
    context.log += '\n';
    if (context.messageList) context.messageList->AddString(text.c_str());
}

// Hands the output before the staging part to the output file, which writes it while the
// expansion goes on. Only the innermost expansion calls this: every enclosing one restarts
// its staging part when it resumes, and none holds on to the output's buffer.
bool brevic::Expander::Spill(std::string& out, size_t& mark) {
    // A cancelled build stops here too, so that a large page does not hold it up.
    if (brevic::internal::g_cancelled.load(std::memory_order_relaxed) ||
        !outputFile->WriteFront(out, mark))
        return false;
    spilled += mark;
    mark = 0;
    return true;
}

tLS_Error brevic::Expander::BuildTarget(const std::string& source, std::string& output,
                                        tDebugContext* context, tLS_macrobase** bases,
                                        const char* location, tCompilerSettings* options) {
    return Run(&source, nullptr, output, context, bases, location, options);
}

tLS_Error brevic::Expander::BuildTarget(brevic::TextFileReader& source, std::string& output,
                                        tDebugContext* context, tLS_macrobase** bases,
                                        const char* location, tCompilerSettings* options) {
    return Run(nullptr, &source, output, context, bases, location, options);
}

tLS_compiler::tLS_compiler() : expander(std::make_unique<brevic::Expander>()) {}
tLS_compiler::~tLS_compiler() = default;
tLS_compiler::tLS_compiler(tLS_compiler&&) noexcept = default;
tLS_compiler& tLS_compiler::operator=(tLS_compiler&&) noexcept = default;

tLS_Error tLS_compiler::BuildTarget(const std::string& source, std::string& output,
                                    tDebugContext* context, tLS_macrobase** bases,
                                    const char* location, tCompilerSettings* options) {
    return expander->BuildTarget(source, output, context, bases, location, options);
}

tLS_Error tLS_compiler::BuildTarget(brevic::TextFileReader& source, std::string& output,
                                    tDebugContext* context, tLS_macrobase** bases,
                                    const char* location, tCompilerSettings* options) {
    return expander->BuildTarget(source, output, context, bases, location, options);
}

void tLS_compiler::SetOutputFile(brevic::FileWriter* file) {
    expander->SetOutputFile(file);
}

void tLS_compiler::CountInto(unsigned long* count) {
    expander->CountInto(count);
}

void tLS_compiler::SetLineMap(tLS_LineMap* map) {
    expander->SetLineMap(map);
}

long tLS_compiler::GetModified() const {
    return expander->GetModified();
}

tLS_Error brevic::Expander::Run(const std::string* source, brevic::TextFileReader* reader,
                                std::string& output, tDebugContext* context, tLS_macrobase** bases,
                                const char* location, tCompilerSettings* options) {
    tCompilerSettings defaults;
    tDebugContext privateContext;
    settings = options ? options : &defaults;
    tDebugContext& ctx = context ? *context : privateContext;
    ctx.errors = ctx.warnings = ctx.depth = 0;
    modified = 0;
    spilled = 0;
    outputLimit = g_limits.output;
    tLS_Error result;
    try {
        if (ctx.messageList) ctx.messageList->ResetContent();
        const Location where{location ? location : "", false};
        if (source) {
            const tMacro top;
            long length = static_cast<long>(strnlen(source->c_str(), source->size()));
            result = Compile(source->c_str(), length, output, bases, ctx, where, top);
        } else {
            result = CompilePieces(*reader, output, bases, ctx, where);
        }
        // Spare room is given back where that is cheap; a large page keeps it (its untouched
        // pages take no memory, while giving it back would copy the whole page).
        if (output.size() < (size_t(16) << 20) && output.capacity() > 2 * output.size() + 4096)
            output.shrink_to_fit();
        if (ctx.messageList) {
            ctx.messageList->AddString(std::string(53, '=').c_str());
            char summary[96];
            std::snprintf(summary, sizeof summary, "%s %d -- %s %d",
                          tLS_compiler::MessageText(LS_MSG_ERROR), ctx.errors,
                          tLS_compiler::MessageText(LS_MSG_WARNING), ctx.warnings);
            ctx.messageList->AddString(summary);
            if (result == LS_RECURSION)
                ctx.messageList->AddString(tLS_compiler::MessageText(LS_MSG_RECURSION));
        }
    } catch (const std::bad_alloc&) {
        result = LS_BUILD_FAILED;
    }
    settings = nullptr;
    openEnd = nullptr;
    moreText = false;
    return result;
}

// The steps below are inlined into Compile's loop: a step called through a pointer to the
// Expansion would keep every field of it in memory instead of in registers. For the same
// reason nothing that is not inlined gets a pointer into it.
#define LS_STEP [[gnu::always_inline]] inline

// One run of Compile over one text: what it expands and where the scan stands. Each step
// handles one kind of character and leaves `pos` behind what it used.
struct brevic::Expander::Expansion {
    using Tag = TagState;

    brevic::Expander& compiler;
    const tCompilerSettings& opt;
    const char* const text;
    const long length;
    std::string& out;
    tLS_macrobase** const bases;
    tDebugContext& ctx;
    const Location& location;
    const tMacro& enclosing; // the placeholder whose macro text this is
    Piece* const piece;      // the piece of a template this text is, if it is one
    unsigned long& count;    // characters examined
    const unsigned char* const cls;
    const bool iso;
    const bool scramble;
    const bool newlineToSpace;
    tLS_Progress* const progress; // only a template reports progress
    const long progressStep;
    const long progressBase;
    int lastPercent;

    long pos = 0;
    ScanState state;
    size_t mark; // start of the staging part
    bool early;  // see Piece::assumed
    bool inexact;
    // Line statement: the last line only jumps to it; otherwise lines outside the range
    // are passed over without any effect.
    bool lineStatement;
    const long firstLine;
    const long lastLine;
    bool skipping = false;
    const int origin; // in the compiler's line map, if it keeps one

    LS_STEP Expansion(brevic::Expander& c, const char* t, long n, std::string& output,
                      tLS_macrobase** b, tDebugContext& context, const Location& where,
                      const tMacro& macro, Piece* p)
        : compiler(c), opt(*c.settings), text(t), length(n), out(output), bases(b), ctx(context),
          location(where), enclosing(macro), piece(p), count(c.counter ? *c.counter : g_counter),
          cls(kClassTables[(opt.ConvertISO ? 2 : 0) + (opt.ScrambleCode ? 1 : 0)].cls),
          iso(opt.ConvertISO != 0), scramble(opt.ScrambleCode != 0),
          newlineToSpace(opt.RemoveNewLineOnTags || opt.ScrambleCode),
          progress(macro.name[0] == '\0' ? context.progress : nullptr),
          progressStep(std::max(1L, (p ? p->total : n) / 100)), progressBase(p ? p->offset : 0),
          lastPercent(p ? p->lastPercent : -1), state(p ? p->state : ScanState{}),
          mark(p ? p->mark : output.size()), early(p && p->assumed && !p->flushed),
          inexact(p && p->inexact), lineStatement(macro.hasLineStatement != 0),
          firstLine(macro.firstLine), lastLine(macro.lastLine),
          origin(c.lineMap ? c.lineMap->OriginOf(where.macro, where.text, where.base) : -1) {
        if (lineStatement && firstLine == -1) JumpToLastLine();
        skipping = PassedOver();
        MapHere();
    }

    // Tells the line map (if any) where the output goes on from: called wherever the
    // output's line breaks stop following the text's (a line the output does not get, a
    // line break it gets from elsewhere, another text's output before this point).
    LS_STEP void MapHere() {
        if (origin >= 0) compiler.lineMap->Step(origin, state.line, compiler.spilled + out.size());
    }

    LS_STEP bool PassedOver() const {
        return lineStatement &&
               (state.line < firstLine || (lastLine != -1 && state.line > lastLine));
    }
    LS_STEP void JumpToLastLine() {
        lineStatement = false;
        const void* nl = memrchr(text, '\n', static_cast<size_t>(length));
        if (!nl) return;
        pos = static_cast<const char*>(nl) - text + 1;
        state.line += static_cast<long>(std::count(text, text + pos, '\n'));
    }
    LS_STEP char Next(long offset) const {
        return pos + offset < length ? text[pos + offset] : '\0';
    }

    // The staging part: flushed at blanks and insertions, and when it grows large.
    LS_STEP void Flush() {
        mark = out.size();
        early = false;
    }
    LS_STEP void Put(char c) {
        out.push_back(c);
        if (out.size() - mark >= kStageSize) mark = out.size();
    }
    LS_STEP void StageFull() {
        const size_t staged = out.size() - mark;
        if (staged >= kStageSize) mark += staged - staged % kStageSize;
    }
    LS_STEP void DropAttribute() {
        const size_t start = AttributeStart(out, mark);
        if (early && start == mark) inexact = true; // stopped by a start the piece took for granted
        out.resize(start);
    }

    // Where to go on with the next piece of a template.
    LS_STEP void Done() {
        if (!piece) return;
        piece->state = state;
        piece->mark = mark;
        piece->lastPercent = lastPercent;
        piece->stopped = pos;
        piece->flushed = !early;
        piece->inexact = inexact;
    }

    // The fast path: a run of characters that are copied as they are.
    LS_STEP void CopyRun() {
        const long start = pos;
        long lastBlank = -1;
        pos = ScanRun(text, pos, length, cls, iso, scramble, lastBlank);
        if (pos == start) return;
        count += static_cast<unsigned long>(pos - start);
        if (skipping) return;
        const size_t runStart = out.size();
        out.append(text + start, static_cast<size_t>(pos - start));
        // A blank flushes the staging part and starts it again with itself.
        if (lastBlank >= 0) {
            mark = runStart + static_cast<size_t>(lastBlank - start);
            early = false;
        }
        StageFull();
    }

    // Counts a line break; true (and the character used) when the character lies outside
    // the lines a line statement selects.
    LS_STEP bool PassOver(unsigned char c) {
        if (c == '\n') {
            ++state.line;
            skipping = PassedOver();
            if (!lineStatement || (!skipping && state.line != firstLine)) return false;
        } else if (!skipping) {
            return false;
        }
        ++pos;
        if (c == '\n') MapHere();
        return true;
    }

    // UTF-8 characters count as one: U+00A0..U+00FF become a reference, longer characters
    // are copied; a byte outside a valid sequence is a character itself.
    LS_STEP void CopyIso(unsigned char c) {
        unsigned code = c;
        const long used = Utf8Length(text + pos, length - pos);
        if (used == 2)
            code = ((c & 0x1Fu) << 6) | (static_cast<unsigned char>(text[pos + 1]) & 0x3Fu);
        if (used <= 2 && code >= 160 && code <= 255) {
            char ref[8];
            std::snprintf(ref, sizeof ref, "&#%u;", code);
            for (const char* r = ref; *r; ++r)
                Put(*r);
        } else {
            for (long k = 0; k < used; ++k)
                Put(text[pos + k]);
        }
        count += static_cast<unsigned long>(used - 1);
        pos += used;
    }

    // A character that is not copied as it is.
    LS_STEP tLS_Error Special(unsigned char c) {
        switch (c) {
        case '\n':
            return LineBreak();
        case '{':
            return Brace();
        case '<':
            OpenAngle();
            return LS_OK;
        case '>':
            CloseAngle();
            return LS_OK;
        case '=':
            Equals();
            return LS_OK;
        case '\t':
            if (!opt.RemoveTab) Put('\t');
            break;
        case '\r':
            break;
        case ' ':
            Blank();
            break;
        case '"':
            if (state.tag == Tag::Inside && !(pos > 0 && text[pos - 1] == '\\'))
                state.quote = !state.quote;
            Put('"');
            break;
        case '\\':
            if (Next(1) == '{') {
                Put('{');
                ++pos;
            } else {
                Put('\\');
            }
            break;
        default:
            Put(static_cast<char>(c));
            break;
        }
        ++pos;
        return LS_OK;
    }

    // The line-formatting text of the enclosing placeholder goes before every line break.
    LS_STEP tLS_Error LineBreak() {
        if (progress) {
            const int percent =
                static_cast<int>(std::min(100L, (progressBase + pos) / progressStep));
            if (percent != lastPercent) progress->SetPos(lastPercent = percent);
        }
        if (enclosing.hasLineText) {
            Flush();
            const std::string& lineText = enclosing.lineText;
            tLS_Error r =
                compiler.CompileNested(lineText.c_str(), static_cast<long>(lineText.size()), out,
                                       bases, ctx, location, kPlainText);
            if (r != LS_OK) return r;
            Flush();
        }
        Put(newlineToSpace && state.tag != Tag::Comment ? ' ' : '\n');
        if (enclosing.hasLineText || newlineToSpace) MapHere();
        ++pos;
        return LS_OK;
    }

    LS_STEP void Blank() {
        Flush();
        Put(' ');
        if (scramble && state.tag != Tag::Comment &&
            static_cast<long long>(count) > opt.ScrambleBlockSize) {
            count = 0;
            Put('\n');
            MapHere();
        }
    }

    LS_STEP void OpenAngle() {
        if (Next(1) == '<') {
            SkipLineComment();
            return;
        }
        if (state.tag != Tag::Comment) {
            if (state.tag == Tag::Inside)
                compiler.Report(ctx, state.line, location, nullptr, LS_MSG_CLOSING_MISSING);
            state.tag =
                (Next(1) == '!' && Next(2) == '-' && Next(3) == '-') ? Tag::Comment : Tag::Inside;
        }
        Put('<');
        ++pos;
    }

    // Line comment: removed up to the line break. A comment that fills its whole line takes
    // the line break with it.
    LS_STEP void SkipLineComment() {
        const bool wholeLine = pos == 0 || text[pos - 1] == '\n';
        const void* nl = std::memchr(text + pos, '\n', static_cast<size_t>(length - pos));
        if (!nl) {
            pos = length;
            return;
        }
        pos = static_cast<const char*>(nl) - text;
        if (wholeLine) {
            ++state.line;
            skipping = PassedOver();
            ++pos;
            MapHere();
        }
    }

    LS_STEP void CloseAngle() {
        if (state.tag == Tag::Comment) {
            if (pos > 0 && text[pos - 1] == '-') state.tag = Tag::Outside;
        } else {
            if (state.tag != Tag::Inside)
                compiler.Report(ctx, state.line, location, nullptr, LS_MSG_OPENING_MISSING);
            if (state.quote) {
                compiler.Report(ctx, state.line, location, nullptr, LS_MSG_QUOTE_MISSING);
                state.quote = false;
            }
            state.tag = Tag::Outside;
        }
        Put('>');
        ++pos;
    }

    // With RemoveAttr, an attribute without a value (`a=`, `a=""`, `a="#"`) goes.
    LS_STEP void Equals() {
        if (state.tag == Tag::Inside && opt.RemoveAttr) {
            const char n1 = Next(1);
            const long used = n1 == ' ' || n1 == '>'                          ? 1
                              : n1 == '"' && Next(2) == '"'                   ? 3
                              : n1 == '"' && Next(2) == '#' && Next(3) == '"' ? 4
                                                                              : 0;
            if (used) {
                DropAttribute();
                pos += used;
                return;
            }
        }
        Put('=');
        ++pos;
    }

    LS_STEP tLS_Error Brace() {
        if (Next(1) != '#') {
            Put('{');
            ++pos;
            return LS_OK;
        }
        Flush();
        // Copies: a pointer into the Expansion would keep it in memory (see LS_STEP).
        long at = pos;
        long line = state.line;
        tLS_Error r = compiler.ExpandPlaceholder(text, length, at, line, out, bases, ctx, location,
                                                 enclosing);
        pos = at;
        state.line = line;
        if (r != LS_OK || compiler.moreText) return r;
        Flush();
        skipping = PassedOver();
        MapHere();
        return LS_OK;
    }
};

#undef LS_STEP

tLS_Error brevic::Expander::Compile(const char* text, long length, std::string& out,
                                    tLS_macrobase** bases, tDebugContext& ctx,
                                    const Location& location, const tMacro& enclosing,
                                    Piece* piece) {
    Expansion x(*this, text, length, out, bases, ctx, location, enclosing, piece);
    for (;;) {
        x.CopyRun();
        if (x.mark >= kSpillSize && outputFile && !Spill(out, x.mark)) return LS_BUILD_FAILED;
        if (x.pos >= length) {
            x.Done();
            return LS_OK;
        }
        const unsigned char c = static_cast<unsigned char>(text[x.pos]);
        ++x.count;
        if (x.PassOver(c)) continue;
        if (x.cls[c] == kIso) {
            x.CopyIso(c);
            continue;
        }
        const tLS_Error r = x.Special(c);
        if (r != LS_OK) return r;
        if (moreText) { // the placeholder goes on in the next piece: count it then
            --x.count;
            x.Done();
            return LS_OK;
        }
    }
}

// Expands the placeholder whose "{" stands at `pos`; leaves `pos` behind it (or on the
// character behind the "{" of a placeholder that is never closed, which is then copied as
// text). A placeholder that goes on in the next piece leaves `pos` on its "{".
tLS_Error brevic::Expander::ExpandPlaceholder(const char* text, long length, long& pos, long& line,
                                              std::string& out, tLS_macrobase** bases,
                                              tDebugContext& ctx, const Location& location,
                                              const tMacro& enclosing) {
    if (brevic::internal::g_cancelled.load(std::memory_order_relaxed)) return LS_BUILD_FAILED;
    // One record per nesting level, used again for every placeholder of that level.
    const size_t level = static_cast<size_t>(ctx.depth);
    if (macros.size() <= level) macros.resize(level + 1);
    tMacro& macro = macros[level];
    long stop = pos + 1;
    const int message = tLS_compiler::ScanMacro(text, length, stop, macro);
    if (stop >= length && text + length == openEnd) {
        moreText = true;
        return LS_OK;
    }
    if (message) Report(ctx, line, location, nullptr, message);
    if (stop >= length) {
        out.push_back('{');
        pos += 1;
        return LS_OK;
    }
    // Line breaks inside the placeholder still count for the line numbers that follow.
    line += static_cast<long>(std::count(text + pos, text + stop, '\n'));
    pos = stop + 1;
    switch (macro.kind) {
    case LS_PLACEHOLDER_DATE_AND_TIME:
        if (!macro.lineText.empty())
            out += brevic::FormatLocalTime(macro.lineText.c_str(), brevic::CurrentTime());
        return LS_OK;
    case LS_PLACEHOLDER_PARAMETER:
        if (enclosing.hasParams && static_cast<unsigned>(macro.paramIndex) < enclosing.paramCount) {
            out += enclosing.params[macro.paramIndex];
        } else {
            Report(ctx, line, location, nullptr, LS_MSG_PARAM_UNDEFINED);
        }
        return LS_OK;
    case LS_PLACEHOLDER_MACRO:
        break;
    }
    return ExpandMacro(macro, line, out, bases, ctx, location, enclosing);
}

tLS_Error brevic::Expander::CompileNested(const char* text, long length, std::string& out,
                                          tLS_macrobase** bases, tDebugContext& ctx,
                                          const Location& location, const tMacro& enclosing) {
    if (ctx.depth > kMaxDepth) return LS_RECURSION;
    if (spilled + out.size() > outputLimit) return LS_BUILD_FAILED;
    ++ctx.depth;
    const tLS_Error r = Compile(text, length, out, bases, ctx, location, enclosing);
    if (r != LS_OK) return r;
    --ctx.depth;
    return LS_OK;
}

tLS_Error brevic::Expander::ExpandMacro(const tMacro& macro, long line, std::string& out,
                                        tLS_macrobase** bases, tDebugContext& ctx,
                                        const Location& location, const tMacro& enclosing) {
    char name[LS_NAME_FIELD + 32];
    std::strcpy(name, macro.name);
    if (enclosing.hasExtension) {
        if (std::strlen(macro.name) + std::strlen(enclosing.extension) < kOverloadedNameLimit) {
            std::strcat(name, enclosing.extension);
        } else {
            Report(ctx, line, location, nullptr, LS_MSG_OVERLOADED_TOO_LONG);
        }
    }
    if (!bases) return LS_OK;
    for (tLS_macrobase** base = bases; *base; ++base) {
        int index = -1;
        if ((*base)->GetMacroIndex(index, name, settings->CaseSensitive) != LS_OK) continue;
        modified = std::max(modified, (*base)->GetLastModified(index));
        std::string* content = nullptr;
        const tLS_Error r = (*base)->GetMacroContent(index, content);
        if (r != LS_OK) return r;
        const Location inner{name, true, *base};
        return CompileNested(content->c_str(),
                             static_cast<long>(strnlen(content->c_str(), content->size())), out,
                             bases, ctx, inner, macro);
    }
    if (bases[0]) Report(ctx, line, location, name, LS_MSG_MACRO_NOT_FOUND);
    return LS_OK;
}
