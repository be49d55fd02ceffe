// The placeholder parser: reads one "{#...}" into a tMacro.
//
// Syntax, each part optional but the name, in this order:
//   "text"   line-formatting text (inserted before every line break of the macro text)
//   name     up to "}", ".", "[" or ","  (at most 33 characters)
//   .ext     extension, up to "}", "[" or ","  (at most 31 characters)
//   [n] [n-m] [n-L] [L...]  line statement (at most 9 characters)
//   ,a,b     parameters up to "}" (at most 10)
#include "brevic/ls_compiler.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr size_t kNameMax = 33;
constexpr size_t kExtensionMax = 31;
constexpr size_t kLineStatementMax = 9;

struct NameEnds {
    bool ends[256] = {};
    constexpr NameEnds() {
        for (unsigned char c : {'}', '.', '[', ','})
            ends[c] = true;
    }
    constexpr bool operator[](unsigned char c) const { return ends[c]; }
};
constexpr NameEnds kEndsName;

// Reads a line number: leading decimal digits; 0 when there are none (or the value is 0).
long LineNumber(const char* p, const char* end) {
    long value = 0;
    for (; p < end && *p >= '0' && *p <= '9'; ++p) {
        if (value > 100000000L) return value; // far beyond any text; keeps clear of overflow
        value = value * 10 + (*p - '0');
    }
    return value;
}

// Parses the inside of the square brackets into first and last line; false for a syntax
// error.
bool ParseLineStatement(const char* s, size_t n, long& first, long& last) {
    if (n > 0 && s[0] == 'L') {
        first = -1;
        last = 0;
        return true;
    }
    const char* end = s + n;
    const char* dash = static_cast<const char*>(std::memchr(s, '-', n));
    first = LineNumber(s, dash ? dash : end);
    if (first == 0) return false;
    if (!dash) {
        last = first;
        return true;
    }
    if (dash + 1 < end && dash[1] == 'L') {
        last = -1;
        return true;
    }
    last = LineNumber(dash + 1, end);
    return last != 0;
}

// Reads the parts of one placeholder in order. Each step starts at `p` and returns 0 with
// `p` on the character that ended its part, or the message that ends the placeholder with
// `stop` where parsing stopped (the text's length for a placeholder not closed before it).
struct PlaceholderReader {
    const char* text;
    long length;
    tMacro& macro;
    long p;
    long stop = 0;

    int Fail(long at, int message) {
        stop = at;
        return message;
    }
    int Unterminated(int message) { return Fail(length, message); }

    // Line-formatting text in double quotes.
    int LineText() {
        if (p >= length || text[p] != '"') return 0;
        const void* q = std::memchr(text + p + 1, '"', static_cast<size_t>(length - p - 1));
        if (!q) return Unterminated(LS_MSG_NAME_TOO_LONG);
        const long close = static_cast<const char*>(q) - text;
        macro.lineText.assign(text + p + 1, static_cast<size_t>(close - p - 1));
        macro.hasLineText = 1;
        p = close + 1;
        return 0;
    }

    // The name: up to a character that ends it, the text's end, or one too many.
    int Name() {
        const long nameStart = p;
        const long nameLimit = std::min(length, p + static_cast<long>(kNameMax));
        while (p < nameLimit && !kEndsName[static_cast<unsigned char>(text[p])])
            ++p;
        const size_t n = static_cast<size_t>(p - nameStart);
        std::memcpy(macro.name, text + nameStart, n);
        macro.name[n] = '\0';
        if (p >= length) return Unterminated(LS_MSG_NAME_TOO_LONG);
        if (!kEndsName[static_cast<unsigned char>(text[p])]) return Fail(p, LS_MSG_NAME_TOO_LONG);
        return 0;
    }

    int Extension() {
        if (text[p] != '.') return 0;
        size_t e = 0;
        for (++p;; ++p) {
            if (p >= length) {
                macro.extension[e] = '\0';
                return Unterminated(LS_MSG_NAME_TOO_LONG);
            }
            const char c = text[p];
            if (c == '}' || c == '[' || c == ',') break;
            if (e == kExtensionMax) {
                macro.extension[e] = '\0';
                return Fail(p, LS_MSG_EXTENSION_TOO_LONG);
            }
            macro.extension[e++] = c;
        }
        macro.extension[e] = '\0';
        macro.hasExtension = 1;
        return 0;
    }

    int LineStatement() {
        if (text[p] != '[') return 0;
        char buf[kLineStatementMax + 1];
        size_t k = 0;
        for (++p;; ++p) {
            if (p >= length) return Unterminated(LS_MSG_LINE_STATEMENT_SYNTAX);
            const char c = text[p];
            if (c == ']' || c == ',' || c == '}') break;
            if (k == kLineStatementMax) return Fail(p, LS_MSG_LINE_STATEMENT_TOO_LONG);
            buf[k++] = c;
        }
        long first = 0;
        long last = 0;
        if (text[p] != ']' || !ParseLineStatement(buf, k, first, last))
            return Fail(p, LS_MSG_LINE_STATEMENT_SYNTAX);
        ++p;
        if (p >= length) return Unterminated(LS_MSG_NAME_TOO_LONG);
        if (text[p] != ',' && text[p] != '}') return Fail(p, LS_MSG_LINE_STATEMENT_SYNTAX);
        macro.firstLine = first;
        macro.lastLine = last;
        macro.hasLineStatement = 1;
        return 0;
    }

    int Parameters() {
        if (text[p] != ',') return 0;
        unsigned count = 1;
        macro.params[0].clear();
        long start = p + 1;
        for (++p;; ++p) {
            if (p >= length) return Unterminated(LS_MSG_NAME_TOO_LONG);
            const char c = text[p];
            if (c != ',' && c != '}') continue;
            macro.params[count - 1].assign(text + start, static_cast<size_t>(p - start));
            if (c == '}') break;
            if (count == LS_MAX_PARAMS) {
                macro.hasParams = 1;
                macro.paramCount = count;
                return Fail(p, LS_MSG_TOO_MANY_PARAMS);
            }
            macro.params[count++].clear();
            start = p + 1;
        }
        macro.hasParams = 1;
        macro.paramCount = count;
        return 0;
    }

    // Reserved names: the date and time, and references to the enclosing macro's parameters.
    void Kind() {
        if (macro.name[0] != '_') return;
        static const char kParamPrefix[] = "_MACRO_PARAM_";
        if (std::strcmp(macro.name, "_DATE_AND_TIME_") == 0) {
            macro.kind = LS_PLACEHOLDER_DATE_AND_TIME;
        } else if (std::strncmp(macro.name, kParamPrefix, sizeof kParamPrefix - 1) == 0) {
            macro.kind = LS_PLACEHOLDER_PARAMETER;
            // A signed number: a negative one names no parameter.
            const char* digits = macro.name + sizeof kParamPrefix - 1;
            const bool negative = *digits == '-';
            if (*digits == '-' || *digits == '+') ++digits;
            const long number = LineNumber(digits, digits + std::strlen(digits));
            macro.paramIndex = static_cast<int>(negative ? -number : number);
        }
    }
};

// Everything a caller may read is set, so that one record can serve many placeholders.
void Reset(tMacro& macro) {
    macro.hasExtension = macro.hasLineText = macro.hasLineStatement = macro.hasParams = 0;
    macro.kind = LS_PLACEHOLDER_MACRO;
    macro.paramIndex = 0;
    macro.paramCount = 0;
    macro.firstLine = macro.lastLine = 0;
    macro.extension[0] = '\0';
    macro.lineText.clear();
}

} // namespace

int tLS_compiler::ScanMacro(const char* text, long length, long& position, tMacro& macro) {
    Reset(macro);
    PlaceholderReader r{text, length, macro, position + 1};
    int message = r.LineText();
    if (!message) message = r.Name();
    if (!message) message = r.Extension();
    if (!message) message = r.LineStatement();
    if (!message) message = r.Parameters();
    if (message) {
        position = r.stop;
        return message;
    }
    r.Kind();
    position = r.p; // on the closing "}"
    return 0;
}
