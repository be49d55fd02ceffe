#include "rtf_reader.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>

namespace view {

namespace {

// Windows-1252 at 0x80..0x9F; the five unassigned bytes keep their C1 code points.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

constexpr char16_t Cp1252(unsigned char b) {
    return b >= 0x80 && b < 0xA0 ? kCp1252High[b - 0x80] : char16_t(b);
}

constexpr bool IsContinuation(unsigned char b) {
    return (b & 0xC0) == 0x80;
}

// Decodes UTF-8 into `dst`, which has room for `n` units (never more are needed). A byte that
// does not start a complete, well-formed sequence becomes its Windows-1252 character and
// decoding goes on with the next byte. Returns the number of units written.
size_t DecodeUtf8(const unsigned char* s, size_t n, char16_t* dst) {
    size_t i = 0;
    size_t o = 0;
    while (i < n) {
        const unsigned char b = s[i];
        if (b < 0x80) {
            dst[o++] = b;
            ++i;
            continue;
        }
        uint32_t cp = 0;
        size_t len = 0;
        if (b >= 0xC2 && b <= 0xDF) {
            if (i + 1 < n && IsContinuation(s[i + 1])) {
                cp = (uint32_t(b & 0x1F) << 6) | (s[i + 1] & 0x3F);
                len = 2;
            }
        } else if (b >= 0xE0 && b <= 0xEF) {
            // Overlong forms and surrogates are not valid UTF-8.
            const unsigned char lo = b == 0xE0 ? 0xA0 : 0x80;
            const unsigned char hi = b == 0xED ? 0x9F : 0xBF;
            if (i + 2 < n && s[i + 1] >= lo && s[i + 1] <= hi && IsContinuation(s[i + 2])) {
                cp = (uint32_t(b & 0x0F) << 12) | (uint32_t(s[i + 1] & 0x3F) << 6) |
                     (s[i + 2] & 0x3F);
                len = 3;
            }
        } else if (b >= 0xF0 && b <= 0xF4) {
            const unsigned char lo = b == 0xF0 ? 0x90 : 0x80;
            const unsigned char hi = b == 0xF4 ? 0x8F : 0xBF;
            if (i + 3 < n && s[i + 1] >= lo && s[i + 1] <= hi && IsContinuation(s[i + 2]) &&
                IsContinuation(s[i + 3])) {
                cp = (uint32_t(b & 0x07) << 18) | (uint32_t(s[i + 1] & 0x3F) << 12) |
                     (uint32_t(s[i + 2] & 0x3F) << 6) | (s[i + 3] & 0x3F);
                len = 4;
            }
        }
        if (len == 0) {
            dst[o++] = Cp1252(b);
            ++i;
        } else if (cp >= 0x10000) {
            cp -= 0x10000;
            dst[o++] = char16_t(0xD800 + (cp >> 10));
            dst[o++] = char16_t(0xDC00 + (cp & 0x3FF));
            i += len;
        } else {
            dst[o++] = char16_t(cp);
            i += len;
        }
    }
    return o;
}

QString DecodeToQString(const std::string& bytes) {
    QString s;
    s.resize(qsizetype(bytes.size()));
    const size_t n = DecodeUtf8(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(),
                                reinterpret_cast<char16_t*>(s.data()));
    s.resize(qsizetype(n));
    return s;
}

// Bytes that are text in the body; the others start markup or are ignored.
constexpr std::array<bool, 256> MakeTextTable() {
    std::array<bool, 256> t{};
    for (int c = 0; c < 256; ++c)
        t[c] = true;
    t['\\'] = t['{'] = t['}'] = false;
    t['\n'] = t['\0'] = false;
    return t;
}
constexpr std::array<bool, 256> kText = MakeTextTable();

constexpr bool IsLetter(unsigned char c) {
    return (c | 0x20) >= 'a' && (c | 0x20) <= 'z';
}
constexpr bool IsDigit(unsigned char c) {
    return c >= '0' && c <= '9';
}

int HexValue(unsigned char c) {
    if (IsDigit(c)) return c - '0';
    if ((c | 0x20) >= 'a' && (c | 0x20) <= 'f') return (c | 0x20) - 'a' + 10;
    return -1;
}

// Groups whose content is not text and whose inner words must not change the format.
// clang-format off
constexpr std::string_view kSkippedDestinations[] = {
    "stylesheet", "info", "pict", "object", "header", "headerl", "headerr", "headerf", "footer",
    "footerl", "footerr", "footerf", "footnote", "filetbl", "listtable", "listoverridetable",
    "revtbl", "rsidtbl", "xmlnstbl", "generator", "themedata", "datastore", "colorschememapping",
    "latentstyles"};
// clang-format on

enum class Destination : unsigned char { kText, kFontTable, kColorTable, kSkip };

struct GroupState {
    Destination destination = Destination::kText;
    int color = 0;       // \cf value
    int font = -1;       // \f value, -1 for the default font
    int fontSize = 0;    // \fs value, 0 when not set
    int unicodeSkip = 1; // \uc: fallback bytes after each \u
};

class Parser {
public:
    Parser(const unsigned char* begin, const unsigned char* end, RtfDocument& out)
        : p_(begin), end_(end), out_(out) {}

    void Run();

private:
    void OpenGroup();
    bool CloseGroup(); // false when the outermost group closed
    void ControlWord();
    void Word(std::string_view word, bool hasParam, int param, const unsigned char*& p);
    void Text(const unsigned char* bytes, size_t n);
    void BodyBytes(const unsigned char* bytes, size_t n);
    void Unit(char16_t unit);
    void Flush();
    char16_t* Room(size_t n);
    void NoteFormat();
    void Finish();

    static constexpr size_t kMaxDepth = 4096;
    static constexpr size_t kMaxTableEntries = 65536;
    static constexpr size_t kMaxFontName = 1024;

    const unsigned char* p_;
    const unsigned char* end_;
    RtfDocument& out_;

    GroupState state_;
    std::vector<GroupState> stack_;
    size_t overflowDepth_ = 0; // groups deeper than kMaxDepth share the state of the deepest
    int pendingSkip_ = 0;      // fallback bytes still to drop after a \u

    std::string pending_; // text bytes of the current run, decoded when the colour changes
    // The decoded text is written straight into out_.text, sized once by the input: every unit
    // comes from at least one RTF byte. Room() still checks.
    char16_t* units_ = nullptr;
    size_t capacity_ = 0;
    size_t used_ = 0;
    int pendingColor_ = 0;

    int defaultFont_ = 0;
    bool formatNoted_ = false;
    int notedFont_ = -1;
    int notedSize_ = 0;

    std::vector<std::pair<int, std::string>> fonts_;
    int fontNumber_ = -1;
    std::string fontName_;
    int red_ = 0, green_ = 0, blue_ = 0;
};

void Parser::Run() {
    capacity_ = size_t(end_ - p_);
    out_.text.resize(qsizetype(capacity_)); // not initialised; pages are touched as written
    units_ = reinterpret_cast<char16_t*>(out_.text.data());
    while (p_ < end_) {
        const unsigned char c = *p_;
        if (c == '{') {
            ++p_;
            OpenGroup();
        } else if (c == '}') {
            ++p_;
            if (!CloseGroup()) break;
        } else if (c == '\\') {
            ControlWord();
        } else if (!kText[c]) {
            ++p_; // raw line feeds and NULs are not text in RTF
        } else {
            const unsigned char* q = p_ + 1;
            while (q < end_ && kText[*q])
                ++q;
            Text(p_, size_t(q - p_));
            p_ = q;
        }
    }
    Finish();
}

void Parser::OpenGroup() {
    pendingSkip_ = 0;
    if (stack_.size() < kMaxDepth) {
        stack_.push_back(state_);
    } else {
        ++overflowDepth_;
    }
}

bool Parser::CloseGroup() {
    pendingSkip_ = 0;
    if (overflowDepth_ > 0) {
        --overflowDepth_;
        return true;
    }
    if (stack_.empty()) return false; // a "}" before any "{": nothing is open
    if (state_.destination == Destination::kFontTable && fontNumber_ >= 0 && !fontName_.empty()) {
        // An entry whose ";" is missing still names its font.
        if (fonts_.size() < kMaxTableEntries) fonts_.emplace_back(fontNumber_, fontName_);
        fontName_.clear();
    }
    if (stack_.size() == 1) {
        NoteFormat(); // an empty document still reports the format of its body
        stack_.clear();
        return false;
    }
    state_ = stack_.back();
    stack_.pop_back();
    return true;
}

void Parser::ControlWord() {
    const unsigned char* p = p_ + 1;
    if (p >= end_) {
        p_ = end_;
        return;
    }
    const unsigned char c = *p;
    if (IsLetter(c)) {
        const unsigned char* w = p;
        while (p < end_ && IsLetter(*p))
            ++p;
        const std::string_view word(reinterpret_cast<const char*>(w), size_t(p - w));
        bool hasParam = false;
        bool negative = false;
        int64_t value = 0;
        if (p < end_ && *p == '-' && p + 1 < end_ && IsDigit(p[1])) {
            negative = true;
            ++p;
        }
        while (p < end_ && IsDigit(*p)) {
            hasParam = true;
            if (value < 1000000000) value = value * 10 + (*p - '0'); // saturates
            ++p;
        }
        if (p < end_ && *p == ' ') ++p; // the delimiter belongs to the word
        const int param = int(std::min<int64_t>(value, 1000000000)) * (negative ? -1 : 1);
        Word(word, hasParam, param, p);
        p_ = p;
        return;
    }
    p_ = p + 1;
    switch (c) {
    case '\\':
    case '{':
    case '}':
        Text(p, 1);
        break;
    case '\'': {
        // Two hex digits name a code page byte; a broken escape drops the digits it has.
        const int hi = p + 1 < end_ ? HexValue(p[1]) : -1;
        const int lo = hi >= 0 && p + 2 < end_ ? HexValue(p[2]) : -1;
        if (lo < 0) {
            p_ = hi >= 0 ? p + 2 : p + 1;
            break;
        }
        p_ = p + 3;
        const auto byte = static_cast<unsigned char>(hi * 16 + lo);
        if (pendingSkip_ > 0) {
            --pendingSkip_; // the fallback of a \u
        } else if (state_.destination == Destination::kText) {
            Unit(Cp1252(byte)); // a code page byte, not UTF-8
        } else {
            Text(&byte, 1);
        }
        break;
    }
    case '\n':
    case '\r': // a backslash before a line end means \par
        Unit(u'\n');
        break;
    case '*':
        state_.destination = Destination::kSkip;
        break;
    case '~':
        Unit(u'\u00A0');
        break;
    case '_':
        Unit(u'\u2011');
        break;
    default:
        break; // other control symbols carry no text
    }
}

void Parser::Word(std::string_view word, bool hasParam, int param, const unsigned char*& p) {
    const Destination d = state_.destination;
    if (d == Destination::kSkip) {
        if (word == "bin" && hasParam && param > 0) p += std::min<ptrdiff_t>(param, end_ - p);
        return;
    }
    // The stream writes \cf and \par in nearly every line: test those first.
    if (word == "cf") {
        state_.color = std::max(param, 0);
    } else if (word == "par" || word == "line") {
        Unit(u'\n');
    } else if (word == "f") {
        if (d == Destination::kFontTable) {
            fontNumber_ = param;
            fontName_.clear();
        } else {
            state_.font = param;
        }
    } else if (word == "red" || word == "green" || word == "blue") {
        if (d == Destination::kColorTable) {
            const int v = std::clamp(param, 0, 255);
            (word[0] == 'r' ? red_ : word[0] == 'g' ? green_ : blue_) = v;
        }
    } else if (word == "tab") {
        Unit(u'\t');
    } else if (word == "plain") {
        state_.color = 0;
        state_.font = -1;
        state_.fontSize = 0;
    } else if (word == "fs") {
        state_.fontSize = std::max(param, 0);
    } else if (word == "deff") {
        defaultFont_ = param;
    } else if (word == "u") {
        if (hasParam && d == Destination::kText) {
            Unit(char16_t(param < 0 ? param + 65536 : param));
            pendingSkip_ = state_.unicodeSkip;
        }
    } else if (word == "uc") {
        state_.unicodeSkip = std::max(param, 0);
    } else if (word == "bin") {
        if (hasParam && param > 0) p += std::min<ptrdiff_t>(param, end_ - p); // binary data
    } else if (word == "fonttbl") {
        state_.destination = Destination::kFontTable;
        fontNumber_ = -1;
        fontName_.clear();
    } else if (word == "colortbl") {
        state_.destination = Destination::kColorTable;
        red_ = green_ = blue_ = 0;
    } else {
        for (std::string_view skipped : kSkippedDestinations) {
            if (word == skipped) {
                state_.destination = Destination::kSkip;
                break;
            }
        }
    }
}

void Parser::Text(const unsigned char* bytes, size_t n) {
    if (pendingSkip_ > 0) {
        const size_t k = std::min(size_t(pendingSkip_), n);
        pendingSkip_ -= int(k);
        bytes += k;
        n -= k;
        if (n == 0) return;
    }
    switch (state_.destination) {
    case Destination::kText:
        BodyBytes(bytes, n);
        break;
    case Destination::kFontTable:
        for (size_t i = 0; i < n; ++i) {
            if (bytes[i] == ';') {
                if (fontNumber_ >= 0 && fonts_.size() < kMaxTableEntries)
                    fonts_.emplace_back(fontNumber_, fontName_);
                fontName_.clear();
            } else if (fontName_.size() < kMaxFontName) {
                fontName_.push_back(char(bytes[i]));
            }
        }
        break;
    case Destination::kColorTable:
        for (size_t i = 0; i < n; ++i) {
            if (bytes[i] != ';') continue;
            // An entry without components is the automatic colour, shown black.
            if (out_.colors.size() < kMaxTableEntries)
                out_.colors.push_back(qRgb(red_, green_, blue_));
            red_ = green_ = blue_ = 0;
        }
        break;
    case Destination::kSkip:
        break;
    }
}

// Body text bytes in the current colour.
void Parser::BodyBytes(const unsigned char* bytes, size_t n) {
    NoteFormat();
    const int color = state_.color < int(out_.colors.size()) ? state_.color : 0;
    if (color != pendingColor_) {
        Flush();
        pendingColor_ = color;
    }
    pending_.append(reinterpret_cast<const char*>(bytes), n);
}

// One UTF-16 unit of body text from a control word (\par, \u, \'hh and the like).
void Parser::Unit(char16_t unit) {
    if (state_.destination != Destination::kText) return;
    if (unit < 0x80) {
        const auto byte = static_cast<unsigned char>(unit);
        BodyBytes(&byte, 1);
        return;
    }
    // Appended as a unit, not as bytes, so it cannot join a pending UTF-8 sequence.
    NoteFormat();
    const int color = state_.color < int(out_.colors.size()) ? state_.color : 0;
    Flush();
    pendingColor_ = color;
    *Room(1) = unit;
    if (!out_.runs.empty() && out_.runs.back().color == color) {
        ++out_.runs.back().length;
    } else {
        out_.runs.push_back({int(used_), 1, color});
    }
    ++used_;
}

void Parser::Flush() {
    if (pending_.empty()) return;
    const size_t n = DecodeUtf8(reinterpret_cast<const unsigned char*>(pending_.data()),
                                pending_.size(), Room(pending_.size()));
    const size_t old = used_;
    used_ += n;
    pending_.clear();
    if (!out_.runs.empty() && out_.runs.back().color == pendingColor_) {
        out_.runs.back().length += int(n);
    } else {
        out_.runs.push_back({int(old), int(n), pendingColor_});
    }
}

// Room for n more units after the used ones.
char16_t* Parser::Room(size_t n) {
    if (capacity_ - used_ < n) {
        capacity_ = std::max(capacity_ * 2, used_ + n);
        out_.text.resize(qsizetype(capacity_));
        units_ = reinterpret_cast<char16_t*>(out_.text.data());
    }
    return units_ + used_;
}

void Parser::NoteFormat() {
    if (formatNoted_) return;
    formatNoted_ = true;
    notedFont_ = state_.font;
    notedSize_ = state_.fontSize;
}

void Parser::Finish() {
    Flush();
    NoteFormat();
    const int font = notedFont_ >= 0 ? notedFont_ : defaultFont_;
    for (const auto& [number, name] : fonts_) {
        if (number == font) {
            out_.fontFace = DecodeToQString(name).trimmed();
            break;
        }
    }
    out_.fontSizeHalfPoints = notedSize_;
    out_.text.resize(qsizetype(used_));
    // Markup-heavy RTF leaves much of the buffer unused; give it back unless little is lost.
    const size_t unused = capacity_ - used_;
    if (unused > 65536 && unused > used_ / 4) out_.text.squeeze();
}

} // namespace

bool ParseRtf(const char* rtf, size_t length, RtfDocument& out) {
    out = RtfDocument{};
    if (rtf == nullptr || length < 5 || std::memcmp(rtf, "{\\rtf", 5) != 0) return false;
    const auto* begin = reinterpret_cast<const unsigned char*>(rtf);
    Parser(begin, begin + length, out).Run();
    return true;
}

} // namespace view
