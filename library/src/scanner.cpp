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

constexpr int kMsgNameTooLong = 201;
constexpr int kMsgExtensionTooLong = 203;
constexpr int kMsgLineStatementTooLong = 207;
constexpr int kMsgLineStatementSyntax = 209;
constexpr int kMsgTooManyParams = 223;

struct NameEnds {
    bool ends[256] = {};
    constexpr NameEnds() {
        for (unsigned char c : {'}', '.', '[', ','}) ends[c] = true;
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

} // namespace

int tLS_compiler::ScanMacro(const char* text, long length, long& position, tMacro& macro) {
    // Everything a caller may read is set, so that one record can serve many placeholders.
    macro.hasExtension = macro.hasLineText = macro.hasLineStatement = macro.hasParams = 0;
    macro.kind = 0;
    macro.paramIndex = 0;
    macro.paramCount = 0;
    macro.firstLine = macro.lastLine = 0;
    macro.extension[0] = '\0';
    macro.lineText.clear();
    long p = position + 1;

    // A placeholder that runs into the end of the text stops there.
    auto unterminated = [&](int message) {
        position = length;
        return message;
    };

    // 1. Line-formatting text in double quotes.
    if (p < length && text[p] == '"') {
        const void* q = std::memchr(text + p + 1, '"', static_cast<size_t>(length - p - 1));
        if (!q) return unterminated(kMsgNameTooLong);
        long close = static_cast<const char*>(q) - text;
        macro.lineText.assign(text + p + 1, static_cast<size_t>(close - p - 1));
        macro.hasLineText = 1;
        p = close + 1;
    }

    // 2. The name: up to a character that ends it, the text's end, or one too many.
    const long nameStart = p;
    const long nameLimit = std::min(length, p + static_cast<long>(kNameMax));
    while (p < nameLimit && !kEndsName[static_cast<unsigned char>(text[p])]) ++p;
    const size_t n = static_cast<size_t>(p - nameStart);
    std::memcpy(macro.name, text + nameStart, n);
    macro.name[n] = '\0';
    if (p >= length) return unterminated(kMsgNameTooLong);
    if (!kEndsName[static_cast<unsigned char>(text[p])]) {
        position = p;
        return kMsgNameTooLong;
    }

    // 3. The extension.
    if (text[p] == '.') {
        size_t e = 0;
        for (++p;; ++p) {
            if (p >= length) {
                macro.extension[e] = '\0';
                return unterminated(kMsgNameTooLong);
            }
            char c = text[p];
            if (c == '}' || c == '[' || c == ',') break;
            if (e == kExtensionMax) {
                macro.extension[e] = '\0';
                position = p;
                return kMsgExtensionTooLong;
            }
            macro.extension[e++] = c;
        }
        macro.extension[e] = '\0';
        macro.hasExtension = 1;
    }

    // 4. The line statement.
    if (text[p] == '[') {
        char buf[kLineStatementMax + 1];
        size_t k = 0;
        for (++p;; ++p) {
            if (p >= length) return unterminated(kMsgLineStatementSyntax);
            char c = text[p];
            if (c == ']' || c == ',' || c == '}') break;
            if (k == kLineStatementMax) {
                position = p;
                return kMsgLineStatementTooLong;
            }
            buf[k++] = c;
        }
        long first = 0;
        long last = 0;
        if (text[p] != ']' || !ParseLineStatement(buf, k, first, last)) {
            position = p;
            return kMsgLineStatementSyntax;
        }
        ++p;
        if (p >= length) return unterminated(kMsgNameTooLong);
        if (text[p] != ',' && text[p] != '}') {
            position = p;
            return kMsgLineStatementSyntax;
        }
        macro.firstLine = first;
        macro.lastLine = last;
        macro.hasLineStatement = 1;
    }

    // 5. Parameters.
    if (text[p] == ',') {
        unsigned count = 1;
        macro.params[0].clear();
        long start = p + 1;
        for (++p;; ++p) {
            if (p >= length) return unterminated(kMsgNameTooLong);
            char c = text[p];
            if (c != ',' && c != '}') continue;
            macro.params[count - 1].assign(text + start, static_cast<size_t>(p - start));
            if (c == '}') break;
            if (count == LS_MAX_PARAMS) {
                macro.hasParams = 1;
                macro.paramCount = count;
                position = p;
                return kMsgTooManyParams;
            }
            macro.params[count++].clear();
            start = p + 1;
        }
        macro.hasParams = 1;
        macro.paramCount = count;
    }

    // 6. Reserved names.
    if (macro.name[0] == '_') {
        static const char kParamPrefix[] = "_MACRO_PARAM_";
        if (std::strcmp(macro.name, "_DATE_AND_TIME_") == 0) {
            macro.kind = 1;
        } else if (std::strncmp(macro.name, kParamPrefix, sizeof kParamPrefix - 1) == 0) {
            macro.kind = 2;
            // A signed number: a negative one names no parameter.
            const char* digits = macro.name + sizeof kParamPrefix - 1;
            bool negative = *digits == '-';
            if (*digits == '-' || *digits == '+') ++digits;
            long number = LineNumber(digits, digits + std::strlen(digits));
            macro.paramIndex = static_cast<int>(negative ? -number : number);
        }
    }

    position = p; // on the closing "}"
    return 0;
}
