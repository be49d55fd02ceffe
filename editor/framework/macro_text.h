// The encoding of a macro base's texts and names. A macro file belongs to one encoding, as
// any text file does: UTF-8 when its bytes (every name and text it holds) are valid UTF-8,
// otherwise Windows-1252. Everything the editor puts into a base is written in that
// encoding, so a Windows-1252 file never gains UTF-8 bytes; names and texts are decoded with
// it only to be shown.
#pragma once

#include "text_codec.h"

#include <QByteArray>
#include <QString>

class QWidget;
class tLS_macrobase;

namespace macrotext {

// The base's encoding, judged from what it holds (null: UTF-8, as for a new file).
codec::Encoding EncodingOf(tLS_macrobase* base);
// Bytes of the base (a name or a text) as text.
QString Decode(const QByteArray& bytes, codec::Encoding encoding);
// Text as bytes of the encoding; false (and `bytes` untouched) when the encoding cannot hold
// every character of it.
bool Encode(const QString& text, codec::Encoding encoding, QByteArray& bytes);

// Writes a modified base to its macro file, so that a build outside the editor sees what the
// editor holds. A failure is said (message 172, `what` when given, and the file's path) and
// leaves the base modified; false then. Null or unmodified: true, nothing written.
bool WriteBase(QWidget* parent, tLS_macrobase* base, const QString& what = {});
// The report of a macro file that could not be written, as WriteBase gives it.
void ReportNotWritten(QWidget* parent, tLS_macrobase* base, const QString& what = {});

} // namespace macrotext
