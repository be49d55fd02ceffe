#include "color_stream.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>
#include <vector>

namespace view {

const char ColorStream::kHeader[] =
    "{\\rtf1\\ansi\\deff0\\deftab720{\\fonttbl{\\f0\\fnil MS Sans Serif;}}"
    "{\\colortbl\\red0\\green0\\blue0;\\red0\\green128\\blue0;\\red0\\green0\\blue255;"
    "\\red255\\green0\\blue255;\\red128\\green0\\blue0;\\red224\\green78\\blue41;"
    "\\red128\\green128\\blue128;}\\plain\\f0\\fs15\\cf0 ";

static_assert(sizeof(ColorStream::kHeader) - 1 == ColorStream::kHeaderLength);

namespace {

// Lexical classes.
enum : int {
    kPlain = 0,
    kAttribute = 1,
    kQuoted = 2,
    kPlaceholder = 3,
    kValue = 4,
    kTagName = 5,
    kDoubleAngle = 6,
    kComment = 7, // grey like kDoubleAngle, but only "-->" ends it
};

// The colour code of each class; the comment shares the grey of the double-angle run.
constexpr char kCodes[8][6] = {"\\cf0 ", "\\cf1 ", "\\cf2 ", "\\cf3 ",
                               "\\cf4 ", "\\cf5 ", "\\cf6 ", "\\cf6 "};
constexpr long kCodeLength = 5;

// kOrdinary[s][c]: in class s the byte c is only copied and changes no state, so runs of such
// bytes can be copied in one go.
using ByteTable = std::array<bool, 256>;
constexpr std::array<ByteTable, 8> MakeOrdinaryTables() {
    std::array<ByteTable, 8> tables{};
    for (int s = 0; s < 8; ++s) {
        for (int c = 0; c < 256; ++c)
            tables[s][c] = true;
        const bool opaque = s >= kDoubleAngle;
        tables[s]['\0'] = false;
        tables[s]['\n'] = false;
        tables[s]['>'] = false; // a comment end is recognised in every class
        tables[s]['\\'] = false;
        tables[s]['{'] = false; // saves the class even in the opaque classes
        tables[s]['}'] = false;
        if (s == kValue || s == kTagName) tables[s][' '] = false;
        if (!opaque) tables[s]['"'] = false;
        if (!opaque) tables[s]['<'] = false;
        if (s == kPlaceholder) tables[s][','] = false;
        if (s == kAttribute) tables[s]['='] = false;
    }
    return tables;
}
constexpr std::array<ByteTable, 8> kOrdinary = MakeOrdinaryTables();

} // namespace

void ColorStream::Start(const char* text) {
    text_ = text ? text : "";
    Reset();
}

void ColorStream::Reset() {
    headerSent_ = 0;
    position_ = 0;
    endReached_ = false;
    class_ = kPlain;
    savedAtBrace_ = 0;
    savedAtAngle_ = 0;
    savedAtQuote_ = 0;
}

int ColorStream::Callback(char* buffer, long capacity, long& written) {
    written = 0;
    if (endReached_) {
        Reset();
        return 1;
    }
    if (headerSent_ < kHeaderLength) {
        // The control's buffer normally takes the header at once; a smaller buffer gets it in
        // pieces rather than being overrun.
        if (capacity <= 0) return 0;
        const long n = std::min(capacity, kHeaderLength - headerSent_);
        std::memcpy(buffer, kHeader + headerSent_, static_cast<size_t>(n));
        headerSent_ += n;
        written = n;
        return 0;
    }
    if (capacity - kReserve <= 0) return 0;
    Convert(buffer, capacity - kReserve, written);
    return 0;
}

// Converts source characters into `out` while fewer than `limit` bytes are written; the last
// character may run over `limit` by at most 10 bytes, which the reserve covers.
void ColorStream::Convert(char* out, long limit, long& written) {
    const auto* src = reinterpret_cast<const unsigned char*>(text_);
    size_t pos = position_;
    int s = class_;
    long w = 0;
    do {
        const unsigned char c = src[pos];
        const ByteTable& ordinary = kOrdinary[s];
        if (ordinary[c]) {
            // A run of bytes that are only copied: the same bytes and the same chunk end as
            // copying them one at a time while w < limit. The NUL is never ordinary, so the
            // scan stops at the end of the text.
            const size_t room = static_cast<size_t>(limit - w);
            size_t n = 1;
            while (n < room && ordinary[src[pos + n]])
                ++n;
            std::memcpy(out + w, src + pos, n);
            w += static_cast<long>(n);
            pos += n;
            continue;
        }
        if (c == '\0') {
            out[w++] = '}';
            written = w;
            class_ = s;
            endReached_ = true;
            return; // the position stays: the stream is over
        }
        Special(src, pos, out, w, s);
        ++pos;
    } while (w < limit);

    written = w;
    position_ = pos;
    class_ = s;
}

void ColorStream::Special(const unsigned char* src, size_t pos, char* out, long& w, int& s) {
    auto put = [&](char c) { out[w++] = c; };
    auto code = [&](int k) {
        std::memcpy(out + w, kCodes[k], kCodeLength);
        w += kCodeLength;
    };
    auto switchTo = [&](int k) {
        s = k;
        code(k);
    };
    const unsigned char c = src[pos];
    switch (c) {
    case '\n':
        if (s != kComment) switchTo(kPlain);
        for (const char ch : std::string_view("\\par "))
            put(ch);
        break;
    case ' ': // only in kValue and kTagName
        switchTo(kAttribute);
        put(' ');
        break;
    case '"': // only below the opaque classes
        if (s == kQuoted) {
            put('"');
            switchTo(savedAtQuote_);
        } else {
            savedAtQuote_ = s;
            if (s == kAttribute || s == kValue) switchTo(kQuoted);
            put('"');
        }
        break;
    case ',': // only in kPlaceholder: the parameters are blue, the class stays
        code(kQuoted);
        put(',');
        break;
    case '<': // only below the opaque classes
        if (src[pos + 1] == '<' ||
            (src[pos + 1] == '!' && src[pos + 2] == '-' && src[pos + 3] == '-')) {
            switchTo(src[pos + 1] == '<' ? kDoubleAngle : kComment);
            put('<');
        } else {
            savedAtAngle_ = s;
            put('<');
            switchTo(kTagName);
        }
        break;
    case '=': // only in kAttribute
        switchTo(kValue);
        put('=');
        break;
    case '>':
        // The two characters before it in the source; the first two characters have none.
        if (pos >= 2 && src[pos - 2] == '-' && src[pos - 1] == '-') {
            put('>');
            switchTo(kPlain);
        } else {
            if (s < kDoubleAngle) switchTo(savedAtAngle_);
            put('>');
        }
        break;
    case '\\':
        put('\\');
        put('\\');
        break;
    case '{':
        put('\\');
        put('{');
        savedAtBrace_ = s;
        if (s < kDoubleAngle && src[pos + 1] == '#') switchTo(kPlaceholder);
        break;
    case '}':
        if (s < kDoubleAngle) switchTo(savedAtBrace_);
        put('\\');
        put('}');
        break;
    default: // unreachable: every other byte is ordinary in every class
        put(static_cast<char>(c));
        break;
    }
}

ColorStream& SharedColorStream() {
    static ColorStream stream;
    return stream;
}

std::string ColorToRtf(const char* text, long capacity) {
    constexpr long kMaxBuffer = 1L << 20;
    const long size = std::min(capacity, kMaxBuffer);
    ColorStream stream;
    stream.Start(text);

    std::string rtf;
    const size_t length = text ? std::strlen(text) : 0;
    // Colour codes and escapes make tag-heavy HTML up to about twice as long.
    rtf.reserve(ColorStream::kHeaderLength + length + length / 2 + 64);
    std::vector<char> buffer(static_cast<size_t>(std::max(size, 1L)));
    for (;;) {
        long written = 0;
        const int stop = stream.Callback(buffer.data(), size, written);
        if (written > 0) rtf.append(buffer.data(), static_cast<size_t>(written));
        // Every call that makes progress writes at least one byte; a call that writes nothing
        // and does not stop would repeat for ever.
        if (stop != 0 || written <= 0) break;
    }
    return rtf;
}

namespace {
// The stream's colour table, by colour code.
constexpr QRgb kTable[7] = {0xFF000000, 0xFF008000, 0xFF0000FF, 0xFFFF00FF,
                            0xFF800000, 0xFFE04E29, 0xFF808080};
constexpr int CodeOf(int lexical) {
    return lexical == kComment ? 6 : lexical;
}
} // namespace

namespace {
// The colours of one line as ColorLine works them out: the class, its colour code, the runs.
struct LineColours {
    ColorState& st;
    std::vector<LineRun>& runs;
    int s;
    int code;

    void Put(int n) {
        if (n <= 0) return;
        if (!runs.empty() && runs.back().color == kTable[code]) {
            runs.back().length += n;
        } else {
            runs.push_back({n, kTable[code]});
        }
    }
    void SwitchTo(int k) {
        s = k;
        code = CodeOf(k);
    }
    static char16_t At(QStringView line, qsizetype i) {
        return i < line.size() ? line[i].unicode() : u'\0';
    }
    // The special character at `pos`: its colour, and the class it leads to.
    void Special(QStringView line, qsizetype pos);
};

void LineColours::Special(QStringView line, qsizetype pos) {
    const char16_t c = line[pos].unicode();
    switch (c) {
    case ' ':
        SwitchTo(kAttribute);
        Put(1);
        break;
    case '"':
        if (s == kQuoted) {
            Put(1);
            SwitchTo(st.atQuote);
        } else {
            st.atQuote = s;
            if (s == kAttribute || s == kValue) SwitchTo(kQuoted);
            Put(1);
        }
        break;
    case ',':
        code = CodeOf(kQuoted);
        Put(1);
        break;
    case '<':
        if (At(line, pos + 1) == '<') {
            SwitchTo(kDoubleAngle);
            Put(1);
        } else if (At(line, pos + 1) == '!' && At(line, pos + 2) == '-' &&
                   At(line, pos + 3) == '-') {
            SwitchTo(kComment);
            Put(1);
        } else {
            st.atAngle = s;
            Put(1);
            SwitchTo(kTagName);
        }
        break;
    case '=':
        SwitchTo(kValue);
        Put(1);
        break;
    case '>':
        if (pos >= 2 && line[pos - 2] == u'-' && line[pos - 1] == u'-') {
            Put(1);
            SwitchTo(kPlain);
        } else if (s >= kDoubleAngle) {
            Put(1);
        } else {
            SwitchTo(st.atAngle);
            Put(1);
        }
        break;
    case '{':
        Put(1);
        st.atBrace = s;
        if (s < kDoubleAngle && At(line, pos + 1) == '#') SwitchTo(kPlaceholder);
        break;
    case '}':
        if (s < kDoubleAngle) SwitchTo(st.atBrace);
        Put(1);
        break;
    default: // '\\'
        Put(1);
        break;
    }
}
} // namespace

// The state machine of ColorStream::Convert, over UTF-16 characters: every character that
// is not ASCII is copied as it is in every class, as its bytes are there.
void ColorLine(QStringView line, ColorState& st, std::vector<LineRun>& runs) {
    LineColours colours{st, runs, st.lexical, CodeOf(st.lexical)};
    const qsizetype n = line.size();
    for (qsizetype pos = 0; pos < n;) {
        const char16_t c = line[pos].unicode();
        if (c >= 0x80 || c == 0 || kOrdinary[colours.s][c]) {
            qsizetype run = 1;
            while (pos + run < n) {
                const char16_t d = line[pos + run].unicode();
                if (d < 0x80 && d != 0 && !kOrdinary[colours.s][d]) break;
                ++run;
            }
            // A NUL ends the stream's text; the line's characters after it stay uncoloured.
            colours.Put(static_cast<int>(run));
            pos += run;
            continue;
        }
        colours.Special(line, pos);
        ++pos;
    }
    if (colours.s != kComment) colours.s = kPlain; // the line break
    st.lexical = colours.s;
}

} // namespace view
