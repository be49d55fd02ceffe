// Private-profile (INI file) functions.
//
// The text is handled line by line ("\n" ends a line in memory; the file layer turns CR LF
// into "\n" and back). A line is one of:
//   - a section header: "[name]" after optional blanks; the name runs to the last ']' and
//     is trimmed, anything after that ']' is ignored;
//   - a comment: its first non-blank character is ';';
//   - a key line: "key=value", the key being everything before the first '=';
//   - anything else (blank lines, lines without '='), kept and ignored.
// Key lines before the first header belong to no section and are never matched.
// Blanks are spaces, tabs and stray CRs (a lone CR survives text mode, e.g. from "\r\r\n").
#include "brevic/ls_profile.h"

#include "brevic/ls_files.h"

#include <climits>
#include <cstring>
#include <set>
#include <string_view>
#include <vector>

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

char AsciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    }
    return true;
}

enum class LineKind { Other, Comment, Section, Key };

struct ParsedLine {
    LineKind kind = LineKind::Other;
    std::string_view name;  // section or key name, trimmed
    std::string_view value; // value of a key line, trimmed
};

ParsedLine ParseLine(std::string_view line, bool firstLine) {
    // A file saved by some editors starts with a UTF-8 byte order mark; it must not hide the
    // first section header. The mark itself stays in the text.
    if (firstLine && line.substr(0, kUtf8Bom.size()) == kUtf8Bom) {
        line.remove_prefix(kUtf8Bom.size());
    }
    const std::string_view t = Trim(line);
    ParsedLine p;
    if (t.empty()) return p;
    if (t.front() == ';') {
        p.kind = LineKind::Comment;
        return p;
    }
    if (t.front() == '[') {
        const size_t close = t.rfind(']');
        if (close != std::string_view::npos) {
            p.kind = LineKind::Section;
            p.name = Trim(t.substr(1, close - 1));
            return p;
        }
    }
    const size_t eq = t.find('=');
    if (eq == std::string_view::npos) return p;
    p.kind = LineKind::Key;
    p.name = Trim(t.substr(0, eq));
    p.value = Trim(t.substr(eq + 1));
    return p;
}

// The lines of `text` without their "\n". A final line without "\n" counts; the empty rest
// after a final "\n" does not.
std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t nl = text.find('\n', start);
        if (nl == std::string_view::npos) nl = text.size();
        lines.push_back(text.substr(start, nl - start));
        start = nl + 1;
    }
    return lines;
}

// Index of the first header named `section` and the end of its lines (the next header or
// the end of the text). False when there is no such section.
bool FindSection(const std::vector<std::string_view>& lines, std::string_view section,
                 size_t& header, size_t& end) {
    for (size_t i = 0; i < lines.size(); ++i) {
        const ParsedLine p = ParseLine(lines[i], i == 0);
        if (p.kind != LineKind::Section || !EqualNoCase(p.name, section)) continue;
        header = i;
        end = i + 1;
        while (end < lines.size() && ParseLine(lines[end], false).kind != LineKind::Section) {
            ++end;
        }
        return true;
    }
    return false;
}

bool FindValue(std::string_view text, std::string_view section, std::string_view key,
               std::string_view& value) {
    if (key.empty()) return false;
    const std::vector<std::string_view> lines = SplitLines(text);
    size_t header = 0;
    size_t end = 0;
    if (!FindSection(lines, section, header, end)) return false;
    for (size_t i = header + 1; i < end; ++i) {
        const ParsedLine p = ParseLine(lines[i], false);
        if (p.kind == LineKind::Key && EqualNoCase(p.name, key)) {
            value = p.value;
            return true;
        }
    }
    return false;
}

// A name as the C caller sees it: up to its first NUL byte.
std::string_view AsCString(std::string_view s) {
    return s.substr(0, s.find('\0'));
}

// Key names of the first section named `section` (null: all section names), each once
// (first spelling kept), in file order. Empty names are left out: they would end the list.
std::vector<std::string_view> ListNames(std::string_view text, const char* section) {
    const std::vector<std::string_view> lines = SplitLines(text);
    size_t first = 0;
    size_t end = lines.size();
    if (section) {
        size_t header = 0;
        if (!FindSection(lines, Trim(section), header, end)) return {};
        first = header + 1;
    }
    const LineKind wanted = section ? LineKind::Key : LineKind::Section;
    std::vector<std::string_view> names;
    std::set<std::string> seen;
    for (size_t i = first; i < end; ++i) {
        const ParsedLine p = ParseLine(lines[i], i == 0);
        if (p.kind != wanted) continue;
        const std::string_view name = AsCString(p.name);
        if (name.empty()) continue;
        std::string folded(name);
        for (char& c : folded)
            c = AsciiLower(c);
        if (seen.insert(std::move(folded)).second) names.push_back(name);
    }
    return names;
}

unsigned long CopyString(std::string_view s, char* out, unsigned long size) {
    if (!out || size == 0) return 0;
    s = AsCString(s);
    const size_t n = s.size() < size - 1 ? s.size() : size - 1;
    // memmove: `def` may be the caller's own output buffer.
    std::memmove(out, s.data(), n);
    out[n] = '\0';
    return static_cast<unsigned long>(n);
}

// Copies the names, each NUL-terminated, and a final NUL. When they do not fit, the last
// name that fits in part is cut, the buffer ends with two NULs and size - 2 is returned.
unsigned long CopyList(const std::vector<std::string_view>& names, char* out, unsigned long size) {
    if (!out || size == 0) return 0;
    std::string list;
    for (std::string_view n : names) {
        list.append(n);
        list.push_back('\0');
    }
    if (list.size() < size) {
        std::memcpy(out, list.data(), list.size());
        out[list.size()] = '\0';
        // An empty list still reads as a double NUL when there is room for one.
        if (list.empty() && size >= 2) out[1] = '\0';
        return static_cast<unsigned long>(list.size());
    }
    if (size == 1) {
        out[0] = '\0';
        return 0;
    }
    std::memcpy(out, list.data(), size - 2);
    out[size - 2] = '\0';
    out[size - 1] = '\0';
    return size - 2;
}

// Reads a leading decimal number with optional sign, clamped to the range of int.
bool ParseLeadingInt(std::string_view s, int& result) {
    size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        negative = s[i] == '-';
        ++i;
    }
    if (i >= s.size() || s[i] < '0' || s[i] > '9') return false;
    long long v = 0;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
        // Stop growing once past the int range; the digits still have to be consumed.
        if (v <= static_cast<long long>(INT_MAX) + 1) v = v * 10 + (s[i] - '0');
    }
    if (negative) v = -v;
    if (v > INT_MAX) v = INT_MAX;
    if (v < INT_MIN) v = INT_MIN;
    result = static_cast<int>(v);
    return true;
}

bool HasLineBreak(std::string_view s) {
    return s.find_first_of("\r\n") != std::string_view::npos;
}

// Whether the arguments of a write can be stored so that they read back as given. A line
// break would inject lines into the file, an '=' in a key would split it, and a key that
// starts with ';' or '[' would read back as a comment or a header.
bool WriteArgumentsValid(const char* section, const char* key, const char* value) {
    if (!section || HasLineBreak(section)) return false;
    if (key) {
        const std::string_view k = Trim(key);
        if (k.empty() || HasLineBreak(k) || k.find('=') != std::string_view::npos) return false;
        if (k.front() == ';' || k.front() == '[') return false;
    }
    if (key && value && HasLineBreak(value)) return false;
    return true;
}

bool IsBlankLine(std::string_view line) {
    return Trim(line).empty();
}

// Builds in `out` the text after the write. Lines not concerned are copied unchanged.
void ApplyWrite(std::string_view text, const char* section, const char* key, const char* value,
                std::string& out) {
    const std::string_view sec = Trim(section);
    const std::vector<std::string_view> lines = SplitLines(text);
    const size_t n = lines.size();
    const bool finalNewline = text.empty() || text.back() == '\n';

    std::vector<bool> dropped(n, false);
    size_t replaceAt = n;   // index of the key line to rewrite; n: none
    size_t insertAfter = n; // index after which the new key line goes; n: none
    bool appendSection = false;
    std::string keyLine;

    size_t header = 0;
    size_t end = 0;
    const bool found = FindSection(lines, sec, header, end);
    if (!key) {
        // Every section of that name goes, so that a later duplicate does not take its
        // place in reading.
        bool inMatch = false;
        for (size_t i = 0; i < n; ++i) {
            const ParsedLine p = ParseLine(lines[i], i == 0);
            if (p.kind == LineKind::Section) inMatch = EqualNoCase(p.name, sec);
            if (inMatch) dropped[i] = true;
        }
    } else {
        const std::string_view k = Trim(key);
        if (value) {
            keyLine.append(k);
            keyLine.push_back('=');
            keyLine.append(value);
        }
        if (found) {
            size_t lastNonBlank = header;
            bool keyFound = false;
            for (size_t i = header + 1; i < end; ++i) {
                if (!IsBlankLine(lines[i])) lastNonBlank = i;
                const ParsedLine p = ParseLine(lines[i], false);
                if (p.kind != LineKind::Key || !EqualNoCase(p.name, k)) continue;
                if (!value) {
                    // Duplicates go too: otherwise the deleted key would still read back
                    // with the value of the next line of that name.
                    dropped[i] = true;
                } else if (!keyFound) {
                    replaceAt = i;
                }
                keyFound = true;
            }
            if (value && !keyFound) insertAfter = lastNonBlank;
        } else if (value) {
            appendSection = true;
        }
    }

    out.reserve(text.size() + keyLine.size() + sec.size() + 8);
    for (size_t i = 0; i < n; ++i) {
        if (dropped[i]) continue;
        out.append(i == replaceAt ? std::string_view(keyLine) : lines[i]);
        const bool somethingFollows = i == insertAfter || appendSection;
        // A last line without line end keeps it that way unless a line is added after it.
        if (i + 1 < n || finalNewline || somethingFollows) out.push_back('\n');
        if (i == insertAfter) {
            out.append(keyLine);
            out.push_back('\n');
        }
    }
    if (appendSection) {
        if (!out.empty()) {
            // Separate the new section from the text above by one empty line.
            const std::string_view body(out.data(), out.size() - 1);
            const size_t lastStart = body.rfind('\n') + 1; // npos + 1 == 0
            if (!IsBlankLine(body.substr(lastStart))) out.push_back('\n');
        }
        out.push_back('[');
        out.append(sec);
        out.append("]\n");
        out.append(keyLine);
        out.push_back('\n');
    }
}

enum class LoadResult { Loaded, Missing, Failed };

// Reads the profile file. Missing: no file there (a write may create it). Failed: the path
// names something else or the file cannot be read; a write must then not replace it.
LoadResult LoadProfile(const char* file, std::string& text) {
    if (!file || !*file) return LoadResult::Failed;
    // Only regular files are opened: a FIFO or device there would block or never end.
    if (!brevic::FileExists(file)) {
        return brevic::IsDirectory(file) ? LoadResult::Failed : LoadResult::Missing;
    }
    return brevic::ReadTextFile(file, text) ? LoadResult::Loaded : LoadResult::Failed;
}

} // namespace

namespace brevic {

bool FindProfileValue(const std::string& text, const char* section, const char* key,
                      std::string& value) {
    value.clear();
    if (!section || !key) return false;
    try {
        std::string_view found;
        if (!FindValue(text, Trim(section), Trim(key), found)) return false;
        value.assign(found);
        return true;
    } catch (...) {
        value.clear();
        return false;
    }
}

void SetProfileValue(std::string& text, const char* section, const char* key, const char* value) {
    if (!WriteArgumentsValid(section, key, value)) return;
    try {
        std::string updated;
        ApplyWrite(text, section, key, value, updated);
        text.swap(updated);
    } catch (...) {
        // Out of memory: the text stays as it was.
    }
}

int ProfileInt(const std::string& text, const char* section, const char* key, int def) {
    std::string value;
    if (!FindProfileValue(text, section, key, value)) return def;
    int result = 0;
    return ParseLeadingInt(value, result) ? result : def;
}

bool ReadProfileValue(const char* section, const char* key, std::string& value, const char* file) {
    value.clear();
    try {
        std::string text;
        if (LoadProfile(file, text) != LoadResult::Loaded) return false;
        return FindProfileValue(text, section, key, value);
    } catch (...) {
        value.clear();
        return false;
    }
}

} // namespace brevic

int GetPrivateProfileInt(const char* section, const char* key, int def, const char* file) {
    std::string value;
    if (!brevic::ReadProfileValue(section, key, value, file)) return def;
    int result = 0;
    return ParseLeadingInt(value, result) ? result : def;
}

unsigned long GetPrivateProfileString(const char* section, const char* key, const char* def,
                                      char* out, unsigned long size, const char* file) {
    if (!out || size == 0) return 0;
    try {
        if (!section || !key) {
            std::string text;
            if (LoadProfile(file, text) != LoadResult::Loaded) text.clear();
            return CopyList(ListNames(text, section), out, size);
        }
        std::string value;
        if (brevic::ReadProfileValue(section, key, value, file)) {
            return CopyString(value, out, size);
        }
        return CopyString(def ? def : "", out, size);
    } catch (...) {
        out[0] = '\0';
        return 0;
    }
}

int WritePrivateProfileString(const char* section, const char* key, const char* value,
                              const char* file) {
    if (!section || !file) return 0;
    if (!WriteArgumentsValid(section, key, value)) return 0;
    try {
        std::string text;
        const LoadResult loaded = LoadProfile(file, text);
        if (loaded == LoadResult::Failed) return 0;
        std::string updated;
        ApplyWrite(text, section, key, value, updated);
        // Nothing to change (a deletion of something absent, the same value again): the
        // file is left alone, and a missing file is not created just to stay empty.
        if (updated == text) return 1;
        return brevic::WriteTextFileAtomic(file, updated) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}
