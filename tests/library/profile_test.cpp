// Tests of the private-profile (INI file) functions.
#include "brevic/ls_files.h"
#include "brevic/ls_profile.h"
#include "brevic/ls_testing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

using namespace std::string_literals;

std::string Find(const std::string& text, const char* section, const char* key) {
    std::string value = "unchanged";
    if (!brevic::FindProfileValue(text, section, key, value)) return "<missing>";
    return value;
}

std::string Set(std::string text, const char* section, const char* key, const char* value) {
    brevic::SetProfileValue(text, section, key, value);
    return text;
}

// ---------------------------------------------------------------------------------------
// Reading INI text

TEST(ProfileText, SectionsAndKeysMatchWithoutRegardToCase) {
    const std::string text = "[Compiler]\nScrambleBlockSize=12\n";
    EXPECT_EQ(Find(text, "COMPILER", "scrambleblocksize"), "12");
    EXPECT_EQ(Find(text, "compiler", "SCRAMBLEBLOCKSIZE"), "12");
    EXPECT_EQ(Find(text, "Compilers", "ScrambleBlockSize"), "<missing>");
    EXPECT_EQ(Find(text, "Compiler", "ScrambleBlock"), "<missing>");
}

TEST(ProfileText, FirstSectionAndFirstKeyWin) {
    const std::string text = "[A]\nk=1\nK=2\n[b]\nk=9\n[a]\nk=3\nonlyInSecond=4\n";
    EXPECT_EQ(Find(text, "a", "k"), "1");
    // Only the first section of a name counts, also for keys it lacks.
    EXPECT_EQ(Find(text, "a", "onlyInSecond"), "<missing>");
    EXPECT_EQ(Find(text, "b", "k"), "9");
}

TEST(ProfileText, TrimsNamesAndValues) {
    const std::string text = "  [ My Section ]  ; note\n \t Key Name \t=\t a  value\t \n"
                             "Empty=\nEq=a=b\nCr=v\r\n";
    EXPECT_EQ(Find(text, "My Section", "Key Name"), "a  value");
    EXPECT_EQ(Find(text, " my section\t", " key name "), "a  value");
    EXPECT_EQ(Find(text, "My Section", "Empty"), "");
    EXPECT_EQ(Find(text, "My Section", "Eq"), "a=b");
    EXPECT_EQ(Find(text, "My Section", "Cr"), "v");
}

TEST(ProfileText, CommentsStrayLinesAndUnsectionedKeysAreIgnored) {
    const std::string text = "k=top\n[s]\n;k=comment\n  ; k=indented comment\nk\n[broken\nk=2\n";
    EXPECT_EQ(Find(text, "s", "k"), "2");
    EXPECT_EQ(Find(text, "s", ";k"), "<missing>");
    EXPECT_EQ(Find(text, "", "k"), "<missing>");
    EXPECT_EQ(Find(text, nullptr, "k"), "<missing>");
    EXPECT_EQ(Find(text, "s", nullptr), "<missing>");
    EXPECT_EQ(Find(text, "s", ""), "<missing>");
}

TEST(ProfileText, ByteOrderMarkDoesNotHideTheFirstSection) {
    EXPECT_EQ(Find("\xEF\xBB\xBF[s]\nk=1\n", "s", "k"), "1");
}

TEST(ProfileText, OddBytesAndLongLinesAreHandled) {
    const std::string longValue(1 << 20, 'x');
    const std::string text =
        "[s]\n\0\0\0=\0\n"s + "a\0b=1\n"s + "long=" + longValue + "\nnul=x\0y\n"s + "last=ok";
    EXPECT_EQ(Find(text, "s", "long"), longValue);
    EXPECT_EQ(Find(text, "s", "nul"), "x\0y"s);
    EXPECT_EQ(Find(text, "s", "last"), "ok");
    EXPECT_EQ(Find(text, "s", "a"), "<missing>");
}

// ---------------------------------------------------------------------------------------
// Changing INI text

TEST(ProfileText, SetReplacesTheFirstKeyLineInPlace) {
    const std::string text = "; head\n[s]\n  KEY = old \nkey=dup\nother=1\n\n[S]\nkey=second\n";
    const std::string after = Set(text, "S", "key", "new");
    EXPECT_EQ(after, "; head\n[s]\nkey=new\nkey=dup\nother=1\n\n[S]\nkey=second\n");
    EXPECT_EQ(Find(after, "s", "KEY"), "new");
    // Lines without a final line end keep it that way.
    EXPECT_EQ(Set("[s]\nk=1", "s", "k", "2"), "[s]\nk=2");
}

TEST(ProfileText, SetAddsAMissingKeyAfterTheLastNonBlankLineOfTheSection) {
    EXPECT_EQ(Set("[a]\nx=1\n; c\n\n\n[b]\ny=2\n", "A", "k", "v"),
              "[a]\nx=1\n; c\nk=v\n\n\n[b]\ny=2\n");
    EXPECT_EQ(Set("[a]\n\n[b]\n", "a", "k", "v"), "[a]\nk=v\n\n[b]\n");
    EXPECT_EQ(Set("[a]\nx=1", "a", "k", "v"), "[a]\nx=1\nk=v\n");
    EXPECT_EQ(Set("[a]", "a", "k", ""), "[a]\nk=\n");
}

TEST(ProfileText, SetAppendsAMissingSection) {
    EXPECT_EQ(Set("", " New ", " k ", "v"), "[New]\nk=v\n");
    EXPECT_EQ(Set("[a]\nx=1\n", "new", "k", "v"), "[a]\nx=1\n\n[new]\nk=v\n");
    EXPECT_EQ(Set("[a]\nx=1", "new", "k", "v"), "[a]\nx=1\n\n[new]\nk=v\n");
    EXPECT_EQ(Set("[a]\nx=1\n\n", "new", "k", "v"), "[a]\nx=1\n\n[new]\nk=v\n");
    // A new section name holding ']' reads back.
    const std::string text = Set("", "a]b", "k", "v");
    EXPECT_EQ(Find(text, "a]b", "k"), "v");
}

TEST(ProfileText, DeletingAKeyRemovesItFromTheFirstSection) {
    const std::string text = "[a]\nk=1\nx=2\nK = 3\n[b]\nk=4\n";
    const std::string after = Set(text, "a", "k", nullptr);
    EXPECT_EQ(after, "[a]\nx=2\n[b]\nk=4\n");
    EXPECT_EQ(Find(after, "a", "k"), "<missing>");
    EXPECT_EQ(Set(text, "a", "missing", nullptr), text);
    EXPECT_EQ(Set(text, "missing", "k", nullptr), text);
}

TEST(ProfileText, DeletingASectionRemovesItsHeaderAndLines) {
    const std::string text = "; top\n[a]\nk=1\n; c\n\n[b]\ny=2\n[A]\nz=3\n";
    const std::string after = Set(text, "A", nullptr, nullptr);
    EXPECT_EQ(after, "; top\n[b]\ny=2\n");
    EXPECT_EQ(Find(after, "a", "z"), "<missing>");
    EXPECT_EQ(Set(text, "none", nullptr, "ignored"), text);
}

TEST(ProfileText, WritesThatCouldNotReadBackLeaveTheTextAlone) {
    const std::string text = "[s]\nk=1\n";
    EXPECT_EQ(Set(text, "s", "k", "two\nlines"), text);
    EXPECT_EQ(Set(text, "s", "k", "cr\r"), text);
    EXPECT_EQ(Set(text, "s", "a=b", "v"), text);
    EXPECT_EQ(Set(text, "s", "  ", "v"), text);
    EXPECT_EQ(Set(text, "s", ";k", "v"), text);
    EXPECT_EQ(Set(text, "s", "[k]", "v"), text);
    EXPECT_EQ(Set(text, "s\n[t]", "k", "v"), text);
    EXPECT_EQ(Set(text, nullptr, "k", "v"), text);
}

// ---------------------------------------------------------------------------------------
// File functions

class ProfileFile : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/profile_test.XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir_ = pattern;
        path_ = dir_ + "/test.ini";
    }
    void TearDown() override {
        brevic::ClearFaults();
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }

    void WriteBytes(const std::string& bytes) const {
        std::FILE* f = std::fopen(path_.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), f), bytes.size());
        ASSERT_EQ(std::fclose(f), 0);
    }
    std::string Bytes() const {
        std::string data;
        EXPECT_TRUE(brevic::ReadBinaryFile(path_.c_str(), data));
        return data;
    }
    size_t EntriesInDir() const {
        size_t n = 0;
        for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir_))
            ++n;
        return n;
    }
    const char* file() const { return path_.c_str(); }

    std::string dir_;
    std::string path_;
};

TEST_F(ProfileFile, IntReadsALeadingNumberAndClamps) {
    WriteBytes("[n]\r\na=42\r\nb=-17\r\nc=+8\r\nd=12abc\r\ne=abc\r\nf=\r\ng=-\r\nh=  7  \r\n"
               "i=99999999999999999999\r\nj=-99999999999999999999\r\nk=2147483647\r\n"
               "l=-2147483648\r\nm=2147483648\r\nn=0x1F\r\no=- 5\r\np=007\r\n");
    const struct {
        const char* key;
        int expected;
    } cases[] = {{"a", 42},      {"b", -17},     {"c", 8},       {"d", 12},      {"e", -5},
                 {"f", -5},      {"g", -5},      {"h", 7},       {"i", INT_MAX}, {"j", INT_MIN},
                 {"k", INT_MAX}, {"l", INT_MIN}, {"m", INT_MAX}, {"n", 0},       {"o", -5},
                 {"p", 7},       {"none", -5}};
    for (const auto& c : cases) {
        EXPECT_EQ(GetPrivateProfileInt("N", c.key, -5, file()), c.expected) << c.key;
    }
    EXPECT_EQ(GetPrivateProfileInt("missing", "a", 3, file()), 3);
    EXPECT_EQ(GetPrivateProfileInt("n", "a", 3, (dir_ + "/none.ini").c_str()), 3);
    EXPECT_EQ(GetPrivateProfileInt("n", "a", 3, nullptr), 3);
    EXPECT_EQ(GetPrivateProfileInt(nullptr, "a", 3, file()), 3);
}

TEST_F(ProfileFile, StringCopiesValueOrDefaultTruncated) {
    WriteBytes("[s]\r\nname = abcdef \r\n");
    char buf[16];
    EXPECT_EQ(GetPrivateProfileString("S", "NAME", "def", buf, sizeof buf, file()), 6u);
    EXPECT_STREQ(buf, "abcdef");
    EXPECT_EQ(GetPrivateProfileString("s", "name", "def", buf, 4, file()), 3u);
    EXPECT_STREQ(buf, "abc");
    EXPECT_EQ(GetPrivateProfileString("s", "name", "def", buf, 1, file()), 0u);
    EXPECT_STREQ(buf, "");
    EXPECT_EQ(GetPrivateProfileString("s", "other", "default", buf, 5, file()), 4u);
    EXPECT_STREQ(buf, "defa");
    EXPECT_EQ(GetPrivateProfileString("s", "other", nullptr, buf, sizeof buf, file()), 0u);
    EXPECT_STREQ(buf, "");
    EXPECT_EQ(GetPrivateProfileString("s", "name", "d", buf, sizeof buf, "/nonexistent/x"), 1u);
    EXPECT_STREQ(buf, "d");

    buf[0] = 'Z';
    EXPECT_EQ(GetPrivateProfileString("s", "name", "def", buf, 0, file()), 0u);
    EXPECT_EQ(buf[0], 'Z');
    EXPECT_EQ(GetPrivateProfileString("s", "name", "def", nullptr, 16, file()), 0u);

    // The default may be the output buffer itself.
    std::snprintf(buf, sizeof buf, "%s", "selfdefault");
    EXPECT_EQ(GetPrivateProfileString("s", "other", buf, buf, sizeof buf, file()), 11u);
    EXPECT_STREQ(buf, "selfdefault");
}

TEST_F(ProfileFile, StringListsKeyAndSectionNames) {
    WriteBytes("[First]\r\nOne=1\r\n;c=2\r\nnoequals\r\nTwo=2\r\none=dup\r\n"
               "[second]\r\nx=1\r\n[FIRST]\r\nThree=3\r\n");
    char buf[32];
    EXPECT_EQ(GetPrivateProfileString("first", nullptr, "def", buf, sizeof buf, file()), 8u);
    EXPECT_EQ(std::string(buf, 9), "One\0Two\0\0"s);
    // A buffer that just fits.
    EXPECT_EQ(GetPrivateProfileString("first", nullptr, nullptr, buf, 9, file()), 8u);
    EXPECT_EQ(std::string(buf, 9), "One\0Two\0\0"s);
    // Too small: the last name is cut and the buffer ends with two NULs.
    std::fill(std::begin(buf), std::end(buf), 'Z');
    EXPECT_EQ(GetPrivateProfileString("first", nullptr, nullptr, buf, 7, file()), 5u);
    EXPECT_EQ(std::string(buf, 8), "One\0T\0\0Z"s);
    std::fill(std::begin(buf), std::end(buf), 'Z');
    EXPECT_EQ(GetPrivateProfileString("first", nullptr, nullptr, buf, 2, file()), 0u);
    EXPECT_EQ(std::string(buf, 3), "\0\0Z"s);

    EXPECT_EQ(GetPrivateProfileString(nullptr, nullptr, nullptr, buf, sizeof buf, file()), 13u);
    EXPECT_EQ(std::string(buf, 14), "First\0second\0\0"s);

    std::fill(std::begin(buf), std::end(buf), 'Z');
    EXPECT_EQ(GetPrivateProfileString("none", nullptr, "def", buf, sizeof buf, file()), 0u);
    EXPECT_EQ(std::string(buf, 3), "\0\0Z"s);
}

TEST_F(ProfileFile, ReadProfileValueIsUntruncated) {
    const std::string longValue(5000, 'v');
    WriteBytes("[s]\nk=" + longValue + "\n");
    std::string value = "stale";
    EXPECT_TRUE(brevic::ReadProfileValue("s", "K", value, file()));
    EXPECT_EQ(value, longValue);
    value = "stale";
    EXPECT_FALSE(brevic::ReadProfileValue("s", "missing", value, file()));
    EXPECT_EQ(value, "");
    value = "stale";
    EXPECT_FALSE(brevic::ReadProfileValue("s", "k", value, (dir_ + "/none").c_str()));
    EXPECT_EQ(value, "");
}

TEST_F(ProfileFile, WriteKeepsEveryOtherByte) {
    const std::string before = "; Project file\r\n[General]\r\n  Name = Old Site \r\n"
                               "Other=keep  \r\n\r\n;\r\n[Paths]\r\nImagePath=C:\\img\r\n; end";
    WriteBytes(before);
    ASSERT_NE(WritePrivateProfileString("GENERAL", "name", "New", file()), 0);
    EXPECT_EQ(Bytes(), "; Project file\r\n[General]\r\nname=New\r\n"
                       "Other=keep  \r\n\r\n;\r\n[Paths]\r\nImagePath=C:\\img\r\n; end");

    ASSERT_NE(WritePrivateProfileString("Paths", "LinkPath", "D:\\l", file()), 0);
    EXPECT_EQ(Bytes(), "; Project file\r\n[General]\r\nname=New\r\n"
                       "Other=keep  \r\n\r\n;\r\n[Paths]\r\nImagePath=C:\\img\r\n; end\r\n"
                       "LinkPath=D:\\l\r\n");

    ASSERT_NE(WritePrivateProfileString("Styles", "STYLE_0", "x", file()), 0);
    EXPECT_EQ(Bytes(), "; Project file\r\n[General]\r\nname=New\r\n"
                       "Other=keep  \r\n\r\n;\r\n[Paths]\r\nImagePath=C:\\img\r\n; end\r\n"
                       "LinkPath=D:\\l\r\n\r\n[Styles]\r\nSTYLE_0=x\r\n");
}

TEST_F(ProfileFile, WriteKeepsOddBytes) {
    const std::string before = "[s]\r\nbin=\0\x01\xff\r\nlone\rcr=1\r\nk=1\r\n"s;
    WriteBytes(before);
    ASSERT_NE(WritePrivateProfileString("s", "k", "2", file()), 0);
    EXPECT_EQ(Bytes(), "[s]\r\nbin=\0\x01\xff\r\nlone\rcr=1\r\nk=2\r\n"s);
}

TEST_F(ProfileFile, LineFeedFilesAreReadAndRewrittenWithCrLf) {
    WriteBytes("[s]\nk=1\nx=2\n");
    EXPECT_EQ(GetPrivateProfileInt("s", "x", 0, file()), 2);
    ASSERT_NE(WritePrivateProfileString("s", "k", "3", file()), 0);
    EXPECT_EQ(Bytes(), "[s]\r\nk=3\r\nx=2\r\n");
}

TEST_F(ProfileFile, WriteCreatesAMissingFile) {
    ASSERT_NE(WritePrivateProfileString("COMPILER", "RemoveTab", "1", file()), 0);
    EXPECT_EQ(Bytes(), "[COMPILER]\r\nRemoveTab=1\r\n");
    EXPECT_EQ(GetPrivateProfileInt("compiler", "removetab", 0, file()), 1);
}

TEST_F(ProfileFile, WriteDeletesKeysAndSections) {
    WriteBytes("[a]\r\nk=1\r\nx=2\r\n\r\n[b]\r\ny=3\r\n");
    ASSERT_NE(WritePrivateProfileString("A", "K", nullptr, file()), 0);
    EXPECT_EQ(Bytes(), "[a]\r\nx=2\r\n\r\n[b]\r\ny=3\r\n");
    ASSERT_NE(WritePrivateProfileString("a", nullptr, nullptr, file()), 0);
    EXPECT_EQ(Bytes(), "[b]\r\ny=3\r\n");
    // Deleting what is not there succeeds and creates no file.
    const std::string absent = dir_ + "/absent.ini";
    EXPECT_NE(WritePrivateProfileString("a", "k", nullptr, absent.c_str()), 0);
    EXPECT_NE(WritePrivateProfileString("a", nullptr, nullptr, absent.c_str()), 0);
    EXPECT_FALSE(brevic::FileExists(absent.c_str()));
}

TEST_F(ProfileFile, WriteFailuresReturnZeroAndChangeNothing) {
    const std::string before = "[s]\r\nk=1\r\n";
    WriteBytes(before);

    EXPECT_EQ(WritePrivateProfileString("s", "k", "2", (dir_ + "/no/dir.ini").c_str()), 0);
    EXPECT_EQ(WritePrivateProfileString("s", "k", "2", dir_.c_str()), 0);
    EXPECT_EQ(WritePrivateProfileString(nullptr, "k", "2", file()), 0);
    EXPECT_EQ(WritePrivateProfileString("s", "k", "2", nullptr), 0);
    EXPECT_EQ(WritePrivateProfileString("s", "k", "2", ""), 0);
    EXPECT_EQ(WritePrivateProfileString("s", "k", "a\r\n[x]", file()), 0);
    EXPECT_EQ(WritePrivateProfileString("s", "k=j", "2", file()), 0);
    EXPECT_EQ(Bytes(), before);
    EXPECT_EQ(EntriesInDir(), 1u);
}

TEST_F(ProfileFile, FailedRenameLeavesTheOldFile) {
    const std::string before = "; keep\r\n[s]\r\nk=1\r\n";
    WriteBytes(before);
    brevic::InjectFault(brevic::FaultOp::Rename, 1);
    EXPECT_EQ(WritePrivateProfileString("s", "k", "2", file()), 0);
    brevic::ClearFaults();
    EXPECT_EQ(Bytes(), before);
    EXPECT_EQ(EntriesInDir(), 1u); // no temporary file left behind

    EXPECT_NE(WritePrivateProfileString("s", "k", "2", file()), 0);
    EXPECT_EQ(Bytes(), "; keep\r\n[s]\r\nk=2\r\n");
}

TEST_F(ProfileFile, UnreadableFileIsNotReplaced) {
    // Writing the new key alone over a file that could not be read would lose its content.
    const std::string before = "[s]\r\nk=1\r\nother=keep\r\n";
    WriteBytes(before);
    brevic::InjectFault(brevic::FaultOp::Read, 1);
    EXPECT_EQ(WritePrivateProfileString("s", "k", "2", file()), 0);
    brevic::ClearFaults();
    EXPECT_EQ(Bytes(), before);
}

} // namespace
