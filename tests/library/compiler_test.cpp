// Expansion behaviour that the golden cases cannot show: the message list and progress
// interfaces, the clock, nesting limits and state kept between builds.
#include "test_util.h"

#include <brevic/ls_compiler.h>
#include <brevic/ls_files.h>
#include <brevic/ls_macrobase.h>
#include <brevic/ls_testing.h>

#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <ctime>

namespace {

struct RecordingList : tLS_ListBox {
    std::vector<std::string> lines;
    void ResetContent() override { lines.clear(); }
    void AddString(const char* line) override { lines.emplace_back(line); }
};

struct RecordingProgress : tLS_Progress {
    std::vector<int> positions;
    void SetPos(int percent) override { positions.push_back(percent); }
};

class CompilerTest : public ::testing::Test {
protected:
    // Writes the macros into a fresh macro file and loads it as the only base.
    void Macros(const std::string& fileText) {
        testutil::WriteBytes(dir / "neutral.mcr", fileText);
        base = std::make_unique<tLS_macrobase>((dir / "neutral.mcr").c_str(), &slot);
        ASSERT_EQ(slot, LS_OK);
        bases[0] = base.get();
    }
    tLS_Error Run(const std::string& source) {
        output.clear();
        return compiler.BuildTarget(source, output, &context, bases, "page.tpl", &settings);
    }

    testutil::TempDir dir;
    tLS_Error slot = LS_OK;
    std::unique_ptr<tLS_macrobase> base;
    tLS_macrobase* bases[2] = {nullptr, nullptr};
    tLS_compiler compiler;
    tCompilerSettings settings;
    tDebugContext context;
    std::string output;
};

TEST_F(CompilerTest, MessageListGetsMessagesThenTheSummary) {
    Macros("{:A:0:}\n<b>\n");
    RecordingList list;
    list.lines = {"from an earlier build"};
    context.messageList = &list;
    EXPECT_EQ(Run("x>\n{#A}{#Missing}"), LS_OK);
    const std::vector<std::string> expected = {
        "page.tpl\t(1) Error: \"<\" Missing",
        "page.tpl\t(2) Warning: The macro \"Missing\" was not found.",
        std::string(53, '='),
        "Error:  1 -- Warning:  1",
    };
    EXPECT_EQ(list.lines, expected);
    EXPECT_EQ(context.log, expected[0] + "\n" + expected[1] + "\n");
    EXPECT_EQ(context.errors, 1);
    EXPECT_EQ(context.warnings, 1);
}

TEST_F(CompilerTest, TwentyOneLevelsNestAndTheTwentySecondEndsTheBuild) {
    // L1 -> L2 -> ... -> Ln, the last one a plain text.
    auto chain = [](int n) {
        std::string file;
        for (int i = 1; i < n; ++i) {
            file += "{:L" + std::to_string(i) + ":0:}\n(" + std::to_string(i) + "{#L" +
                    std::to_string(i + 1) + "})\n";
        }
        file += "{:L" + std::to_string(n) + ":0:}\nend\n";
        return file;
    };
    Macros(chain(21));
    EXPECT_EQ(Run("{#L1}"), LS_OK);
    EXPECT_NE(output.find("(20end)"), std::string::npos);
    EXPECT_EQ(context.depth, 0);

    Macros(chain(22));
    RecordingList list;
    context.messageList = &list;
    EXPECT_EQ(Run("before {#L1} after"), LS_RECURSION);
    EXPECT_EQ(output.rfind("before (1(2", 0), 0u) << "the output so far stays";
    EXPECT_EQ(output.find("end"), std::string::npos);
    ASSERT_FALSE(list.lines.empty());
    EXPECT_EQ(list.lines.back(), "!!---- Recursion in Macro. Operation canceled ----!!");
}

TEST_F(CompilerTest, MultiplyingMacrosStopAtTheOutputLimit) {
    // Each level calls the next ten times: 10^8 copies of the leaf if nothing stopped it.
    std::string file;
    for (int i = 0; i < 8; ++i) {
        std::string call = "{#M" + std::to_string(i + 1) + "}";
        std::string text;
        for (int k = 0; k < 10; ++k)
            text += call;
        file += "{:M" + std::to_string(i) + ":0:}\n" + text + "\n";
    }
    file += "{:M8:0:}\nleaf text\n";
    Macros(file);
    brevic::SetOutputLimit(1 << 20);
    EXPECT_EQ(Run("{#M0}"), LS_BUILD_FAILED);
    brevic::SetOutputLimit(size_t(1) << 30);
    EXPECT_LT(output.size(), size_t(2) << 20);
}

TEST_F(CompilerTest, LineFormattingCountsAsANestingLevel) {
    Macros("{:Self:0:}\n{#\"x\"Self}\n");
    EXPECT_EQ(Run("{#Self}"), LS_RECURSION);
}

TEST_F(CompilerTest, ModifiedIsTheNewestMacroUsed) {
    Macros("{:Old:100:}\nold {#New}\n{:New:250:}\nnew\n{:Unused:999:}\nu\n");
    EXPECT_EQ(Run("{#Old}"), LS_OK);
    EXPECT_EQ(output, "old new");
    EXPECT_EQ(compiler.GetModified(), 250);
    EXPECT_EQ(Run("plain"), LS_OK);
    EXPECT_EQ(compiler.GetModified(), 0);
}

TEST_F(CompilerTest, DateAndTimeUsesTheFormat) {
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    EXPECT_EQ(Run("{#\"%Y\"_DATE_AND_TIME_}|{#_DATE_AND_TIME_}|"), LS_OK);
    // The year of now (a build over New Year's midnight may see the next one).
    int year = std::stoi(output.substr(0, 4));
    EXPECT_TRUE(year == tm.tm_year + 1900 || year == tm.tm_year + 1901);
    EXPECT_EQ(output.substr(4), "||");
}

TEST_F(CompilerTest, ProgressFollowsTheTemplateOnly) {
    Macros("{:M:0:}\na\nb\nc\n");
    RecordingProgress progress;
    context.progress = &progress;
    std::string source = "{#M}";
    for (int i = 0; i < 50; ++i)
        source += "line\n";
    EXPECT_EQ(Run(source), LS_OK);
    ASSERT_FALSE(progress.positions.empty());
    // 254 characters: a step of 2; the first line break of the template is at 8. The
    // macro's own line breaks come earlier and must not move the bar.
    EXPECT_EQ(progress.positions.front(), 4);
    for (size_t i = 1; i < progress.positions.size(); ++i) {
        EXPECT_GT(progress.positions[i], progress.positions[i - 1]);
    }
    EXPECT_EQ(progress.positions.back(), 100);
}

TEST_F(CompilerTest, CharacterCounterPersistsBetweenBuilds) {
    settings.ScrambleCode = 1;
    settings.ScrambleBlockSize = 10;
    brevic::SetCharacterCounter(0);
    EXPECT_EQ(Run("abcdefghij"), LS_OK); // ten characters examined, no space
    EXPECT_EQ(brevic::CharacterCounter(), 10u);
    EXPECT_EQ(Run("a b"), LS_OK); // the counter passes 10 at the first space
    EXPECT_EQ(output, "a \nb");
    EXPECT_EQ(brevic::CharacterCounter(), 1u);
}

TEST_F(CompilerTest, NoBasesExpandNothingAndReportNothing) {
    EXPECT_EQ(compiler.BuildTarget("a{#X}b", output, &context, nullptr, "p", &settings), LS_OK);
    EXPECT_EQ(output, "ab");
    tLS_macrobase* empty[1] = {nullptr};
    output.clear();
    EXPECT_EQ(compiler.BuildTarget("a{#X}b", output, &context, empty, "p", &settings), LS_OK);
    EXPECT_EQ(output, "ab");
    EXPECT_EQ(context.log, "");
}

TEST_F(CompilerTest, OutputIsAppendedAndNullArgumentsAreSafe) {
    output = "kept:";
    EXPECT_EQ(compiler.BuildTarget("x", output, nullptr, nullptr, nullptr, nullptr), LS_OK);
    EXPECT_EQ(output, "kept:x");
}

TEST_F(CompilerTest, MacroTextsEndAtAnEmbeddedNul) {
    Macros("{:M:0:}\nab\n");
    std::string* content = nullptr;
    ASSERT_EQ(base->GetMacroContent(0, content), LS_OK);
    *content = std::string("ab\0cd", 5);
    EXPECT_EQ(Run(std::string("1{#M}2\0"
                              "3",
                              8)),
              LS_OK);
    EXPECT_EQ(output, "1ab2");
}

TEST(CompilerMessages, TextsAreExact) {
    EXPECT_STREQ(tLS_compiler::MessageText(200), "The macro \"%s\" was not found.");
    EXPECT_STREQ(tLS_compiler::MessageText(221), "\" Missing or one to much.");
    EXPECT_STREQ(tLS_compiler::MessageText(224),
                 "Referenced Parameter not defined in Macroplaceholder.");
    EXPECT_STREQ(tLS_compiler::MessageText(999), "");
}

// Every marker of the output ("T3": the template's line 3, "M2": line 2 of macro M, and so
// on) is placed by the line map where the marker says, through whole-line comments, line
// statements, line-formatting texts, nested macros and line breaks made blanks.
TEST_F(CompilerTest, TheLineMapPlacesEveryPartOfThePage) {
    Macros("{:M:0:}\nM1\nM2 {#N} M2\nM3\n{:N:0:}\nN1\n{:X:0:}\nX1\nX2\nX3\nX4\n");
    const std::string source =
        "T1 {#M} T1\n<< a comment line\nT3 {#X[2-3]} T3\n<p>{#\"<br>\"X}</p> T4\n\nT6";
    for (int blanks = 0; blanks < 2; ++blanks) {
        settings.RemoveNewLineOnTags = blanks;
        tLS_LineMap map;
        compiler.SetLineMap(&map);
        ASSERT_EQ(Run(source), LS_OK);
        compiler.SetLineMap(nullptr);
        int markers = 0;
        for (size_t at = 0; at + 1 < output.size(); ++at) {
            const char kind = output[at];
            if (!std::strchr("TMNX", kind) ||
                !std::isdigit(static_cast<unsigned char>(output[at + 1])))
                continue;
            tLS_LineMap::Place place;
            ASSERT_TRUE(map.PlaceOf(output, at, place)) << at;
            EXPECT_EQ(place.macro, kind != 'T') << output << " at " << at;
            if (kind != 'T') {
                EXPECT_EQ(place.name, std::string(1, kind));
            }
            EXPECT_EQ(place.line, output[at + 1] - '0') << output << " at " << at;
            if (place.macro) {
                EXPECT_EQ(place.base, base.get());
            }
            ++markers;
        }
        EXPECT_EQ(markers, 17) << output;
    }
}

} // namespace
