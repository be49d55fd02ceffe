// Syntax colouring of HTML text: a small lexical state machine that turns plain text into the
// RTF stream the editor control reads. Every character of the source gets the colour of the
// lexical class it is in (plain text, attribute name, quoted value, macro placeholder, value
// after "=", tag name, "<<" run, comment); the RTF carries the class changes as "\cfN " codes.
//
// A stream is: the RTF header (once), then chunks of converted text, then the chunk that meets
// the terminating NUL ends with "}", then one more call that resets the state and stops.
#pragma once

#include <QStringView>
#include <QtGui/qrgb.h>

#include <cstddef>
#include <string>
#include <vector>

namespace view {

class ColorStream {
public:
    // The RTF header with the font and colour tables, sent once at the start of every stream.
    static const char kHeader[];
    static constexpr long kHeaderLength = 245;
    // Bytes a chunk leaves free: one source character expands to at most 10 bytes.
    static constexpr long kReserve = 20;

    // Sets the NUL-terminated source text (which must outlive the stream) and resets the state.
    // A null text is taken as the empty text.
    void Start(const char* text);
    // Zeroes the colouring state (header progress, position, end flag, class, saved classes);
    // the source text stays.
    void Reset();

    // The stream-in callback. Fills `buffer` (room for `capacity` bytes) and sets `written` to
    // the number of bytes placed there; returns 0 to continue, nonzero to stop the stream.
    // Text is converted while written < capacity - 20, so a capacity of 20 or less converts
    // nothing (the call writes 0 bytes and returns 0). The header goes out whole when it fits
    // and in pieces of `capacity` bytes otherwise. Never writes more than `capacity` bytes and
    // never allocates.
    int Callback(char* buffer, long capacity, long& written);

private:
    void Convert(char* out, long limit, long& written);
    // Writes what the special character at `src[pos]` gives at `out + w`, in class `s`.
    void Special(const unsigned char* src, size_t pos, char* out, long& w, int& s);

    const char* text_ = "";
    long headerSent_ = 0; // bytes of the header already sent
    size_t position_ = 0; // offset of the next source character to convert
    bool endReached_ = false;
    int class_ = 0;
    int savedAtBrace_ = 0;
    int savedAtAngle_ = 0;
    int savedAtQuote_ = 0;
};

// The process-wide colouring state used by the editor view: one stream at a time.
ColorStream& SharedColorStream();

// Runs a whole stream over `text` with buffers of `capacity` bytes and returns the
// concatenated RTF. Uses its own state, not the shared one. When a call makes no progress
// (capacity of 20 or less) it stops and returns what was produced so far. Capacities above
// 1 MiB run as 1 MiB, which gives the same bytes.
std::string ColorToRtf(const char* text, long capacity = 4096);

// The same colouring for the view, a line at a time: the state the scan is in at a line's
// start (what the line before leaves) goes in, and the state after its line break comes
// out, so that a comment or tag begun above colours the lines below. The colours are those
// of the stream's colour table.
struct ColorState {
    int lexical = 0; // the class the scan is in
    int atBrace = 0; // the classes saved at the last "{", "<" and quote
    int atAngle = 0;
    int atQuote = 0;
    bool operator==(const ColorState&) const = default;
    // As one number (and back), to be kept beside a line.
    int Packed() const { return lexical | atBrace << 3 | atAngle << 6 | atQuote << 9; }
    static ColorState Unpacked(int packed) {
        return {packed & 7, packed >> 3 & 7, packed >> 6 & 7, packed >> 9 & 7};
    }
};
struct LineRun {
    int length;
    QRgb color;
};
// Colours `line` (one line, without its break) from `state`: appends runs that cover its
// characters in order to `runs` and leaves in `state` the state after the line's break.
// Gives the colours ColorToRtf gives the same characters.
void ColorLine(QStringView line, ColorState& state, std::vector<LineRun>& runs);

} // namespace view
