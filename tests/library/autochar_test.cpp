#include "test_util.h"

#include <brevic/ls_autochar.h>
#include <brevic/ls_macrobase.h>

#include <gtest/gtest.h>

using testutil::Crlf;

namespace {

class AutoCharTest : public ::testing::Test {
protected:
    void SetUp() override {
        testutil::WriteBytes(
            table,
            Crlf("{:<table:0:}\n<table></table>\n{:<tab2:0:}\n<tab2></tab2>\n"
                 "{:<b:0:}\n<b></b>\n{:<img:0:}\n<img src=\"\">\n"
                 "{:!ALIGN:0:}\nleft,center,right\n{:<ul:0:}\n<ul></ul>\n{:<u2:0:}\n<u2></u2>\n"));
    }
    // Types the characters and returns the last offer ("" for none).
    std::string Type(tLS_autochar& a, const std::string& keys, unsigned max = 10,
                     int autoSelect = 1) {
        const char* text = nullptr;
        for (char c : keys)
            a.GetAutoChar(c, text, caret, max, autoSelect, 1);
        return text ? text : "";
    }

    testutil::TempDir dir;
    std::string table = dir / "autochar.txt";
    int caret = -1;
};

TEST_F(AutoCharTest, OffersAMatchWithTheCaretBetweenThePair) {
    tLS_Error slot = LS_INVALID;
    tLS_autochar a(table.c_str(), &slot);
    EXPECT_EQ(slot, LS_OK);
    EXPECT_EQ(Type(a, "<b"), "<b></b>");
    EXPECT_EQ(caret, 2);
    EXPECT_EQ(Type(a, " <i"), "<img src=\"\">");
    EXPECT_EQ(caret, 11) << "no \"><\": behind the last character";
}

TEST_F(AutoCharTest, CandidateLimitsAndEscapeCycling) {
    tLS_Error slot;
    tLS_autochar a(table.c_str(), &slot);
    EXPECT_EQ(Type(a, "<ta", 1), "") << "two candidates, at most one wanted";
    EXPECT_EQ(Type(a, "<ta", 2), "<table></table>") << "the first in file order";
    EXPECT_EQ(Type(a, "\x1b", 2), "<tab2></tab2>");
    EXPECT_EQ(Type(a, "\x1b", 2), "<table></table>") << "wraps";
    EXPECT_EQ(Type(a, "\x1b", 2), "<tab2></tab2>");
    EXPECT_EQ(Type(a, "b", 2), "<tab2></tab2>") << "<tab: still two, selection kept";
    EXPECT_EQ(Type(a, "<u\x1b", 2), "<u2></u2>");
    EXPECT_EQ(Type(a, "l", 2), "<ul></ul>") << "one left: the selection falls back to it";
}

TEST_F(AutoCharTest, CollectingRules) {
    tLS_Error slot;
    tLS_autochar a(table.c_str(), &slot);
    EXPECT_EQ(Type(a, "b"), "") << "nothing before a tag start";
    EXPECT_EQ(Type(a, "<tabl"), "") << "a fifth character ends matching";
    EXPECT_EQ(Type(a, "e"), "");
    EXPECT_EQ(Type(a, "\r<b"), "<b></b>");
    EXPECT_EQ(Type(a, "</"), "") << "a closing tag never completes";
    EXPECT_EQ(Type(a, "<!"), "") << "\"!\" entries are never reached by typing";
    EXPECT_EQ(Type(a, "<b\n"), "");
}

TEST_F(AutoCharTest, WithoutAutoSelectOnlyEscapeOffers) {
    tLS_Error slot;
    tLS_autochar a(table.c_str(), &slot);
    EXPECT_EQ(Type(a, "<b", 10, 0), "");
    EXPECT_EQ(Type(a, "\x1b", 10, 0), "<b></b>");
}

TEST_F(AutoCharTest, ViewsShareOneTableSavedWithTheLast) {
    tLS_Error first = LS_INVALID;
    tLS_Error second = LS_INVALID;
    auto a = std::make_unique<tLS_autochar>(table.c_str(), &first);
    auto b = std::make_unique<tLS_autochar>("/ignored/path", &second);
    EXPECT_EQ(second, LS_OK);
    EXPECT_EQ(tLS_autochar::ObjectCount(), 2);
    ASSERT_EQ(a->GetBase(), b->GetBase());
    std::string* content = nullptr;
    int index = -1;
    ASSERT_EQ(a->GetBase()->NewMacro(content, "<bl", index), LS_OK);
    *content = "<blockquote></blockquote>";
    EXPECT_EQ(Type(*b, " <bl"), "<blockquote></blockquote>");
    a.reset();
    EXPECT_EQ(first, LS_OK);
    EXPECT_EQ(testutil::ReadBytes(table).find("blockquote"), std::string::npos) << "not yet";
    b.reset();
    EXPECT_EQ(second, LS_OK);
    EXPECT_NE(testutil::ReadBytes(table).find("<blockquote></blockquote>"), std::string::npos);
    EXPECT_EQ(tLS_autochar::ObjectCount(), 0);
}

TEST_F(AutoCharTest, ADamagedTableIsReportedAndStillUsed) {
    testutil::WriteBytes(table, Crlf("{:<b:0:}\n<b></b>\n{:" + std::string(40, 'x') + ":0:}\n\n"));
    tLS_Error slot = LS_OK;
    {
        tLS_autochar a(table.c_str(), &slot);
        EXPECT_EQ(slot, LS_BASE_FORMAT);
        EXPECT_EQ(Type(a, "<b"), "<b></b>");
    }
    tLS_Error missing = LS_INVALID;
    tLS_autochar b((dir / "none/autochar.txt").c_str(), &missing);
    EXPECT_EQ(missing, LS_BASE_OPEN);
    EXPECT_EQ(Type(b, "<b"), "");
}

} // namespace
