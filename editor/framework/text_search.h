// The wildcard search and replace-all over a text, shared by the view's Search and Replace
// and by Multiple File Replace.
#pragma once

#include <QString>

namespace search {

// A range of character positions, end exclusive.
struct Range {
    qsizetype start = 0;
    qsizetype end = 0;
};

// Searches `text` for `pattern`, forward from range.end or backward from range.start,
// wrapping around once. With `wildcard` a "?" in the pattern matches any one character;
// without `caseSensitive` letters match in either case; with `wholeWords` a match next to
// a letter does not count. Going forward, carriage returns are passed over in text and
// pattern alike, so line ends match whatever their form. A search that starts at the
// text's start (forward) or end (backward) covers the whole text once, without wrapping.
// On success `range` is the match and the result true; else `range` is unchanged.
bool FindInText(const QString& text, const QString& pattern, Range& range, bool caseSensitive,
                bool wholeWords, bool forward, bool wildcard);

// Replaces every match of `pattern` (forward, with the wildcard) by `replacement`. True
// when at least one was replaced; otherwise `text` is unchanged.
bool ReplaceAllInText(QString& text, const QString& pattern, const QString& replacement,
                      bool caseSensitive, bool wholeWords);

} // namespace search
