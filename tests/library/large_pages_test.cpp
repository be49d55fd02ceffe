// Large templates are read in pieces and their pages written while they are expanded. These
// tests hold that to the bytes and messages of the whole-text build, and to the promise
// that a failed build leaves the target as it was.
#include "test_util.h"

#include <brevic/ls_compiler.h>
#include <brevic/ls_files.h>
#include <brevic/ls_macrobase.h>
#include <brevic/ls_project.h>
#include <brevic/ls_testing.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

using testutil::Crlf;
using testutil::ReadBytes;
using testutil::WriteBytes;

namespace {

int FilesIn(const std::string& dir) {
    int n = 0;
    for (auto& e : std::filesystem::recursive_directory_iterator(dir))
        n += e.is_regular_file();
    return n;
}

TEST(TextFileReader, PiecesOfAnySizeMakeTheWholeText) {
    testutil::TempDir dir;
    std::string path = dir / "t.txt";
    std::mt19937 random(7);
    const char alphabet[] = {'a', '\r', '\n', '\r', 'b', '\0', ' '};
    std::string bytes;
    for (int i = 0; i < 5000; ++i)
        bytes += alphabet[random() % sizeof alphabet];
    bytes += '\r'; // a CR at the very end stays
    WriteBytes(path, bytes);
    std::string whole;
    ASSERT_TRUE(brevic::ReadTextFile(path.c_str(), whole));
    for (size_t size : {1, 2, 3, 7, 64, 100000}) {
        brevic::TextFileReader reader;
        ASSERT_TRUE(reader.Open(path.c_str()));
        EXPECT_EQ(reader.FileSize(), static_cast<long long>(bytes.size()));
        std::string pieces;
        while (!reader.AtEnd())
            ASSERT_TRUE(reader.ReadMore(pieces, size));
        EXPECT_EQ(pieces, whole) << "pieces of " << size;
    }
    // Read ahead in pieces of whole lines: each piece but the last ends with a line break,
    // unless it is part of a line longer than a piece.
    for (size_t size : {1, 5, 64, 100000}) {
        brevic::TextFileReader reader;
        ASSERT_TRUE(reader.Open(path.c_str()));
        std::string pieces;
        bool last = false;
        while (!last) {
            std::string piece;
            ASSERT_TRUE(reader.ReadLines(piece, size, last));
            if (!last) {
                ASSERT_FALSE(piece.empty());
                if (piece.back() != '\n') {
                    EXPECT_EQ(piece.find('\n'), std::string::npos) << "a line goes on";
                }
            }
            pieces += piece;
        }
        EXPECT_TRUE(reader.AtEnd());
        EXPECT_EQ(pieces, whole) << "lines of " << size;
    }
    brevic::TextFileReader none;
    EXPECT_FALSE(none.Open(dir.path().c_str())) << "a directory is not read";
    EXPECT_FALSE(none.Open((dir / "missing").c_str()));
}

// A template where every other line break lies inside a placeholder, tags and comments
// span lines, and a line is longer than a piece: wherever the pieces end, the expansion
// must not notice.
std::string HostileTemplate(unsigned seed, size_t size) {
    std::mt19937 random(seed);
    const char* const parts[] = {
        "{#Pair,one\ntwo} ", "<td\nwidth=\"\">", "<!-- a\ncomment -->", "<<line comment\n",
        "{#Word}", "\xC3\xA9\xE2\x82\xAC ", "\t<a href=\"x\"\n>", "{#Missing} ", "a \\{# b ",
        "<b>>", "{#Pair,\n\n}", "plain words and more words ", "\n", "\n", "{#Word.de}",
        "{#Lines[2-L],a}", "x=\"\"y ", "{#\"-\"Lines} ", "<p =\"#\">", "\r",
        // A line break that a too long name swallows, so that it counts no line.
        "{#nnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnn\n} ",
        // An attribute name so long that the staging part starts within it.
        "\n<"
        "xaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa"
        "aaaaa"
        "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa"
        "aaaaaaa= b>",
        "<q \"open\nquote>\n", "\n<!-- ", " -->\n",
        // A quote left open outside any tag, by a comment inside the tag, up to the next tag.
        "<a \"x<!-- c -->\nstill open while this long line goes on and on and on and on and on "
        "and on and on and on and on and on and on and on and on and on and on and on and on "
        "and on and on and on and on and on and on and on and on and on and on and on <p>\n"};
    std::string text;
    while (text.size() < size) {
        const char* part = parts[random() % (sizeof parts / sizeof parts[0])];
        text += part;
        if (part[0] == '\n' && part[1] == '<' && part[2] == 'x') { // past 1024 characters
            for (int i = 0; i < 10; ++i)
                text.insert(text.size() - 4, 100, 'a');
        }
        if (random() % 5000 == 0) text += std::string(300000, 'L') + "\n"; // longer than a piece
    }
    return text + "{#\"unclosed line text at the end";
}

struct RecordingList : tLS_ListBox {
    void ResetContent() override { lines.clear(); }
    void AddString(const char* line) override { lines += std::string(line) + "\n"; }
    std::string lines;
};

class PiecesTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string macros = "{:Word:1:}\nword <i>{#_MACRO_PARAM_0}</i>\n"
                             "{:Pair:2:}\n[{#_MACRO_PARAM_0}|{#_MACRO_PARAM_1}]\n"
                             "{:Lines:3:}\nl1\nl2 {#Word}\nl3\n"
                             "{:Word.de:4:}\nWort\n"
                             "{:Loop:5:}\n{#Loop}\n"
                             // Four to the power of eleven times 9 characters: 38 MB.
                             "{:B0:6:}\n<b>bo</b>\n";
        for (int level = 1; level <= 11; ++level) {
            const std::string lower = "{#B" + std::to_string(level - 1) + "}";
            macros +=
                "{:B" + std::to_string(level) + ":6:}\n" + lower + lower + lower + lower + "\n";
        }
        WriteBytes(mcr, Crlf(macros));
        base = new tLS_macrobase(mcr.c_str(), nullptr);
        bases[0] = base;
    }
    void TearDown() override {
        brevic::SetPieceSize(size_t(1) << 18);
        delete base;
    }

    // Builds the template at `tpl` whole and in pieces; both must come to the same.
    void ExpectPiecesAsWhole(const std::string& tpl, const tCompilerSettings& options,
                             tLS_Error result, const std::string& what) {
        std::string whole;
        ASSERT_TRUE(brevic::ReadTextFile(tpl.c_str(), whole));
        tCompilerSettings settings = options;
        tLS_compiler compiler;
        tDebugContext expected;
        std::string expectedOut;
        brevic::SetCharacterCounter(0);
        ASSERT_EQ(compiler.BuildTarget(whole, expectedOut, &expected, bases, "big.tpl", &settings),
                  result);
        const unsigned long expectedCounter = brevic::CharacterCounter();

        // In pieces, with the finished output going to the file as it comes.
        brevic::TextFileReader reader;
        ASSERT_TRUE(reader.Open(tpl.c_str()));
        brevic::FileWriter file(target.c_str(), true);
        tDebugContext got;
        RecordingList list;
        if (options.ConvertISO && options.RemoveAttr) got.messageList = &list;
        std::string rest;
        brevic::SetCharacterCounter(0);
        compiler.SetOutputFile(&file);
        ASSERT_EQ(compiler.BuildTarget(reader, rest, &got, bases, "big.tpl", &settings), result)
            << what;
        compiler.SetOutputFile(nullptr);
        EXPECT_EQ(got.log, expected.log) << what;
        EXPECT_EQ(got.errors, expected.errors) << what;
        EXPECT_EQ(got.warnings, expected.warnings) << what;
        if (got.messageList) {
            EXPECT_EQ(list.lines.substr(0, got.log.size()), got.log) << what;
        }
        if (result != LS_OK) return;
        EXPECT_EQ(brevic::CharacterCounter(), expectedCounter) << what;
        ASSERT_TRUE(file.Write(rest) && file.Commit());
        std::string written;
        ASSERT_TRUE(brevic::ReadTextFile(target.c_str(), written));
        ASSERT_EQ(written.size(), expectedOut.size()) << what;
        EXPECT_TRUE(written == expectedOut) << what;
    }

    testutil::TempDir dir;
    std::string mcr = dir / "m.mcr";
    std::string target = dir / "big.htm";
    tLS_macrobase* base = nullptr;
    tLS_macrobase* bases[2] = {nullptr, nullptr};
};

// Pieces are expanded two at a time, the second from a state taken for granted; small
// pieces put their ends everywhere.
TEST_F(PiecesTest, PiecesExpandToTheBytesAndMessagesOfTheWholeText) {
    const std::string tpl = dir / "big.tpl";
    for (unsigned seed : {1u, 2u, 3u, 4u, 5u}) {
        WriteBytes(tpl, Crlf(HostileTemplate(seed, seed <= 3 ? 900000 : 200000)));
        brevic::SetPieceSize(seed <= 3 ? size_t(1) << 18 : seed == 4 ? 4096 : 1500);
        for (int options = 0; options < 8; ++options) {
            tCompilerSettings settings;
            settings.RemoveAttr = options & 1;
            settings.ConvertISO = (options >> 1) & 1;
            settings.RemoveNewLineOnTags = (options >> 2) & 1;
            settings.ScrambleCode = options == 7;
            ExpectPiecesAsWhole(tpl, settings, LS_OK,
                                "seed " + std::to_string(seed) + " options " +
                                    std::to_string(options));
        }
    }
}

TEST_F(PiecesTest, APieceThatExpandsFarComesOutAsInTheWholeText) {
    const std::string tpl = dir / "big.tpl";
    std::string text;
    for (int i = 0; i < 200; ++i)
        text += "<p class=\"x\">line " + std::to_string(i) + "</p>\n";
    WriteBytes(tpl, Crlf(text + "{#B11}\n" + text));
    brevic::SetPieceSize(1024);
    ExpectPiecesAsWhole(tpl, tCompilerSettings{}, LS_OK, "38 MB from one line");
}

// Pieces without a single blank leave the staging part where the whole text would not; an
// attribute removed right at the start of the piece after them must not notice.
TEST_F(PiecesTest, PiecesWithoutBlanksComeOutAsInTheWholeText) {
    const std::string tpl = dir / "big.tpl";
    std::string noBlanks;
    while (noBlanks.size() < 3000)
        noBlanks += "<i>no_blank_in_this_line</i>\n";
    const std::string attribute = "<x" + std::string(1100, 'a') + "= b>\n";
    brevic::SetPieceSize(1024);
    for (int shift = 0; shift < 60; ++shift) {
        std::string text = "<p>" + std::string(static_cast<size_t>(shift) * 17, 'p') + "</p>\n";
        for (int i = 0; i < 3; ++i)
            text += noBlanks + attribute;
        WriteBytes(tpl, Crlf(text));
        ExpectPiecesAsWhole(tpl, tCompilerSettings{}, LS_OK, "shift " + std::to_string(shift));
    }
}

TEST_F(PiecesTest, AnErrorInAPieceExpandedBesideEndsTheBuildAsInTheWholeText) {
    const std::string tpl = dir / "big.tpl";
    std::string before = HostileTemplate(6, 60000);
    before.erase(before.rfind("{#\"")); // its unclosed end would swallow the rest
    WriteBytes(tpl, Crlf(before + "\n{#Loop}\n" + HostileTemplate(7, 60000)));
    for (size_t size : {2048, 3000, 5000}) {
        brevic::SetPieceSize(size);
        ExpectPiecesAsWhole(tpl, tCompilerSettings{}, LS_RECURSION,
                            "pieces of " + std::to_string(size));
    }
}

// A project with one template large enough to be read in pieces.
class LargePageTest : public ::testing::Test {
protected:
    void SetUp() override {
        WriteBytes(hpr, Crlf("[Groups]\nGroupNumber=1\nGroup0=site.mcr\n[Sources]\nSourceNumber=1\n"
                             "Source0=tpl\\big.tpl\n"));
        WriteBytes(dir / "site.mcr", Crlf("{:Cell:1:}\n<td class=\"c\">{#_MACRO_PARAM_0}</td>\n"
                                          "{:Loop:2:}\n{#Loop}\n"));
        project.SetIniFilePath((dir / "larkspan.INI").c_str());
    }
    std::string Template(bool recursionAtTheEnd) {
        std::string row =
            "<tr>{#Cell,alpha} {#Cell,beta}<td\nwidth=\"\">plain text of a row</td></tr>\n";
        std::string text;
        while (text.size() < (size_t(5) << 20))
            text += row;
        if (recursionAtTheEnd) text += "{#Loop}\n";
        return text;
    }

    testutil::TempDir dir;
    std::string hpr = dir / "site.hpr";
    std::string tpl = dir / "tpl/big.tpl";
    std::string target = dir / "tpl/big.htm";
    tLS_project project;
};

TEST_F(LargePageTest, AWrittenPageEqualsTheWholeTextBuild) {
    const std::string text = Template(false);
    WriteBytes(tpl, Crlf(text));
    ASSERT_EQ(project.InitProject(hpr.c_str()), LS_OK);
    ASSERT_EQ(project.BuildAll(nullptr), LS_OK);
    const std::string inPieces = ReadBytes(target);
    ASSERT_EQ(project.Build(text, nullptr, target.c_str(), 0, "big.tpl"), LS_OK);
    EXPECT_TRUE(ReadBytes(target) == inPieces);
    EXPECT_GT(inPieces.size(), text.size());
}

TEST_F(LargePageTest, AFailedLargeBuildLeavesTheTargetAsItWas) {
    WriteBytes(tpl, Crlf(Template(true)));
    ASSERT_EQ(project.InitProject(hpr.c_str()), LS_OK);
    const int files = FilesIn(dir.path());

    // Recursion near the end, long after the first part went to the file.
    EXPECT_EQ(project.BuildAll(nullptr), LS_BUILD_FAILED);
    EXPECT_FALSE(testutil::Exists(target)) << "a new target is not left half-written";
    EXPECT_EQ(FilesIn(dir.path()), files + 1) << "the journal names the page not built";
    WriteBytes(target, "previous");
    EXPECT_EQ(project.BuildAll(nullptr), LS_BUILD_FAILED);
    EXPECT_EQ(ReadBytes(target), "previous");
    EXPECT_EQ(FilesIn(dir.path()), files + 2) << "no temporary file left behind";

    // A failing write, and a template that cannot be read.
    WriteBytes(tpl, Crlf(Template(false)));
    brevic::InjectFault(brevic::FaultOp::Write, 1);
    EXPECT_EQ(project.BuildAll(nullptr), LS_BUILD_FAILED);
    brevic::ClearFaults();
    EXPECT_EQ(ReadBytes(target), "previous");
    EXPECT_EQ(std::string(project.GetFailedFile()), target);
    EXPECT_EQ(project.FailedFileWasWrite(), 1);
    // Every read fails in turn (the project file's first, then the template's pieces).
    bool templateFailed = false;
    for (int nth = 1; nth < 100; ++nth) {
        brevic::InjectFault(brevic::FaultOp::Read, nth);
        const tLS_Error r = project.BuildAll(nullptr);
        brevic::ClearFaults();
        if (r == LS_OK) break;
        EXPECT_EQ(ReadBytes(target), "previous") << "read " << nth;
        if (std::string(project.GetFailedFile()) == tpl) {
            templateFailed = true;
            EXPECT_EQ(r, LS_BUILD_FAILED);
            EXPECT_EQ(project.FailedFileWasWrite(), 0);
        }
    }
    EXPECT_TRUE(templateFailed);
    EXPECT_EQ(FilesIn(dir.path()), files + 2) << "the page and the build log";
}

} // namespace

namespace {

// Records what a full build reports, in order.
class Recorder : public tLS_Progress {
public:
    void SetPos(int) override {}
    void TargetDone(const tLS_Target& target, const std::string& messages) override {
        done += std::string(target.path) + " " + std::to_string(target.written) + "\n" + messages;
    }
    std::string done;
};

// Many pages in many languages: a full build spreads them over threads, and must come to
// what one thread comes to.
class ManyPagesTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string groups = "[Groups]\nGroupNumber=6\nGroup0=site.mcr\n";
        for (int g = 1; g < 6; ++g) {
            groups += "Group" + std::to_string(g) + "=l" + std::to_string(g) + ".mcr\n";
            WriteBytes(dir / ("l" + std::to_string(g) + ".mcr"),
                       Crlf("{:Hello:1:}\nhello " + std::to_string(g) + " {#Missing}\n"));
        }
        groups += "[Sources]\nSourceNumber=4\n";
        for (int s = 0; s < 4; ++s) {
            groups += "Source" + std::to_string(s) + "=tpl\\p" + std::to_string(s) + ".tpl\n";
            WriteBytes(dir / ("tpl/p" + std::to_string(s) + ".tpl"),
                       Crlf("<p>{#Hello} page " + std::to_string(s) + "</p>\n<b>x\n"));
        }
        WriteBytes(hpr, Crlf(groups));
        WriteBytes(dir / "site.mcr", Crlf("{:Loop:1:}\n{#Loop}\n"));
        project.SetIniFilePath((dir / "larkspan.INI").c_str());
        ASSERT_EQ(project.InitProject(hpr.c_str()), LS_OK);
    }
    struct Outcome {
        tLS_Error result;
        std::string progress, log, pages;
    };
    Outcome Build(bool oneThread) {
        for (auto& e : std::filesystem::recursive_directory_iterator(dir.path())) {
            if (e.path().extension() == ".htm") std::filesystem::remove(e.path());
        }
        Recorder recorder;
        tDebugContext context;
        context.progress = &recorder;
        if (oneThread) brevic::InjectFault(brevic::FaultOp::Read, 1 << 30); // never reached
        Outcome o{project.BuildAll(&context), recorder.done, context.log, ""};
        brevic::ClearFaults();
        for (int s = 0; s < 4; ++s) {
            for (int g = 1; g < 6; ++g) {
                std::string page =
                    dir / ("tpl/l" + std::to_string(g) + "/p" + std::to_string(s) + ".htm");
                o.pages += page + ":" + (testutil::Exists(page) ? ReadBytes(page) : "-") + "\n";
            }
        }
        return o;
    }

    testutil::TempDir dir;
    std::string hpr = dir / "site.hpr";
    tLS_project project;
};

TEST_F(ManyPagesTest, SideBySideComesToWhatOneThreadComesTo) {
    const Outcome one = Build(true);
    const std::string oneLog = project.GetBuildLog();
    const Outcome many = Build(false);
    EXPECT_EQ(one.result, LS_OK);
    EXPECT_EQ(many.result, LS_OK);
    EXPECT_EQ(many.progress, one.progress);
    EXPECT_EQ(many.pages, one.pages);
    // The log after its header (which holds the time).
    const std::string manyLog = project.GetBuildLog();
    EXPECT_EQ(manyLog.substr(manyLog.find("\n\n")), oneLog.substr(oneLog.find("\n\n")));
    EXPECT_NE(one.progress.find("Missing"), std::string::npos) << "messages travel with their page";
}

TEST_F(ManyPagesTest, AFailingPageStopsTheBuildAtItsPlace) {
    // The third template recurses: its first page fails, the pages before it are built.
    WriteBytes(dir / "tpl/p2.tpl", Crlf("{#Loop}\n"));
    const Outcome one = Build(true);
    const Outcome many = Build(false);
    EXPECT_EQ(one.result, LS_BUILD_FAILED);
    EXPECT_EQ(many.result, LS_BUILD_FAILED);
    EXPECT_EQ(many.progress, one.progress);
    EXPECT_EQ(many.log, one.log) << "the messages of the page that failed";
    EXPECT_EQ(std::count(many.progress.begin(), many.progress.end(), '\n') > 0, true);
    // Pages before the failing one are written; the failing one is not.
    EXPECT_NE(many.pages.find("tpl/l5/p1.htm:<p>hello 5"), std::string::npos);
    EXPECT_NE(many.pages.find("tpl/l1/p2.htm:-"), std::string::npos);
}

} // namespace
