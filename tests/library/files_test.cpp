#include "test_util.h"

#include <brevic/ls_files.h>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>

namespace {

TEST(Files, TextModeRoundTrip) {
    testutil::TempDir dir;
    std::string path = dir / "t.txt";
    ASSERT_TRUE(brevic::WriteTextFileAtomic(path.c_str(), "a\nb\r\nc"));
    EXPECT_EQ(testutil::ReadBytes(path), "a\r\nb\r\r\nc");
    std::string text = "x";
    ASSERT_TRUE(brevic::ReadTextFile(path.c_str(), text));
    EXPECT_EQ(text, "xa\nb\r\nc");
    testutil::WriteBytes(path, std::string("lone\rcr\n\0nul\r\n", 14));
    text.clear();
    ASSERT_TRUE(brevic::ReadTextFile(path.c_str(), text));
    EXPECT_EQ(text, std::string("lone\rcr\n\0nul\n", 13));
}

TEST(Files, EveryFailingStepLeavesThePreviousFile) {
    testutil::TempDir dir;
    std::string path = dir / "keep.txt";
    testutil::WriteBytes(path, "previous");
    for (brevic::FaultOp op : {brevic::FaultOp::Write, brevic::FaultOp::Rename}) {
        brevic::InjectFault(op, 1);
        EXPECT_FALSE(brevic::WriteTextFileAtomic(path.c_str(), "new"));
        EXPECT_EQ(testutil::ReadBytes(path), "previous");
    }
    brevic::InjectFault(brevic::FaultOp::Read, 2);
    std::string text;
    EXPECT_TRUE(brevic::ReadTextFile(path.c_str(), text));
    EXPECT_FALSE(brevic::ReadTextFile(path.c_str(), text)) << "the second read fails";
    EXPECT_TRUE(brevic::ReadTextFile(path.c_str(), text)) << "only once";
    brevic::ClearFaults();
    int entries = 0;
    for (auto& e : std::filesystem::directory_iterator(dir.path())) entries += e.is_regular_file();
    EXPECT_EQ(entries, 1) << "no temporary file left behind";
}

TEST(Files, ANewFileIsWrittenWholeOrNotAtAll) {
    testutil::TempDir dir;
    std::string path = dir / "new.txt";
    brevic::InjectFault(brevic::FaultOp::Write, 1);
    EXPECT_FALSE(brevic::WriteTextFileAtomic(path.c_str(), "x\n"));
    brevic::ClearFaults();
    EXPECT_FALSE(testutil::Exists(path));
    ASSERT_TRUE(brevic::WriteTextFileAtomic(path.c_str(), "x\n"));
    EXPECT_EQ(testutil::ReadBytes(path), "x\r\n");
    EXPECT_FALSE(brevic::WriteTextFileAtomic((dir / "missing/new.txt").c_str(), "x"));
}

// WriteFront hands the front of a buffer to a helper thread that writes it: the file comes
// out as if written in order, the buffer keeps the rest, and a failure there is reported.
TEST(Files, WritingTheFrontOfABufferBehindTheCaller) {
    testutil::TempDir dir;
    std::string path = dir / "behind.txt";
    testutil::WriteBytes(path, "previous");
    std::string expected;
    {
        brevic::FileWriter file(path.c_str(), true);
        std::string buffer;
        for (int i = 0; i < 200; ++i) {
            buffer += "line " + std::to_string(i) + "\n" + std::string(static_cast<size_t>(i) * 37, 'x');
            const size_t front = buffer.size() / 2;
            expected += buffer.substr(0, front);
            const std::string rest = buffer.substr(front);
            ASSERT_TRUE(file.WriteFront(buffer, front));
            EXPECT_EQ(buffer, rest);
            EXPECT_EQ(testutil::ReadBytes(path), "previous") << "nothing shows before Commit";
        }
        // Buffers of other sizes passed in turn (as the compiler does with its twin's output)
        // come back no larger than the largest one handed in.
        std::string other;
        other.reserve(buffer.capacity() * 3 / 2);
        size_t largest = other.capacity();
        for (int i = 0; i < 100; ++i) {
            buffer.append(100, static_cast<char>('a' + i % 26));
            expected += buffer;
            largest = std::max(largest, buffer.capacity());
            ASSERT_TRUE(file.WriteFront(buffer, buffer.size()));
            ASSERT_LE(buffer.capacity(), largest);
            buffer.swap(other);
        }
        expected += buffer;
        ASSERT_TRUE(file.Write(buffer) && file.Commit());
    }
    std::string text;
    ASSERT_TRUE(brevic::ReadTextFile(path.c_str(), text));
    EXPECT_TRUE(text == expected);

    // The first write fails on the helper thread: later calls and Commit say so, and the
    // previous file stays.
    testutil::WriteBytes(path, "previous");
    brevic::InjectFault(brevic::FaultOp::Write, 1);
    {
        brevic::FileWriter file(path.c_str(), true);
        std::string buffer = "abc\ndef";
        EXPECT_TRUE(file.WriteFront(buffer, 4)) << "handed over";
        EXPECT_TRUE(file.Failed());
        EXPECT_FALSE(file.WriteFront(buffer, 1));
        EXPECT_FALSE(file.Commit());
    }
    brevic::ClearFaults();
    EXPECT_EQ(testutil::ReadBytes(path), "previous");
    int entries = 0;
    for (auto& e : std::filesystem::directory_iterator(dir.path())) entries += e.is_regular_file();
    EXPECT_EQ(entries, 1) << "no temporary file left behind";
}

TEST(Files, ReplacingKeepsPermissionsAndRefusesDirectories) {
    testutil::TempDir dir;
    std::string path = dir / "p.txt";
    testutil::WriteBytes(path, "x");
    ::chmod(path.c_str(), 0640);
    ASSERT_TRUE(brevic::WriteTextFileAtomic(path.c_str(), "y"));
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_FALSE(brevic::WriteTextFileAtomic(dir.path().c_str(), "y"));
    std::string text;
    EXPECT_FALSE(brevic::ReadTextFile(dir.path().c_str(), text));
    EXPECT_FALSE(brevic::ReadTextFile((dir / "missing").c_str(), text));
    ::mkfifo((dir / "fifo").c_str(), 0600);
    EXPECT_FALSE(brevic::ReadTextFile((dir / "fifo").c_str(), text)) << "must not block";
}

TEST(Files, LogDateIsEnglishWhateverTheLocale) {
    // 2026-12-06 18:28:26 in the local zone.
    std::tm tm{};
    tm.tm_year = 126;
    tm.tm_mon = 11;
    tm.tm_mday = 6;
    tm.tm_hour = 18;
    tm.tm_min = 28;
    tm.tm_sec = 26;
    tm.tm_isdst = -1;
    long t = static_cast<long>(std::mktime(&tm));
    EXPECT_EQ(brevic::FormatLogDate(t), "Sunday, December 06, 26 - 18:28:26");
    EXPECT_EQ(brevic::FormatLocalTime("%Y-%m-%d", t), "2026-12-06");
    EXPECT_EQ(brevic::FormatLocalTime("", t), "");
}

} // namespace
