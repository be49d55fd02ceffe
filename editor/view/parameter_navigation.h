// Moving between attribute values inside tags and style declarations, and the value lists
// that step through an attribute's values. Pure functions on the view's text.
#pragma once

#include <QString>
#include <QStringList>
#include <utility>

namespace magic {

// The selection (start, end) that ALT+Left or ALT+Right leaves, from the selection start
// `pos`: the value after the nearest "=" (inside its quotes), ":" (up to ";") or ">" (up
// to the next "<"). No stop: an empty selection at `pos`.
std::pair<int, int> JumpLeft(const QString& text, int pos);
std::pair<int, int> JumpRight(const QString& text, int pos);

// The attribute name in front of a value that starts at `start`, in upper case; empty
// when there is none.
QString AttributeNameBefore(const QString& text, int start);

// The text between the nearest `open` before `pos` and the nearest `close` from `pos` on
// (neither delimiter of the other kind in between). Found: true, with the range of the
// text strictly between them.
bool FindEnclosing(const QString& text, int pos, QChar open, QChar close, int& from, int& to);

// The values of a value list: its text split at commas (empty values kept), at most 50.
QStringList SplitValues(const QString& content);

} // namespace magic
