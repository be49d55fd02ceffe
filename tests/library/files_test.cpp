#include "test_util.h"

#include <brevic/ls_files.h>
#include <brevic/ls_macrobase.h>
#include <brevic/ls_profile.h>
#include <brevic/ls_project.h>
#include <brevic/ls_testing.h>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

#include <algorithm>
#include <functional>

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
    for (auto& e : std::filesystem::directory_iterator(dir.path()))
        entries += e.is_regular_file();
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

// Files written together: each lands whole or stays as it was, the others go on, and a
// path given twice ends with its later content; no temporary file stays.
TEST(Files, FilesWrittenTogetherEachLandWholeOrNotAtAll) {
    testutil::TempDir dir;
    const std::string a = dir / "a.txt", b = dir / "b.txt";
    testutil::WriteBytes(b, "old b");
    std::vector<bool> ok;
    brevic::InjectFault(brevic::FaultOp::Rename, 2);
    brevic::WriteBinaryFilesAtomic(
        {{a, "first"}, {b, "new b"}, {dir / "missing/c.txt", "c"}, {a, "second"}}, ok);
    brevic::ClearFaults();
    EXPECT_EQ(ok, (std::vector<bool>{true, false, false, true}));
    EXPECT_EQ(testutil::ReadBytes(a), "second");
    EXPECT_EQ(testutil::ReadBytes(b), "old b");
    int entries = 0;
    for (auto& e : std::filesystem::directory_iterator(dir.path()))
        entries += e.is_regular_file();
    EXPECT_EQ(entries, 2);
}

// A rewrite of files read before leaves each that changed since, also one written over in
// place (its folder forbids a temporary file).
TEST(Files, ARewriteLeavesFilesChangedSinceTheyWereRead) {
    testutil::TempDir dir;
    const std::string same = dir / "same.txt", grown = dir / "grown.txt";
    std::vector<brevic::FileIdentity> read(2);
    std::string data;
    for (int i = 0; i < 2; ++i) {
        testutil::WriteBytes(i ? grown : same, "old");
        ASSERT_TRUE(brevic::ReadBinaryFile((i ? grown : same).c_str(), data, read[i]));
    }
    testutil::WriteBytes(grown, "old, grown");
    for (int inPlace = 0; inPlace < 2; ++inPlace) {
        if (inPlace) {
            ASSERT_TRUE(brevic::ReadBinaryFile(same.c_str(), data, read[0]));
        }
        std::vector<brevic::RewriteOutcome> outcomes;
        if (inPlace) brevic::InjectFault(brevic::FaultOp::Temporary, 2);
        brevic::RewriteFilesAtomic({{same, inPlace ? "new 2" : "new"}, {grown, "new"}}, read,
                                   outcomes);
        brevic::ClearFaults();
        EXPECT_EQ(outcomes, (std::vector{brevic::RewriteOutcome::Written,
                                         brevic::RewriteOutcome::ChangedMeanwhile}));
        EXPECT_EQ(testutil::ReadBytes(same), inPlace ? "new 2" : "new");
        EXPECT_EQ(testutil::ReadBytes(grown), "old, grown");
    }
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
            buffer +=
                "line " + std::to_string(i) + "\n" + std::string(static_cast<size_t>(i) * 37, 'x');
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
    for (auto& e : std::filesystem::directory_iterator(dir.path()))
        entries += e.is_regular_file();
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

bool IsLink(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

unsigned Mode(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

size_t RegularFiles(const std::string& dir) {
    size_t n = 0;
    for (auto& e : std::filesystem::directory_iterator(dir))
        n += e.is_regular_file() && !e.is_symlink();
    return n;
}

// One kind of rewrite, through its real entry point: writes the file `name` in `site`
// (a folder holding a basis-group project site.hpr with the template index.tpl) and says
// whether the bytes `written` are what it writes.
struct Writer {
    const char* kind;
    const char* name;
    std::function<bool(const std::string& path)> write;
    std::function<bool(const std::string& written)> expected;
};

const Writer kWriters[] = {
    {"build", "index.htm",
     [](const std::string& path) {
         tLS_project project;
         const std::string site = path.substr(0, path.rfind('/') + 1);
         return project.InitProject((site + "site.hpr").c_str()) == LS_OK &&
                project.BuildAll(nullptr) == LS_OK;
     },
     [](const std::string& written) { return written == "<p>page</p>\r\n"; }},
    {"macro file", "words.mcr",
     [](const std::string& path) {
         tLS_Error slot = LS_INVALID;
         tLS_macrobase base(path.c_str(), &slot);
         std::string* content = nullptr;
         int index = -1;
         if (slot != LS_OK || base.NewMacro(content, "M", index) != LS_OK) return false;
         *content = "text";
         return base.SaveMacroBase() == LS_OK;
     },
     [](const std::string& written) {
         const std::string end = ":}\r\ntext\r\n";
         return written.rfind("{:M:", 0) == 0 && written.size() > end.size() &&
                written.compare(written.size() - end.size(), end.size(), end) == 0;
     }},
    {"settings", "settings.INI",
     [](const std::string& path) {
         return WritePrivateProfileString("S", "k", "v", path.c_str()) == 1;
     },
     [](const std::string& written) { return written == "[S]\r\nk=v\r\n"; }},
};

// How the name written is set up: links (name in the folder -> link text, "@" standing for
// the scratch folder) and the file that gets the bytes.
struct LinkCase {
    const char* what;
    std::vector<std::pair<std::string, std::string>> links; // "N" stands for the writer's name
    std::string final;                                      // relative to the scratch folder
    bool exists;                                            // the final file is there before
};

std::string Fill(const std::string& text, const std::string& name, const std::string& root) {
    std::string out;
    for (char c : text)
        out += c == 'N' ? name : c == '@' ? root : std::string(1, c);
    return out;
}

// Every rewrite writes through symbolic links into the file they lead to, keeps the links
// and the file's mode, and writes in place where the folder forbids a temporary file.
TEST(SavingRule, EveryRewriteWritesThroughLinksAndKeepsTheMode) {
    const LinkCase cases[] = {
        {"plain file", {}, "site/N", true},
        {"link in the same folder", {{"site/N", "real-N"}}, "site/real-N", true},
        {"relative link into another folder", {{"site/N", "../shared/N"}}, "shared/N", true},
        {"chain of two links, the second absolute",
         {{"site/N", "hop-N"}, {"site/hop-N", "@shared/N"}},
         "shared/N",
         true},
        {"dangling link", {{"site/N", "../shared/new-N"}}, "shared/new-N", false},
    };
    for (const Writer& w : kWriters) {
        for (const LinkCase& c : cases) {
            SCOPED_TRACE(std::string(w.kind) + ", " + c.what);
            testutil::TempDir dir;
            testutil::WriteBytes(dir / "site/site.hpr",
                                 testutil::Crlf("[Groups]\nGroupNumber=1\nGroup0=site.mcr\n"
                                                "[Sources]\nSourceNumber=1\nSource0=index.tpl\n"));
            testutil::WriteBytes(dir / "site/index.tpl", "<p>page</p>\n");
            std::filesystem::create_directories(dir / "shared");
            const std::string final = dir / Fill(c.final, w.name, "");
            if (c.exists) {
                testutil::WriteBytes(final, "");
                ::chmod(final.c_str(), 0640);
                struct utimbuf past {
                    1000, 1000
                }; // older than the template: a build writes it
                ::utime(final.c_str(), &past);
            }
            for (const auto& [link, text] : c.links)
                ASSERT_EQ(::symlink(Fill(text, w.name, dir.path()).c_str(),
                                    (dir / Fill(link, w.name, "")).c_str()),
                          0);
            const std::string path = dir / "site/" + w.name;
            ASSERT_TRUE(w.write(path));
            EXPECT_TRUE(w.expected(testutil::ReadBytes(final))) << testutil::ReadBytes(final);
            for (const auto& link : c.links)
                EXPECT_TRUE(IsLink(dir / Fill(link.first, w.name, ""))) << link.first;
            if (c.exists) {
                EXPECT_EQ(Mode(final), 0640u);
            }
            EXPECT_EQ(RegularFiles(dir / "shared"), c.final.rfind("shared/", 0) == 0 ? 1u : 0u)
                << "nothing else";
        }
        SCOPED_TRACE(w.kind);
        // A link into a folder that does not exist: the write fails and changes nothing.
        testutil::TempDir dir;
        testutil::WriteBytes(dir / "site/site.hpr",
                             testutil::Crlf("[Groups]\nGroupNumber=1\nGroup0=site.mcr\n"
                                            "[Sources]\nSourceNumber=1\nSource0=index.tpl\n"));
        testutil::WriteBytes(dir / "site/index.tpl", "<p>page</p>\n");
        const std::string path = dir / "site/" + w.name;
        ASSERT_EQ(::symlink("../nowhere/x", path.c_str()), 0);
        EXPECT_FALSE(w.write(path));
        EXPECT_TRUE(IsLink(path));
        EXPECT_FALSE(testutil::Exists(dir / "nowhere"));
        // A folder that forbids new files: the file is written in place (the same inode).
        ASSERT_EQ(::unlink(path.c_str()), 0);
        testutil::WriteBytes(path, "");
        struct utimbuf past {
            1000, 1000
        };
        ::utime(path.c_str(), &past);
        struct stat before {};
        ::stat(path.c_str(), &before);
        brevic::InjectFault(brevic::FaultOp::Temporary, 1);
        EXPECT_TRUE(w.write(path));
        brevic::ClearFaults();
        struct stat after {};
        ::stat(path.c_str(), &after);
        EXPECT_EQ(after.st_ino, before.st_ino);
        EXPECT_TRUE(w.expected(testutil::ReadBytes(path))) << testutil::ReadBytes(path);
    }
}

// A folder others can write in: links planted at temporary names are never followed, a
// link another user planted is not written through, and set-id bits are never copied.
TEST(SavingRule, HostileFoldersRedirectNothing) {
    testutil::TempDir dir;
    const std::string victim = dir / "victim";
    testutil::WriteBytes(victim, "secret");
    ::chmod(victim.c_str(), 0666);
    for (const bool exists : {true, false}) {
        const std::string page = dir / (exists ? "old.htm" : "new.htm");
        if (exists) testutil::WriteBytes(page, "old");
        const std::string pid = std::to_string(::getpid());
        const std::string name = exists ? "old.htm" : "new.htm";
        for (const std::string& planted :
             {page + ".tmp~" + pid, page + ".tmp", page + "~", dir / ("." + name + ".tmp"),
              dir / ("." + name + ".larkspan-tmp")})
            ASSERT_EQ(::symlink(victim.c_str(), planted.c_str()), 0);
        ASSERT_TRUE(brevic::WriteTextFileAtomic(page.c_str(), "new\n"));
        EXPECT_EQ(testutil::ReadBytes(page), "new\r\n");
        EXPECT_FALSE(IsLink(page));
    }
    EXPECT_EQ(testutil::ReadBytes(victim), "secret");

    const std::string setId = dir / "setid";
    testutil::WriteBytes(setId, "x");
    ASSERT_EQ(::chmod(setId.c_str(), 06755), 0);
    ASSERT_TRUE(brevic::WriteTextFileAtomic(setId.c_str(), "y"));
    EXPECT_EQ(Mode(setId), 0755u);

    if (::geteuid() != 0) GTEST_SKIP() << "planting another user's link needs root";
    const std::string pub = dir / "pub/";
    std::filesystem::create_directories(pub);
    ::chmod(pub.c_str(), 01777);
    ASSERT_EQ(::symlink(victim.c_str(), (pub + "page.htm").c_str()), 0);
    ASSERT_EQ(::lchown((pub + "page.htm").c_str(), 12345, 12345), 0);
    EXPECT_FALSE(brevic::WriteTextFileAtomic((pub + "page.htm").c_str(), "evil"));
    EXPECT_EQ(testutil::ReadBytes(victim), "secret");
    EXPECT_TRUE(IsLink(pub + "page.htm"));
    // The same link in a folder closed to others is followed.
    ::chmod(pub.c_str(), 0755);
    EXPECT_TRUE(brevic::WriteTextFileAtomic((pub + "page.htm").c_str(), "mine"));
    EXPECT_EQ(testutil::ReadBytes(victim), "mine");
}

// Two writers of one file, new or not: both succeed, the last one to finish wins.
TEST(SavingRule, TwoWritersOfOneFileBothSucceed) {
    testutil::TempDir dir;
    for (const bool exists : {false, true}) {
        const std::string path = dir / "twice.htm";
        brevic::FileWriter first(path.c_str(), false);
        brevic::FileWriter second(path.c_str(), false);
        ASSERT_TRUE(first.Write("first"));
        ASSERT_TRUE(second.Write("second"));
        EXPECT_TRUE(first.Commit()) << exists;
        EXPECT_EQ(testutil::ReadBytes(path), "first");
        EXPECT_TRUE(second.Commit()) << exists;
        EXPECT_EQ(testutil::ReadBytes(path), "second");
    }
    EXPECT_EQ(RegularFiles(dir.path()), 1u) << "no temporary file left";
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
