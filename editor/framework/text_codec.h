// Text files of the editor: bytes on disk, text in the editor. A file is UTF-8 when it is
// valid UTF-8, otherwise Windows-1252, and is written back in the encoding it was read in.
// Decoding and encoding give every byte back: a UTF-8 byte-order mark stays in the text as
// U+FEFF.
// In the editor every line ends in "\n"; each line remembers the end it had in its file
// (CR LF, LF, a lone CR or U+2029), so that a file is written back as it was read.
#pragma once

#include <QByteArray>
#include <QString>
#include <vector>

namespace codec {

enum class Encoding { Utf8, Windows1252 };

bool IsValidUtf8(const QByteArray& bytes);
Encoding Detect(const QByteArray& bytes);
QString Decode(const QByteArray& bytes, Encoding encoding);
// Characters that Windows-1252 cannot hold become "?"; check with CanEncode first.
QByteArray Encode(const QString& text, Encoding encoding);
// False when `text` holds a character that `encoding` cannot hold.
bool CanEncode(const QString& text, Encoding encoding);

// How one line of a file ends. None: the last line (nothing follows it).
enum class LineEnd { None, Lf, CrLf, Cr, ParagraphSeparator };
// The lines of `text` joined with "\n"; `ends` gets each line's end (one entry per line,
// the last one None).
QString SplitLines(const QString& text, std::vector<LineEnd>& ends);
// The characters of a line end.
QString EndText(LineEnd end);
// The end of the first line of `text`, or `none` when the text is one line.
LineEnd FirstLineEnd(const QString& text, LineEnd none);

// CR LF pairs to "\n" and back.
QByteArray FromTextMode(const QByteArray& bytes);
QByteArray ToTextMode(const QByteArray& bytes);

} // namespace codec
