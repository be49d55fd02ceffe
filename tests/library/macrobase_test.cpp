#include "test_util.h"

#include <brevic/ls_files.h>
#include <brevic/ls_macrobase.h>
#include <brevic/ls_testing.h>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using testutil::Crlf;
using testutil::ReadBytes;
using testutil::TempDir;
using testutil::WriteBytes;

namespace {

struct RecordingList : tLS_ListBox {
    std::vector<std::string> lines;
    int resets = 0;
    void ResetContent() override {
        ++resets;
        lines.clear();
    }
    void AddString(const char* line) override { lines.emplace_back(line); }
};

std::string Content(tLS_macrobase& base, int index) {
    std::string* text = nullptr;
    EXPECT_EQ(base.GetMacroContent(index, text), LS_OK);
    return text ? *text : "";
}

class MacroBaseTest : public ::testing::Test {
protected:
    TempDir dir;
    std::string file = dir / "english.mcr";
};

TEST_F(MacroBaseTest, MissingFileIsCreatedEmpty) {
    tLS_Error slot = LS_INVALID;
    {
        tLS_macrobase base(file.c_str(), &slot);
        EXPECT_EQ(slot, LS_OK);
        EXPECT_EQ(base.GetLastIndex(), -1);
        EXPECT_STREQ(base.GetName(), "english");
        EXPECT_TRUE(testutil::Exists(file));
    }
    EXPECT_EQ(slot, LS_OK);
    EXPECT_EQ(ReadBytes(file), ""); // nothing changed, nothing written
}

TEST_F(MacroBaseTest, ReadsHeadersTimesAndTexts) {
    WriteBytes(file,
               Crlf("{:Footer:881234:}\n<p>foot</p>\nline 2\n{:Empty:-5:}\n\n{:NoTime:}\nx\n"));
    tLS_Error slot = LS_INVALID;
    tLS_macrobase base(file.c_str(), &slot);
    ASSERT_EQ(slot, LS_OK);
    ASSERT_EQ(base.GetLastIndex(), 2);
    EXPECT_EQ(Content(base, 0), "<p>foot</p>\nline 2");
    EXPECT_EQ(base.GetLastModified(0), 881234);
    EXPECT_EQ(Content(base, 1), "");
    EXPECT_EQ(base.GetLastModified(1), -5);
    EXPECT_EQ(Content(base, 2), "x");
    EXPECT_EQ(base.GetLastModified(2), 0);
}

TEST_F(MacroBaseTest, FinalLineWithoutLineBreakStillLosesOneCharacter) {
    WriteBytes(file, "{:A:1:}\r\nabc");
    tLS_Error slot;
    tLS_macrobase base(file.c_str(), &slot);
    ASSERT_EQ(slot, LS_OK);
    EXPECT_EQ(Content(base, 0), "ab");
}

TEST_F(MacroBaseTest, LongLinesArriveInPiecesButOnlyLineStartsAreHeaders) {
    // 152 characters, then "{:" at the start of the next piece: still the same line.
    std::string longLine = std::string(152, 'a') + "{:not a header:}" + std::string(400, 'b');
    WriteBytes(file, Crlf("{:Long:7:}\n" + longLine + "\n{:Next:8:}\nn\n"));
    tLS_Error slot;
    tLS_macrobase base(file.c_str(), &slot);
    ASSERT_EQ(slot, LS_OK);
    ASSERT_EQ(base.GetLastIndex(), 1);
    EXPECT_EQ(Content(base, 0), longLine);
    EXPECT_EQ(Content(base, 1), "n");
}

// A header line longer than a piece (only a hand-made file has one): its rest is part of the
// header, so a rest beginning with "{:" never becomes a text the file could not hold, and
// the base saves back (found by fuzzing).
TEST_F(MacroBaseTest, TheRestOfALongHeaderLineIsIgnored) {
    const std::string header = "{:Long:7" + std::string(144, 'x') + "{:tail:1:}rest";
    WriteBytes(file, Crlf(header + "\ntext\n"));
    tLS_Error slot = LS_INVALID;
    {
        tLS_macrobase base(file.c_str(), &slot);
        ASSERT_EQ(slot, LS_OK);
        ASSERT_EQ(base.GetLastIndex(), 0);
        EXPECT_EQ(Content(base, 0), "text");
        EXPECT_EQ(base.GetLastModified(0), 7);
        ASSERT_EQ(base.SetModified(0), LS_OK);
        EXPECT_EQ(base.SaveMacroBase(), LS_OK);
    }
    tLS_macrobase again(file.c_str(), &slot);
    EXPECT_EQ(Content(again, 0), "text");
}

TEST_F(MacroBaseTest, DamagedFilesFailToLoadAndAreNeverOverwritten) {
    struct Case {
        std::string text;
        tLS_Error expected;
        int macrosRead;
    };
    std::string name31(31, 'n');
    std::string tooMany;
    for (int i = 0; i < 201; ++i)
        tooMany += "{:m" + std::to_string(i) + ":0:}\nt\n";
    const Case cases[] = {
        {"text before\n{:A:0:}\nx\n", LS_BASE_NO_HEADER, 0},
        {"{:A:0:}\nx\n{:" + name31 + ":0:}\ny\n", LS_BASE_FORMAT, 1},
        {tooMany, LS_BASE_FORMAT, 200},
    };
    for (const Case& c : cases) {
        WriteBytes(file, c.text);
        tLS_Error slot = LS_OK;
        {
            tLS_macrobase base(file.c_str(), &slot);
            EXPECT_EQ(slot, c.expected);
            EXPECT_EQ(base.GetLastIndex() + 1, c.macrosRead);
            std::string* content = nullptr;
            int index = -1;
            EXPECT_EQ(base.NewMacro(content, "Added", index), LS_BASE_NOT_LOADED);
            if (c.macrosRead > 0) {
                EXPECT_EQ(base.SetModified(0), LS_OK);
            }
        }
        EXPECT_EQ(slot, LS_OK) << "a base that failed to load saves nothing";
        EXPECT_EQ(ReadBytes(file), c.text);
    }
}

TEST_F(MacroBaseTest, NamesOf30CharactersRoundTripAndLongerOnesAreRefused) {
    std::string name30(30, 'x');
    tLS_Error slot;
    {
        tLS_macrobase base(file.c_str(), &slot);
        std::string* content = nullptr;
        int index = -1;
        ASSERT_EQ(base.NewMacro(content, name30.c_str(), index), LS_OK);
        *content = "thirty";
        EXPECT_EQ(base.NewMacro(content, std::string(31, 'y').c_str(), index), LS_BASE_FORMAT);
        EXPECT_EQ(base.NewMacro(content, "a:b", index), LS_BASE_FORMAT);
        EXPECT_EQ(base.NewMacro(content, "", index), LS_BASE_FORMAT);
        EXPECT_EQ(base.GetLastIndex(), 0);
    }
    EXPECT_EQ(slot, LS_OK);
    tLS_macrobase again(file.c_str(), &slot);
    ASSERT_EQ(slot, LS_OK);
    int index = -1;
    ASSERT_EQ(again.GetMacroIndex(index, name30.c_str(), 1), LS_OK);
    EXPECT_EQ(Content(again, index), "thirty");
}

TEST_F(MacroBaseTest, SaveWritesTheExactFormatAndCompactsDeletions) {
    tLS_Error slot;
    {
        tLS_macrobase base(file.c_str(), &slot);
        std::string* content = nullptr;
        int a = -1, b = -1, c = -1;
        ASSERT_EQ(base.NewMacro(content, "A", a), LS_OK);
        *content = "first\nsecond";
        ASSERT_EQ(base.NewMacro(content, "B", b), LS_OK);
        *content = "gone";
        ASSERT_EQ(base.NewMacro(content, "C", c), LS_OK);
        EXPECT_EQ(c, 2);

        ASSERT_EQ(base.DeleteMacro(b), LS_OK);
        EXPECT_EQ(base.SetModified(b), LS_OK); // a deleted slot stays a valid index
        tBaseMember* member = nullptr;
        EXPECT_EQ(base.GetMacroContent(b, member), LS_MACRO_DELETED);
        EXPECT_EQ(base.GetMacroIndex(b, "B", 1), LS_MACRO_NOT_FOUND);
        EXPECT_EQ(b, -1);
        EXPECT_EQ(base.GetMacroContent(3, member), LS_BAD_MACRO_INDEX);
        EXPECT_EQ(base.GetMacroContent(-1, member), LS_BAD_MACRO_INDEX);
        EXPECT_EQ(base.DeleteMacro(3), LS_BAD_DELETE_INDEX);

        // New macros are appended; the deleted slot is not reused.
        ASSERT_EQ(base.NewMacro(content, "B", b), LS_OK);
        EXPECT_EQ(b, 3);

        ASSERT_EQ(base.SaveMacroBase(), LS_OK);
        std::string written = ReadBytes(file);
        auto stamp = [&](int i) { return std::to_string(base.GetLastModified(i)); };
        EXPECT_EQ(written, Crlf("{:A:" + stamp(0) + ":}\nfirst\nsecond\n{:C:" + stamp(2) +
                                ":}\n\n{:B:" + stamp(3) + ":}\n\n"));
    }
    tLS_macrobase again(file.c_str(), &slot);
    ASSERT_EQ(slot, LS_OK);
    EXPECT_EQ(again.GetLastIndex(), 2);
    EXPECT_EQ(Content(again, 0), "first\nsecond");
    int index = -1;
    EXPECT_EQ(again.GetMacroIndex(index, "B", 1), LS_OK);
    EXPECT_EQ(index, 2);
}

TEST_F(MacroBaseTest, SavesOnlyWhenModifiedAndOnlyOnce) {
    WriteBytes(file, "{:A:5:}\nx\n"); // LF only: rewriting would turn it into CR LF
    tLS_Error slot;
    tLS_macrobase base(file.c_str(), &slot);
    EXPECT_EQ(base.SaveMacroBase(), LS_OK);
    EXPECT_EQ(ReadBytes(file), "{:A:5:}\nx\n");
    EXPECT_EQ(base.SetModified(0), LS_OK);
    EXPECT_EQ(base.SaveMacroBase(), LS_OK);
    std::string once = ReadBytes(file);
    EXPECT_NE(once, "{:A:5:}\nx\n");
    WriteBytes(file, "changed on disk");
    EXPECT_EQ(base.SaveMacroBase(), LS_OK); // nothing changed since: not written again
    EXPECT_EQ(ReadBytes(file), "changed on disk");
}

TEST_F(MacroBaseTest, InvalidSetModifiedStopsAllSaving) {
    tLS_Error slot;
    {
        tLS_macrobase base(file.c_str(), &slot);
        std::string* content = nullptr;
        int index = -1;
        ASSERT_EQ(base.NewMacro(content, "A", index), LS_OK);
        EXPECT_EQ(base.SetModified(5), LS_BAD_MODIFIED_INDEX);
        EXPECT_EQ(base.NewMacro(content, "B", index), LS_BASE_NOT_LOADED);
    }
    EXPECT_EQ(ReadBytes(file), "");
}

TEST_F(MacroBaseTest, TextThatCannotBeReadBackIsRefusedAndTheFileKept) {
    WriteBytes(file, Crlf("{:A:1:}\nold\n"));
    tLS_Error slot;
    {
        tLS_macrobase base(file.c_str(), &slot);
        std::string* content = nullptr;
        ASSERT_EQ(base.GetMacroContent(0, content), LS_OK);
        *content = "fine\n{:looks like a header:}";
        base.SetModified(0);
        EXPECT_EQ(base.SaveMacroBase(), LS_BASE_WRITE);
        EXPECT_EQ(ReadBytes(file), Crlf("{:A:1:}\nold\n"));
        // "{:" inside a line is fine.
        *content = "a {: b";
        base.SetModified(0);
        EXPECT_EQ(base.SaveMacroBase(), LS_OK);
    }
    tLS_macrobase again(file.c_str(), &slot);
    EXPECT_EQ(Content(again, 0), "a {: b");
}

// A hand-made file whose header holds a lone carriage return before its line end: the name
// keeps the CR, and the base saves and reloads to the same macros (found by fuzzing).
TEST_F(MacroBaseTest, ANameWithACarriageReturnSavesAndReadsBack) {
    const std::string bytes = "{:Lcr\r\r\n{:Odd:2-2147483648\r\n\xe4\xf6\xfc \xc3\xa4\r\n";
    WriteBytes(file, bytes);
    tLS_Error slot = LS_INVALID;
    {
        tLS_macrobase base(file.c_str(), &slot);
        ASSERT_EQ(slot, LS_OK);
        ASSERT_EQ(base.GetLastIndex(), 1);
        tBaseMember* m = nullptr;
        ASSERT_EQ(base.GetMacroContent(0, m), LS_OK);
        EXPECT_STREQ(m->name, "Lcr\r");
        ASSERT_EQ(base.SetModified(0), LS_OK);
        EXPECT_EQ(base.SaveMacroBase(), LS_OK);
        EXPECT_FALSE(base.IsModified());
    }
    EXPECT_EQ(slot, LS_OK);
    tLS_macrobase again(file.c_str(), &slot);
    ASSERT_EQ(slot, LS_OK);
    tBaseMember* m = nullptr;
    ASSERT_EQ(again.GetMacroContent(0, m), LS_OK);
    EXPECT_STREQ(m->name, "Lcr\r");
    EXPECT_EQ(Content(again, 1), "\xe4\xf6\xfc \xc3\xa4");
    ASSERT_EQ(again.GetMacroContent(1, m), LS_OK);
    EXPECT_EQ(m->lastModified, 2);
}

TEST_F(MacroBaseTest, FailedWritesLeaveThePreviousFileAndReportIntoTheSlot) {
    WriteBytes(file, Crlf("{:A:1:}\nold\n"));
    for (brevic::FaultOp op : {brevic::FaultOp::Write, brevic::FaultOp::Rename}) {
        tLS_Error slot = LS_OK;
        {
            tLS_macrobase base(file.c_str(), &slot);
            std::string* content = nullptr;
            ASSERT_EQ(base.GetMacroContent(0, content), LS_OK);
            *content = "new";
            base.SetModified(0);
            brevic::InjectFault(op, 1);
        }
        brevic::ClearFaults();
        EXPECT_EQ(slot, LS_BASE_WRITE);
        EXPECT_EQ(ReadBytes(file), Crlf("{:A:1:}\nold\n"));
    }
    EXPECT_EQ(std::filesystem::directory_iterator(dir.path()) ==
                  std::filesystem::directory_iterator(),
              false);
    int files = 0;
    for (auto& e : std::filesystem::directory_iterator(dir.path())) {
        (void)e;
        ++files;
    }
    EXPECT_EQ(files, 1) << "no temporary file is left behind";
}

TEST_F(MacroBaseTest, AFailedSaveIsTriedAgainByTheNextSave) {
    WriteBytes(file, Crlf("{:A:1:}\nold\n"));
    tLS_Error slot;
    tLS_macrobase base(file.c_str(), &slot);
    std::string* content = nullptr;
    ASSERT_EQ(base.GetMacroContent(0, content), LS_OK);
    *content = "new";
    base.SetModified(0);
    brevic::InjectFault(brevic::FaultOp::Write, 1);
    EXPECT_EQ(base.SaveMacroBase(), LS_BASE_WRITE);
    EXPECT_TRUE(base.IsModified());
    EXPECT_EQ(base.SaveMacroBase(), LS_OK);
    EXPECT_FALSE(base.IsModified());
    EXPECT_NE(ReadBytes(file).find(Crlf("\nnew\n")), std::string::npos);
}

TEST_F(MacroBaseTest, LookupsExactAndByPrefix) {
    WriteBytes(file, Crlf("{:<table:0:}\nt\n{:<tab2:0:}\nu\n{:Footer:0:}\nf\n{:footer:0:}\ng\n"));
    tLS_Error slot;
    tLS_macrobase base(file.c_str(), &slot);
    int index = -1;
    EXPECT_EQ(base.GetMacroIndex(index, "footer", 1), LS_OK);
    EXPECT_EQ(index, 3);
    EXPECT_EQ(base.GetMacroIndex(index, "FOOTER", 0), LS_OK);
    EXPECT_EQ(index, 2) << "without case the older one is found first";
    EXPECT_EQ(base.GetMacroIndex(index, "", 1), LS_MACRO_NOT_FOUND);
    EXPECT_EQ(index, -1);

    int found[21];
    int count = -1;
    EXPECT_EQ(base.GetMacroIndex(found, "<ta", 20, count, 1), LS_OK);
    ASSERT_EQ(count, 2);
    EXPECT_EQ(found[0], 0);
    EXPECT_EQ(found[1], 1);
    EXPECT_EQ(found[2], -1);
    EXPECT_EQ(base.GetMacroIndex(found, "<ta", 1, count, 1), LS_OK);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(found[1], -1);
    EXPECT_EQ(base.GetMacroIndex(found, "<TA", 20, count, 1), LS_OK);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(found[0], -1);
    EXPECT_EQ(base.GetMacroIndex(found, "<TA", 20, count, 0), LS_OK);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(base.GetMacroIndex(found, "", 20, count, 0), LS_MACRO_NOT_FOUND);
    EXPECT_EQ(count, 0);

    // A name that differs only in case is a new macro.
    std::string* content = nullptr;
    EXPECT_EQ(base.NewMacro(content, "Footer", index), LS_MACRO_EXISTS);
    EXPECT_EQ(base.NewMacro(content, "FOOTER", index), LS_OK);
}

TEST_F(MacroBaseTest, FillListBoxListsNamesInSlotOrder) {
    WriteBytes(file, Crlf("{:B:0:}\n\n{:A:0:}\n\n{:C:0:}\n\n"));
    tLS_Error slot;
    tLS_macrobase base(file.c_str(), &slot);
    base.DeleteMacro(1);
    RecordingList list;
    list.lines = {"stale"};
    base.FillListBox(&list, 0);
    EXPECT_EQ(list.lines, (std::vector<std::string>{"stale", "B", "C"}));
    base.FillListBox(&list, 1);
    EXPECT_EQ(list.resets, 1);
    EXPECT_EQ(list.lines, (std::vector<std::string>{"B", "C"}));
}

TEST_F(MacroBaseTest, BaseFullAtTwoHundredMacros) {
    tLS_Error slot;
    tLS_macrobase base(file.c_str(), &slot);
    std::string* content = nullptr;
    int index = -1;
    for (int i = 0; i < LS_MAX_MACROS; ++i) {
        ASSERT_EQ(base.NewMacro(content, ("m" + std::to_string(i)).c_str(), index), LS_OK);
    }
    EXPECT_EQ(base.NewMacro(content, "one more", index), LS_BASE_FULL);
}

TEST_F(MacroBaseTest, UnopenablePathsReportBaseOpen) {
    tLS_Error slot = LS_OK;
    std::string inMissingDir = dir / "missing/x.mcr";
    {
        tLS_macrobase base(inMissingDir.c_str(), &slot);
        EXPECT_EQ(slot, LS_BASE_OPEN);
    }
    {
        tLS_macrobase base(dir.path().c_str(), &slot);
        EXPECT_EQ(slot, LS_BASE_OPEN);
    }
    std::string tooLong = dir.path() + std::string(300, 'x') + ".mcr";
    {
        tLS_macrobase base(tooLong.c_str(), &slot);
        EXPECT_EQ(slot, LS_BASE_OPEN);
    }
}

} // namespace
