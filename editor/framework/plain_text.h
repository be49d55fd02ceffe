// The text of a text document or of a selection exactly as it was typed or pasted. Qt's own
// plain-text forms differ from it: toPlainText (and the clipboard text of a copy) turns
// no-break spaces (U+00A0) into blanks, and the raw forms end lines with U+2029.
#pragma once

#include <QString>

class QTextCursor;
class QTextDocument;

namespace fw {

// Every character as it is, each line break as "\n" (a U+2029 in the text is a line break
// of the document too).
QString ExactText(const QTextDocument& document);
// The selected text of `cursor`, in the same form.
QString ExactText(const QTextCursor& cursor);

} // namespace fw
