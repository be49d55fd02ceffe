// The wildcard search and replace-all engines.
#include "text_search.h"

#include <gtest/gtest.h>

using search::FindInText;
using search::Range;
using search::ReplaceAllInText;

namespace {

// The match found from `from` (as a selection), or (-1, -1).
std::pair<qsizetype, qsizetype> Find(const QString& text, const QString& pattern, Range from, bool forward,
                                     bool caseSensitive = false, bool wholeWords = false) {
    if (!FindInText(text, pattern, from, caseSensitive, wholeWords, forward, true)) return {-1, -1};
    return {from.start, from.end};
}

using P = std::pair<qsizetype, qsizetype>;

TEST(FindInText, ForwardStartsAtTheSelectionsEndAndWrapsOnce) {
    const QString text = "ab ab ab";
    EXPECT_EQ(Find(text, "ab", {0, 2}, true), P(3, 5)) << "repeating finds the next one";
    EXPECT_EQ(Find(text, "ab", {6, 8}, true), P(0, 2)) << "at the end it wraps";
    EXPECT_EQ(Find(text, "ab", {8, 8}, true), P(0, 2)) << "from the very end too";
    EXPECT_EQ(Find("xyz", "ab", {1, 1}, true), P(-1, -1));
    EXPECT_EQ(Find("", "ab", {0, 0}, true), P(-1, -1));
    EXPECT_EQ(Find(text, "", {0, 0}, true), P(-1, -1));
    EXPECT_EQ(Find("xab", "ab", {2, 2}, true), P(-1, -1)) << "a match across the wrap does not count";
}

TEST(FindInText, BackwardStartsJustBeforeTheSelection) {
    const QString text = "ab ab ab";
    EXPECT_EQ(Find(text, "ab", {6, 8}, false), P(3, 5)) << "from a selected match, the previous one";
    EXPECT_EQ(Find(text, "ab", {0, 2}, false), P(6, 8)) << "before the first, it wraps to the last";
    EXPECT_EQ(Find("ab", "ab", {0, 0}, false), P(-1, -1)) << "from position 0 the first character is the stop";
}

TEST(FindInText, AMatchEndingAtTheLastCharacterIsFound) {
    EXPECT_EQ(Find("xxab", "ab", {0, 0}, true), P(2, 4)) << "forward from the start";
    EXPECT_EQ(Find("ab", "ab", {0, 0}, true), P(0, 2)) << "the whole text";
    EXPECT_EQ(Find("xxab", "ab", {4, 4}, false), P(2, 4)) << "backward from the end";
    EXPECT_EQ(Find("a", "a", {1, 1}, false), P(0, 1));
}

TEST(FindInText, WildcardCaseWholeWordsAndLineEnds) {
    EXPECT_EQ(Find("<META>", "M?TA", {0, 0}, true), P(1, 5));
    EXPECT_EQ(Find("Meta", "META", {0, 0}, true), P(0, 4));
    EXPECT_EQ(Find("Meta", "META", {0, 0}, true, true), P(-1, -1)) << "case-sensitive";
    EXPECT_EQ(Find("start art", "art", {0, 0}, true, false, true), P(6, 9)) << "not inside start";
    EXPECT_EQ(Find("start art1", "art", {0, 0}, true, false, true), P(6, 9)) << "a digit is a boundary";
    EXPECT_EQ(Find("(art)", "art", {0, 0}, true, false, true), P(1, 4));
    EXPECT_EQ(Find("start", "art", {5, 5}, false, false, true), P(-1, -1));
    EXPECT_EQ(Find("aaab", "aab", {0, 0}, true), P(1, 4)) << "a failed attempt restarts after its anchor";
    EXPECT_EQ(Find("a\r\nb", "a\nb", {0, 0}, true), P(0, 4)) << "carriage returns are passed over";
    EXPECT_EQ(Find("a\nb", "a\r\nb", {0, 0}, true), P(0, 3));
    EXPECT_EQ(Find("art start", "art", {9, 9}, false, false, true), P(0, 3)) << "backward, a whole word";
    Range literal{0, 0};
    EXPECT_FALSE(FindInText("<META>", "M?TA", literal, false, false, true, false)) << "without the wildcard";
    EXPECT_TRUE(FindInText("a?b", "?", literal, false, false, true, false));
    EXPECT_EQ(literal.start, 1);
}

TEST(ReplaceAllInText, ReplacesEveryMatchOnceAndStops) {
    QString text = "banana";
    EXPECT_TRUE(ReplaceAllInText(text, "a", "aa", false, false));
    EXPECT_EQ(text, "baanaanaa") << "every a doubled once, the last one too";
    QString none = "xyz";
    EXPECT_FALSE(ReplaceAllInText(none, "q", "r", false, false));
    EXPECT_EQ(none, "xyz");
    QString words = "art start art";
    EXPECT_TRUE(ReplaceAllInText(words, "ART", "X", false, true));
    EXPECT_EQ(words, "X start X");
    // CR LF line ends are replaced whole, never split.
    QString crlf = "a\r\nb\r\nb";
    EXPECT_TRUE(ReplaceAllInText(crlf, "\nb", "\r\nc", false, false));
    EXPECT_EQ(crlf, "a\r\nc\r\nc");
    EXPECT_TRUE(ReplaceAllInText(crlf, "\n", "", false, false));
    EXPECT_EQ(crlf, "acc");
}

} // namespace
