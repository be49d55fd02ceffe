// The wildcard search and replace-all over a text, shared by the view's Search and Replace
// and by Multiple File Replace.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>

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
// pattern alike, so line ends match whatever their form. Every position is examined once:
// from the start to the text's edge, then (wrapped) from the other edge back to the start;
// a match does not span the two, so from the text's start (forward) or end (backward) the
// search covers the whole text. On success `range` is the match and the result true; else
// `range` is unchanged.
bool FindInText(const QString& text, const QString& pattern, Range& range, bool caseSensitive,
                bool wholeWords, bool forward, bool wildcard);

// Replaces every match of `pattern` (forward, with the wildcard) by `replacement`. True
// when at least one was replaced (`count` of them, when asked); otherwise `text` is
// unchanged.
bool ReplaceAllInText(QString& text, const QString& pattern, const QString& replacement,
                      bool caseSensitive, bool wholeWords, qsizetype* count = nullptr);

// What a replace over files did.
struct FilesResult {
    qsizetype replacements = 0;
    int filesChanged = 0;
    QStringList failed;           // files that could not be read, encoded or written, each once
    QStringList changedMeanwhile; // files changed or removed after they were read, left alone
};
// Replace All in every file of `files`, in list order: each file read whole, in its
// encoding (UTF-8 when valid, else Windows-1252), line breaks of the replacement written as
// the file's own, every byte outside the matches kept; rewritten atomically only when
// something was replaced, else untouched, and only while it is still the file that was read
// (same file, size and modification time): a file another program changed or removed
// meanwhile is left as it is (never created again) and named in `changedMeanwhile`.
// `progress` (when set) hears the index of each file before it is worked on.
FilesResult ReplaceInFiles(const QStringList& files, const QString& pattern,
                           const QString& replacement, bool caseSensitive, bool wholeWords,
                           const std::function<void(int)>& progress = {});

} // namespace search
