// Reads the RTF that the colouring stream writes (and tolerates a little more): the plain text
// and the colour of every character, for the editor control to show.
//
// Understood: groups, the font table and colour table, \cfN, \par, \line, \tab, \plain, \fN,
// \fsN, \deffN, \uN with \ucN, \'hh, \binN, the escapes \\ \{ \}. Other control words are
// skipped together with their numeric parameter and one blank delimiter; the groups of known
// non-text destinations and of "\*" destinations are skipped whole. Raw line feeds and NUL bytes
// in the RTF are ignored; carriage returns and all other bytes are text.
#pragma once

#include <QString>
#include <QtGui/qrgb.h>

#include <cstddef>
#include <vector>

namespace view {

// A stretch of the text in one colour. Positions are UTF-16 units of RtfDocument::text.
struct ColorRun {
    int start;
    int length;
    int color; // index into RtfDocument::colors; 0 where the RTF named no valid entry
};

struct RtfDocument {
    QString text;               // one "\n" per \par
    std::vector<ColorRun> runs; // cover the whole text in order; neighbours differ in colour
    std::vector<QRgb> colors;   // the colour table; an empty entry (auto) is black
    QString fontFace;           // the font in effect at the first character, "" if unknown
    int fontSizeHalfPoints = 0; // \fs in effect at the first character, 0 if none was set
};

// Parses `length` bytes of `rtf` into `out` (which is cleared first). Returns false, leaving
// `out` empty, when the bytes do not start with "{\rtf". Never reads outside the bytes;
// unbalanced braces are tolerated: the text ends where the outermost group closes or where the
// bytes end. Text bytes are UTF-8; a byte that does not begin a valid UTF-8 sequence is taken
// as a Windows-1252 character.
bool ParseRtf(const char* rtf, size_t length, RtfDocument& out);

} // namespace view
