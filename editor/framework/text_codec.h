// Text files of the editor: bytes on disk, text in the editor. A file is UTF-8 when it is
// valid UTF-8, otherwise Windows-1252, and is written back in the encoding it was read in.
// Line ends are CR LF on disk and "\n" in the editor.
#pragma once

#include <QByteArray>
#include <QString>

namespace codec {

enum class Encoding { Utf8, Windows1252 };

bool IsValidUtf8(const QByteArray& bytes);
Encoding Detect(const QByteArray& bytes);
QString Decode(const QByteArray& bytes, Encoding encoding);
// Characters that Windows-1252 cannot hold become "?".
QByteArray Encode(const QString& text, Encoding encoding);

// CR LF pairs to "\n" and back.
QByteArray FromTextMode(const QByteArray& bytes);
QByteArray ToTextMode(const QByteArray& bytes);

} // namespace codec
