// The wildcard search and replace-all engines.
#include "text_search.h"

#include <gtest/gtest.h>

using search::FindInText;
using search::Range;
using search::ReplaceAllInText;

namespace {

// The match found from `from` (as a selection), or (-1, -1).
std::pair<qsizetype, qsizetype> Find(const QString& text, const QString& pattern, Range from,
                                     bool forward, bool caseSensitive = false,
                                     bool wholeWords = false) {
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
    EXPECT_EQ(Find("xab", "ab", {2, 2}, true), P(-1, -1))
        << "a match across the wrap does not count";
}

TEST(FindInText, BackwardStartsJustBeforeTheSelection) {
    const QString text = "ab ab ab";
    EXPECT_EQ(Find(text, "ab", {6, 8}, false), P(3, 5))
        << "from a selected match, the previous one";
    EXPECT_EQ(Find(text, "ab", {0, 2}, false), P(6, 8)) << "before the first, it wraps to the last";
}

// Every position of the text is looked at once per search, whatever the start: from the
// start to the text's edge, then from the other edge back to the start.
TEST(FindInText, EveryPositionIsExaminedOnceWhateverTheStart) {
    struct Case {
        const char* text;
        const char* pattern;
        qsizetype caret;
        bool forward;
        P found;
    };
    const Case cases[] = {
        {"xx ab", "ab", 5, true, {3, 5}},    // from the end: the whole text, as from its start
        {"abc def", "abc", 3, true, {0, 3}}, // right after the only match
        {"a", "a", 1, true, {0, 1}},
        {"ab xx", "ab", 0, false, {0, 2}}, // backward from the start: the whole text
        {"ab", "ab", 0, false, {0, 2}},
        {"xab", "ab", 1, false, {1, 3}},   // backward, the wrap ends at the caret
        {"ab ab", "ab", 2, false, {0, 2}}, // backward, a match ending at the caret
        {"xab", "ab", 2, true, {-1, -1}},  // no match across the caret
        {"xab", "ab", 2, false, {-1, -1}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Find(c.text, c.pattern, {c.caret, c.caret}, c.forward), c.found)
            << c.text << " from " << c.caret << (c.forward ? " forward" : " backward");
    }
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
    EXPECT_EQ(Find("start art1", "art", {0, 0}, true, false, true), P(6, 9))
        << "a digit is a boundary";
    EXPECT_EQ(Find("(art)", "art", {0, 0}, true, false, true), P(1, 4));
    EXPECT_EQ(Find("start", "art", {5, 5}, false, false, true), P(-1, -1));
    EXPECT_EQ(Find("aaab", "aab", {0, 0}, true), P(1, 4))
        << "a failed attempt restarts after its anchor";
    EXPECT_EQ(Find("a\r\nb", "a\nb", {0, 0}, true), P(0, 4)) << "carriage returns are passed over";
    EXPECT_EQ(Find("a\nb", "a\r\nb", {0, 0}, true), P(0, 3));
    EXPECT_EQ(Find("art start", "art", {9, 9}, false, false, true), P(0, 3))
        << "backward, a whole word";
    Range literal{0, 0};
    EXPECT_FALSE(FindInText("<META>", "M?TA", literal, false, false, true, false))
        << "without the wildcard";
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
