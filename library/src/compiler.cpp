// The macro expansion: one pass over a text, recursing into macro texts.
//
// Output goes straight into the output string. The "staging buffer" of the expansion is
// the part of the output behind `mark`: it is what the RemoveAttr rule may take back, and
// it is flushed (mark moved to the end) at every space, before every insertion, and
// whenever it reaches 1024 characters.
#include "brevic/ls_compiler.h"

#include "brevic/ls_files.h"
#include "brevic/ls_macrobase.h"
#include "expansion.h"

#include <algorithm>
#include <deque>
#include <cstdio>
#include <cstring>
#include <new>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

using brevic::internal::kSpillSize;

namespace {

unsigned long g_counter = 0; // characters examined, library-wide
// Macros that call each other many times can multiply the output without bound: a build
// that grows past this fails instead of exhausting the machine's memory.
size_t g_outputLimit = size_t(1) << 30;

constexpr size_t kStageSize = 1024;
constexpr int kMaxDepth = 20; // depth may be raised while it is not above this
constexpr size_t kOverloadedNameLimit = 33;

enum class Tag { Outside, Inside, Comment };

// Character classes of the fast path: plain characters are copied as they are; a blank
// (while scrambling is off) is copied too and restarts the staging part.
// kSpecial and kIso stop a run; kSpecial is the one bit they share.
enum : unsigned char { kPlain = 0, kSpecial = 1, kIso = 3, kBlank = 2 };

struct ClassTable {
    unsigned char cls[256] = {};
    ClassTable(bool iso, bool scramble) {
        for (unsigned char c : {'\t', '\r', '\n', '"', '<', '>', '=', '\\', '{'}) cls[c] = kSpecial;
        cls[static_cast<unsigned char>(' ')] = scramble ? kSpecial : kBlank;
        if (iso) {
            for (int c = 128; c < 256; ++c) cls[c] = kIso;
        }
    }
};
// Indexed by ConvertISO * 2 + ScrambleCode.
const ClassTable kClassTables[4] = {{false, false}, {false, true}, {true, false}, {true, true}};

// The end of the run of plain characters and blanks that starts at `pos`, and in
// `lastBlank` the position of its last blank (left alone when it has none).
long ScanRun(const char* text, long pos, long length, const unsigned char* cls, [[maybe_unused]] bool iso,
             [[maybe_unused]] bool scramble, long& lastBlank) {
    // Half the runs in markup are empty: one special character follows another.
    if (pos < length && (cls[static_cast<unsigned char>(text[pos])] & kSpecial)) return pos;
#if defined(__SSE2__)
    // Sixteen characters at a time. A few plain characters (the other control characters)
    // also stop the run: the slow path copies them just the same.
    const __m128i ctrlMax = _mm_set1_epi8('\r');
    const __m128i angle = _mm_set1_epi8('<'); // "<", "=" and ">" follow each other
    const __m128i two = _mm_set1_epi8(2);
    const __m128i quote = _mm_set1_epi8('"');
    const __m128i backslash = _mm_set1_epi8('\\');
    const __m128i brace = _mm_set1_epi8('{');
    const __m128i blank = _mm_set1_epi8(' ');
    for (; pos + 16 <= length; pos += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + pos));
        __m128i special = _mm_cmpeq_epi8(_mm_min_epu8(v, ctrlMax), v);
        const __m128i a = _mm_sub_epi8(v, angle);
        special = _mm_or_si128(special, _mm_cmpeq_epi8(_mm_min_epu8(a, two), a));
        special = _mm_or_si128(special, _mm_cmpeq_epi8(v, quote));
        special = _mm_or_si128(special, _mm_cmpeq_epi8(v, backslash));
        special = _mm_or_si128(special, _mm_cmpeq_epi8(v, brace));
        const __m128i blanks = _mm_cmpeq_epi8(v, blank);
        if (scramble) special = _mm_or_si128(special, blanks);
        unsigned stops = static_cast<unsigned>(_mm_movemask_epi8(special));
        if (iso) stops |= static_cast<unsigned>(_mm_movemask_epi8(v)); // bytes from 0x80
        unsigned blankBits = static_cast<unsigned>(_mm_movemask_epi8(blanks));
        if (stops) blankBits &= (1u << __builtin_ctz(stops)) - 1;
        if (blankBits) lastBlank = pos + 31 - __builtin_clz(blankBits);
        if (stops) return pos + __builtin_ctz(stops);
    }
#endif
    // The rest (or everything, without SSE2) one character at a time.
    for (; pos < length; ++pos) {
        const unsigned char k = cls[static_cast<unsigned char>(text[pos])];
        if (k == kBlank) {
            lastBlank = pos;
        } else if (k != kPlain) {
            break;
        }
    }
    return pos;
}

struct Message {
    int number;
    const char* text;
};
constexpr Message kMessages[] = {
    {200, "The macro \"%s\" was not found."},
    {201, "Macro to long."},
    {202, "Error: "},
    {203, "Macroextension to long."},
    {204, "Warning: "},
    {205, "The overloaded macro is to long."},
    {207, "The line statement is to long."},
    {209, "The line statement syntax is wrong."},
    {213, "!!---- Recursion in Macro. Operation canceled ----!!"},
    {217, "\"<\" Missing"},
    {219, "\">\" Missing"},
    {221, "\" Missing or one to much."},
    {223, "The Macro contains to many Parameters."},
    {224, "Referenced Parameter not defined in Macroplaceholder."},
};

// Length of the valid UTF-8 sequence at p (2 to 4), or 1 when there is none.
long Utf8Length(const char* p, long available) {
    const unsigned char* u = reinterpret_cast<const unsigned char*>(p);
    auto cont = [&](long i) { return i < available && (u[i] & 0xC0) == 0x80; };
    if (u[0] >= 0xC2 && u[0] <= 0xDF) return cont(1) ? 2 : 1;
    if (u[0] >= 0xE0 && u[0] <= 0xEF) {
        if (!cont(1) || !cont(2)) return 1;
        if (u[0] == 0xE0 && u[1] < 0xA0) return 1; // overlong
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

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n'; }

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

namespace brevic {
void SetOutputLimit(size_t bytes) { g_outputLimit = bytes; }
unsigned long CharacterCounter() { return g_counter; }
void SetCharacterCounter(unsigned long value) { g_counter = value; }
} // namespace brevic

const char* tLS_compiler::MessageText(int number) {
    for (const Message& m : kMessages) {
        if (m.number == number) return m.text;
    }
    return "";
}

void tLS_compiler::Report(tDebugContext& context, long line, const Location& location,
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
        text += MessageText(202);
        ++context.errors;
    } else {
        text += MessageText(204);
        ++context.warnings;
    }
    const char* body = MessageText(number);
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
bool tLS_compiler::Spill(std::string& out, size_t& mark) {
    if (!outputFile->WriteFront(out, mark)) return false;
    spilled += mark;
    mark = 0;
    return true;
}

tLS_Error tLS_compiler::BuildTarget(const std::string& source, std::string& output,
                                    tDebugContext* context, tLS_macrobase** bases,
                                    const char* location, tCompilerSettings* options) {
    return Run(&source, nullptr, output, context, bases, location, options);
}

tLS_Error tLS_compiler::BuildTarget(brevic::TextFileReader& source, std::string& output,
                                    tDebugContext* context, tLS_macrobase** bases,
                                    const char* location, tCompilerSettings* options) {
    return Run(nullptr, &source, output, context, bases, location, options);
}

tLS_Error tLS_compiler::Run(const std::string* source, brevic::TextFileReader* reader,
                            std::string& output, tDebugContext* context, tLS_macrobase** bases,
                            const char* location, tCompilerSettings* options) {
    tCompilerSettings defaults;
    tDebugContext privateContext;
    settings = options ? options : &defaults;
    tDebugContext& ctx = context ? *context : privateContext;
    ctx.errors = ctx.warnings = ctx.depth = 0;
    modified = 0;
    spilled = 0;
    outputLimit = g_outputLimit;
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
            std::snprintf(summary, sizeof summary, "%s %d -- %s %d", MessageText(202), ctx.errors,
                          MessageText(204), ctx.warnings);
            ctx.messageList->AddString(summary);
            if (result == LS_RECURSION) ctx.messageList->AddString(MessageText(213));
        }
    } catch (const std::bad_alloc&) {
        result = LS_BUILD_FAILED;
    }
    settings = nullptr;
    openEnd = nullptr;
    moreText = false;
    return result;
}

tLS_Error tLS_compiler::Compile(const char* text, long length, std::string& out,
                                tLS_macrobase** bases, tDebugContext& ctx,
                                const Location& location, const tMacro& enclosing, Piece* piece) {
    const tCompilerSettings& opt = *settings;
    unsigned long& count = counter ? *counter : g_counter; // characters examined
    const unsigned char* cls = kClassTables[(opt.ConvertISO ? 2 : 0) + (opt.ScrambleCode ? 1 : 0)].cls;
    const bool iso = opt.ConvertISO != 0;
    const bool scramble = opt.ScrambleCode != 0;
    const bool newlineToSpace = opt.RemoveNewLineOnTags || opt.ScrambleCode;
    const long long blockSize = opt.ScrambleBlockSize;
    const bool topLevel = enclosing.name[0] == '\0';
    tLS_Progress* progress = topLevel ? ctx.progress : nullptr;
    const long progressStep = std::max(1L, (piece ? piece->total : length) / 100);
    const long progressBase = piece ? piece->offset : 0;
    int lastPercent = piece ? piece->lastPercent : -1;

    long pos = 0;
    long line = piece ? piece->line : 1;
    Tag tag = piece ? static_cast<Tag>(piece->tag) : Tag::Outside;
    bool quote = piece && piece->quote;
    size_t mark = piece ? piece->mark : out.size(); // start of the staging part
    bool early = piece && piece->assumed && !piece->flushed; // see Piece
    bool inexact = piece && piece->inexact;
    // A piece of a template: where to go on with the next one.
    auto pieceDone = [&]() {
        if (!piece) return;
        piece->line = line;
        piece->tag = static_cast<int>(tag);
        piece->quote = quote;
        piece->mark = mark;
        piece->lastPercent = lastPercent;
        piece->stopped = pos;
        piece->flushed = !early;
        piece->inexact = inexact;
    };

    // Line statement: the last line only jumps to it; otherwise lines outside the range
    // are passed over without any effect.
    bool lineStatement = enclosing.hasLineStatement != 0;
    const long firstLine = enclosing.firstLine;
    const long lastLine = enclosing.lastLine;
    if (lineStatement && firstLine == -1) {
        lineStatement = false;
        const void* nl = memrchr(text, '\n', static_cast<size_t>(length));
        if (nl) {
            pos = static_cast<const char*>(nl) - text + 1;
            line += static_cast<long>(std::count(text, text + pos, '\n'));
        }
    }
    auto passedOver = [&]() {
        return lineStatement && (line < firstLine || (lastLine != -1 && line > lastLine));
    };
    bool skipping = passedOver();

    auto flush = [&]() {
        mark = out.size();
        early = false;
    };
    auto stageFull = [&]() {
        size_t staged = out.size() - mark;
        if (staged >= kStageSize) mark += staged - staged % kStageSize;
    };
    auto put = [&](char c) {
        out.push_back(c);
        if (out.size() - mark >= kStageSize) mark = out.size();
    };
    auto next = [&](long offset) -> char { return pos + offset < length ? text[pos + offset] : '\0'; };
    auto dropAttribute = [&]() {
        const size_t start = AttributeStart(out, mark);
        if (early && start == mark) inexact = true; // stopped by a start the piece took for granted
        out.resize(start);
    };

    for (;;) {
        // Fast path: a run of characters that are copied as they are.
        long start = pos;
        long lastBlank = -1;
        pos = ScanRun(text, pos, length, cls, iso, scramble, lastBlank);
        if (pos > start) {
            count += static_cast<unsigned long>(pos - start);
            if (!skipping) {
                const size_t runStart = out.size();
                out.append(text + start, static_cast<size_t>(pos - start));
                // A blank flushes the staging part and starts it again with itself.
                if (lastBlank >= 0) {
                    mark = runStart + static_cast<size_t>(lastBlank - start);
                    early = false;
                }
                stageFull();
            }
        }
        if (mark >= kSpillSize && outputFile && !Spill(out, mark)) return LS_BUILD_FAILED;
        if (pos >= length) {
            pieceDone();
            return LS_OK;
        }

        const unsigned char c = static_cast<unsigned char>(text[pos]);
        ++count;
        if (c == '\n') {
            ++line;
            skipping = passedOver();
            if (lineStatement && (skipping || line == firstLine)) {
                ++pos;
                continue;
            }
        } else if (skipping) {
            ++pos;
            continue;
        }

        if (cls[c] == kIso) {
            // UTF-8 characters count as one: U+00A0..U+00FF become a reference, longer
            // characters are copied; a byte outside a valid sequence is a character itself.
            unsigned code = c;
            long used = Utf8Length(text + pos, length - pos);
            if (used == 2) code = ((c & 0x1Fu) << 6) | (static_cast<unsigned char>(text[pos + 1]) & 0x3Fu);
            if (used <= 2 && code >= 160 && code <= 255) {
                char ref[8];
                std::snprintf(ref, sizeof ref, "&#%u;", code);
                for (const char* r = ref; *r; ++r) put(*r);
            } else {
                for (long k = 0; k < used; ++k) put(text[pos + k]);
            }
            count += static_cast<unsigned long>(used - 1);
            pos += used;
            continue;
        }

        switch (c) {
        case '\t':
            if (!opt.RemoveTab) put('\t');
            break;
        case '\r':
            break;
        case '\n':
            if (progress) {
                int percent = static_cast<int>(std::min(100L, (progressBase + pos) / progressStep));
                if (percent != lastPercent) progress->SetPos(lastPercent = percent);
            }
            if (enclosing.hasLineText) {
                flush();
                if (ctx.depth > kMaxDepth) return LS_RECURSION;
                if (spilled + out.size() > outputLimit) return LS_BUILD_FAILED;
                ++ctx.depth;
                const tMacro plain;
                tLS_Error r = Compile(enclosing.lineText.c_str(),
                                      static_cast<long>(enclosing.lineText.size()), out, bases, ctx,
                                      location, plain);
                if (r != LS_OK) return r;
                --ctx.depth;
                flush();
            }
            put(newlineToSpace && tag != Tag::Comment ? ' ' : '\n');
            break;
        case ' ':
            flush();
            put(' ');
            if (opt.ScrambleCode && tag != Tag::Comment &&
                static_cast<long long>(count) > blockSize) {
                count = 0;
                put('\n');
            }
            break;
        case '"':
            if (tag == Tag::Inside && !(pos > 0 && text[pos - 1] == '\\')) quote = !quote;
            put('"');
            break;
        case '<':
            if (next(1) == '<') {
                // Line comment: removed up to the line break. A comment that fills its whole
                // line takes the line break with it.
                bool wholeLine = pos == 0 || text[pos - 1] == '\n';
                const void* nl = std::memchr(text + pos, '\n', static_cast<size_t>(length - pos));
                if (!nl) {
                    pos = length;
                    continue;
                }
                pos = static_cast<const char*>(nl) - text;
                if (wholeLine) {
                    ++line;
                    skipping = passedOver();
                    ++pos;
                }
                continue;
            }
            if (tag == Tag::Comment) {
                put('<');
                break;
            }
            if (tag == Tag::Inside) Report(ctx, line, location, nullptr, 219);
            tag = (next(1) == '!' && next(2) == '-' && next(3) == '-') ? Tag::Comment : Tag::Inside;
            put('<');
            break;
        case '>':
            if (tag == Tag::Comment) {
                if (pos > 0 && text[pos - 1] == '-') tag = Tag::Outside;
                put('>');
                break;
            }
            if (tag != Tag::Inside) Report(ctx, line, location, nullptr, 217);
            if (quote) {
                Report(ctx, line, location, nullptr, 221);
                quote = false;
            }
            tag = Tag::Outside;
            put('>');
            break;
        case '=':
            if (tag == Tag::Inside && opt.RemoveAttr) {
                char n1 = next(1);
                if (n1 == ' ' || n1 == '>') {
                    dropAttribute();
                    break;
                }
                if (n1 == '"' && next(2) == '"') {
                    dropAttribute();
                    pos += 3;
                    continue;
                }
                if (n1 == '"' && next(2) == '#' && next(3) == '"') {
                    dropAttribute();
                    pos += 4;
                    continue;
                }
            }
            put('=');
            break;
        case '\\':
            if (next(1) == '{') {
                put('{');
                pos += 2;
                continue;
            }
            put('\\');
            break;
        case '{':
            if (next(1) == '#') {
                flush();
                tLS_Error r = ExpandPlaceholder(text, length, pos, line, out, bases, ctx, location,
                                                enclosing);
                if (r != LS_OK) return r;
                if (moreText) { // the placeholder goes on in the next piece: count it then
                    --count;
                    pieceDone();
                    return LS_OK;
                }
                flush();
                skipping = passedOver();
                continue;
            }
            put('{');
            break;
        default:
            put(static_cast<char>(c));
            break;
        }
        ++pos;
    }
}

// Expands the placeholder whose "{" stands at `pos`; leaves `pos` behind it (or on the
// character behind the "{" of a placeholder that is never closed, which is then copied as
// text).
tLS_Error tLS_compiler::ExpandPlaceholder(const char* text, long length, long& pos, long& line,
                                          std::string& out, tLS_macrobase** bases,
                                          tDebugContext& ctx, const Location& location,
                                          const tMacro& enclosing) {
    // One record per nesting level, used again for every placeholder of that level.
    const size_t level = static_cast<size_t>(ctx.depth);
    if (macros.size() <= level) macros.resize(level + 1);
    tMacro& macro = macros[level];
    long stop = pos + 1;
    int message = ScanMacro(text, length, stop, macro);
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

    if (macro.kind == 1) {
        if (!macro.lineText.empty()) out += brevic::FormatLocalTime(macro.lineText.c_str(), brevic::CurrentTime());
        return LS_OK;
    }
    if (macro.kind == 2) {
        if (enclosing.hasParams && static_cast<unsigned>(macro.paramIndex) < enclosing.paramCount) {
            out += enclosing.params[macro.paramIndex];
        } else {
            Report(ctx, line, location, nullptr, 224);
        }
        return LS_OK;
    }

    char name[LS_NAME_FIELD + 32];
    std::strcpy(name, macro.name);
    if (enclosing.hasExtension) {
        if (std::strlen(macro.name) + std::strlen(enclosing.extension) < kOverloadedNameLimit) {
            std::strcat(name, enclosing.extension);
        } else {
            Report(ctx, line, location, nullptr, 205);
        }
    }
    if (!bases) return LS_OK;
    for (tLS_macrobase** base = bases; *base; ++base) {
        int index = -1;
        if ((*base)->GetMacroIndex(index, name, settings->CaseSensitive) != LS_OK) continue;
        modified = std::max(modified, (*base)->GetLastModified(index));
        std::string* content = nullptr;
        tLS_Error r = (*base)->GetMacroContent(index, content);
        if (r != LS_OK) return r;
        const Location inner{name, true};
        if (ctx.depth > kMaxDepth) return LS_RECURSION;
        if (spilled + out.size() > outputLimit) return LS_BUILD_FAILED;
        ++ctx.depth;
        long innerLength = static_cast<long>(strnlen(content->c_str(), content->size()));
        r = Compile(content->c_str(), innerLength, out, bases, ctx, inner, macro);
        if (r != LS_OK) return r;
        --ctx.depth;
        return LS_OK;
    }
    if (bases[0]) Report(ctx, line, location, name, 200);
    return LS_OK;
}
