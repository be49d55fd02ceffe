#include "test_util.h"

#include <brevic/ls_files.h>
#include <brevic/ls_macrobase.h>
#include <brevic/ls_project.h>
#include <brevic/ls_testing.h>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

#include <algorithm>

using testutil::Crlf;
using testutil::Exists;
using testutil::ReadBytes;
using testutil::WriteBytes;

namespace {

std::vector<std::string> g_shown;
void RecordMessage(const char* text) {
    g_shown.emplace_back(text);
}

void SetTime(const std::string& path, long seconds) {
    struct utimbuf t {
        seconds, seconds
    };
    ::utime(path.c_str(), &t);
}

// Every file and folder under `root` ("/" after a folder), relative to it.
std::set<std::string> Tree(const std::string& root) {
    std::set<std::string> paths;
    for (const auto& e : std::filesystem::recursive_directory_iterator(root))
        paths.insert(e.path().string().substr(root.size()) + (e.is_directory() ? "/" : ""));
    return paths;
}

long MTime(const std::string& path) {
    long t = 0;
    brevic::FileModTime(path.c_str(), t);
    return t;
}

// A two-language site: groups site (basis), english, deutsch; templates tpl/index.tpl and
// tpl/about.tpl.
class BuildTest : public ::testing::Test {
protected:
    void SetUp() override {
        WriteBytes(hpr,
                   Crlf("[Groups]\nGroupNumber=3\nGroup0=site.mcr\nGroup1=english.mcr\n"
                        "Group2=deutsch.mcr\n[Sources]\nSourceNumber=2\nSource0=tpl\\index.tpl\n"
                        "Source1=tpl\\about.tpl\n"));
        WriteBytes(dir / "site.mcr", Crlf("{:Head:100:}\n<h1>{#Title}</h1>\n"));
        WriteBytes(dir / "english.mcr", Crlf("{:Title:100:}\nWelcome\n"));
        WriteBytes(dir / "deutsch.mcr", Crlf("{:Title:100:}\nWillkommen\n"));
        WriteBytes(dir / "tpl/index.tpl", Crlf("{#Head}\n<p>index</p>\n"));
        WriteBytes(dir / "tpl/about.tpl", Crlf("{#Head} {#Nowhere}\n"));
        WriteBytes(ini, Crlf("[COMPILER]\nRemoveAttr=1\n"));
        project.SetIniFilePath(ini.c_str());
        tLS_project::SetMessageHook(RecordMessage);
        g_shown.clear();
    }
    void TearDown() override { tLS_project::SetMessageHook(nullptr); }

    testutil::TempDir dir;
    std::string hpr = dir / "site.hpr";
    std::string ini = dir / "larkspan.INI";
    tLS_project project;
};

TEST_F(BuildTest, TargetPaths) {
    ASSERT_EQ(project.InitProject(hpr.c_str()), LS_OK);
    struct Case {
        std::string in;
        tLS_Error result;
        std::string out;
    };
    const Case basis[] = {
        {"/web/site/tpl/index.tpl", LS_OK, "/web/site/tpl/index.htm"},
        {"/w/ab.tpl", LS_OK, "/w/ab.htm"},
        {"/w/x.tpl", LS_BAD_TARGET_PATH, "/w/x.tpl"},
        {"/w/index.TPL", LS_NOT_A_TEMPLATE, "/w/index.TPL"},
        {"/w/index.html", LS_NOT_A_TEMPLATE, "/w/index.html"},
        {"/w/noextension", LS_BAD_TARGET_PATH, "/w/noextension"},
        {"a/index.tpl", LS_BAD_TARGET_PATH, "a/index.tpl"},
        {"index.tpl", LS_BAD_TARGET_PATH, "index.tpl"},
    };
    for (const Case& c : basis) {
        std::string path = c.in;
        EXPECT_EQ(project.CreateTargetPath(path), c.result) << c.in;
        EXPECT_EQ(path, c.out) << c.in;
    }
    project.SetActiveLanguageName("english");
    std::string path = dir / "tpl/index.tpl";
    ASSERT_EQ(project.CreateTargetPath(path), LS_OK);
    EXPECT_EQ(path, dir / "tpl/english/index.htm");
    EXPECT_TRUE(brevic::IsDirectory((dir / "tpl/english").c_str()))
        << "the language folder is made";
    std::string tooLong = dir.path() + std::string(250, 'x') + ".tpl";
    std::string before = tooLong;
    EXPECT_EQ(project.CreateTargetPath(tooLong), LS_BAD_TARGET_PATH);
    EXPECT_EQ(tooLong, before);
}

TEST_F(BuildTest, BuildAllWritesEveryLanguageAndTheLog) {
    ASSERT_EQ(project.InitProject(hpr.c_str()), LS_OK);
    project.SetActiveLanguageName("deutsch");
    long start = brevic::CurrentTime();
    ASSERT_EQ(project.BuildAll(nullptr), LS_OK);
    EXPECT_STREQ(project.GetActiveLanguageName(), "deutsch") << "restored";
    EXPECT_EQ(ReadBytes(dir / "tpl/english/index.htm"), Crlf("<h1>Welcome</h1>\n<p>index</p>\n"));
    EXPECT_EQ(ReadBytes(dir / "tpl/deutsch/index.htm"),
              Crlf("<h1>Willkommen</h1>\n<p>index</p>\n"));
    EXPECT_EQ(ReadBytes(dir / "tpl/english/about.htm"), Crlf("<h1>Welcome</h1> \n"));
    EXPECT_FALSE(Exists(dir / "tpl/index.htm")) << "never built for the basis group alone";
    EXPECT_TRUE(g_shown.empty());

    std::string rule(41, '=');
    std::string header =
        "\n" + rule + "\n  Larkspan PLUS Build Process\n  ProjectName: site.hpr\n  Date: ";
    std::string log = ReadBytes(dir / "debug.txt");
    ASSERT_EQ(log.rfind(Crlf(header), 0), 0u) << log;
    std::string date = brevic::FormatLogDate(start);
    std::string rest = Crlf("\n" + rule + "\n\n" +
                            "about.tpl\t(1) Warning: The macro \"Nowhere\" was not found.\n"
                            "about.tpl\t(1) Warning: The macro \"Nowhere\" was not found.\n");
    EXPECT_EQ(log.substr(log.size() - rest.size()), rest);
    EXPECT_EQ(Crlf(project.GetBuildLog()), log) << "debug.txt is the project's build log";

    // Every finished target names the template and the language it was built from.
    struct Sources : tLS_Progress {
        void SetPos(int) override {}
        void TargetDone(const tLS_Target& t, const std::string&) override {
            seen += std::string(t.templatePath) + " " + t.language + "\n";
        }
        std::string seen;
    } sources;
    tDebugContext context;
    context.progress = &sources;
    ASSERT_EQ(project.BuildAll(&context), LS_OK);
    const std::string tpl = dir / "tpl/";
    EXPECT_EQ(sources.seen, tpl + "index.tpl english\n" + tpl + "index.tpl deutsch\n" + tpl +
                                "about.tpl english\n" + tpl + "about.tpl deutsch\n");
}

TEST_F(BuildTest, OutOfDateRuleInBothDirections) {
    ASSERT_EQ(project.InitProject(hpr.c_str()), LS_OK);
    ASSERT_EQ(project.BuildAll(nullptr), LS_OK);
    std::string target = dir / "tpl/english/index.htm";
    std::string tpl = dir / "tpl/index.tpl";
    long now = brevic::CurrentTime();
    // Templates and macros (time 100) older than the target: left alone.
    SetTime(tpl, now - 1000);
    SetTime(dir / "tpl/about.tpl", now - 1000);
    SetTime(target, now - 500);
    WriteBytes(target + ".marker", "");
    std::string before = ReadBytes(target);
    WriteBytes(target, "stale but newer");
    SetTime(target, now - 500);
    ASSERT_EQ(project.BuildAll(nullptr), LS_OK);
    EXPECT_EQ(ReadBytes(target), "stale but newer");

    // A changed macro stamps the current time: the target is rebuilt.
    tLS_macrobase* english = nullptr;
    for (int i = 0; i < project.GetLoadedGroupCount(); ++i) {
        char name[LS_PATH_MAX];
        project.GetGroupName(i, name);
        if (std::string(name) == "english") {
            project.SetActiveLanguageName("english");
            english = project.GetActiveGroup();
        }
    }
    ASSERT_NE(english, nullptr);
    english->SetModified(0);
    ASSERT_EQ(project.BuildAll(nullptr), LS_OK);
    EXPECT_EQ(ReadBytes(target), before);

    // A template newer than its target: rebuilt.
    WriteBytes(target, "stale again");
    SetTime(target, now - 500);
    english->SetModified(0);
    // Put the macro back into the past so only the template decides.
    tBaseMember* m = nullptr;
    english->GetMacroContent(0, m);
    m->lastModified = 100;
    SetTime(tpl, now - 100);
    ASSERT_EQ(project.BuildAll(nullptr), LS_OK);
    EXPECT_EQ(ReadBytes(target), before);
    (void)MTime;
}

// The out-of-date rule dates a page that is a symbolic link by the file it leads to, and a
// rebuild writes through the link.
TEST_F(BuildTest, APageThatIsALinkIsDatedByTheFileItLeadsTo) {
    ASSERT_EQ(project.InitProject(hpr.c_str()), LS_OK);
    ASSERT_EQ(project.BuildAll(nullptr), LS_OK);
    const std::string target = dir / "tpl/english/index.htm";
    const std::string real = dir / "real.htm";
    const std::string built = ReadBytes(target);
    WriteBytes(real, "by hand");
    ASSERT_EQ(::unlink(target.c_str()), 0);
    ASSERT_EQ(::symlink(real.c_str(), target.c_str()), 0);
    const long now = brevic::CurrentTime();
    SetTime(dir / "tpl/index.tpl", now - 1000);
    SetTime(dir / "tpl/about.tpl", now - 1000);
    // The file newer than the template, the link itself older: left alone.
    SetTime(real, now - 500);
    const struct timespec old[2] = {{now - 2000, 0}, {now - 2000, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, target.c_str(), old, AT_SYMLINK_NOFOLLOW), 0);
    ASSERT_EQ(project.BuildAll(nullptr), LS_OK);
    EXPECT_EQ(ReadBytes(real), "by hand");
    // The file older, the link newer: rebuilt into the file, the link stays.
    SetTime(real, now - 1500);
    const struct timespec fresh[2] = {{now, 0}, {now, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, target.c_str(), fresh, AT_SYMLINK_NOFOLLOW), 0);
    ASSERT_EQ(project.BuildAll(nullptr), LS_OK);
    EXPECT_EQ(ReadBytes(real), built);
    EXPECT_TRUE(std::filesystem::is_symlink(target));
}

TEST_F(BuildTest, SingleTargetBuildAndMessage214) {
    ASSERT_EQ(project.InitProject(hpr.c_str()), LS_OK);
    std::string target = dir / "out.htm";
    project.SetActiveLanguageName("Neutral");
    tDebugContext context;
    ASSERT_EQ(project.Build("{#Head}", &context, target.c_str(), 0, "x.tpl"), LS_OK);
    ASSERT_EQ(g_shown.size(), 1u);
    EXPECT_EQ(g_shown[0], "There are one or more languages defined, but none of them is selected\n"
                          "The file might be shown inconsistent.");
    EXPECT_EQ(ReadBytes(target), "<h1></h1>") << "only the basis group's macros";
    EXPECT_EQ(context.log, "{#Head}\t(1) Warning: The macro \"Title\" was not found.\n");

    project.SetActiveLanguageName("english");
    ASSERT_EQ(project.Build("{#Head}", &context, target.c_str(), 0, "x.tpl"), LS_OK);
    EXPECT_EQ(ReadBytes(target), "<h1>Welcome</h1>");
    EXPECT_EQ(context.log, "");
    EXPECT_EQ(g_shown.size(), 1u);

    // Source time 0 always writes, even over a newer target.
    WriteBytes(target, "newer");
    SetTime(target, brevic::CurrentTime() + 1000);
    ASSERT_EQ(project.Build("{#Head}", nullptr, target.c_str(), 0, "x.tpl"), LS_OK);
    EXPECT_EQ(ReadBytes(target), "<h1>Welcome</h1>");
}

TEST_F(BuildTest, CompilerOptionsComeFromTheSettingsFile) {
    ASSERT_EQ(project.InitProject(hpr.c_str()), LS_OK);
    project.SetActiveLanguageName("english");
    std::string target = dir / "o.htm";
    const std::string text = "<td width=\"\">\xE4\t</td>\n";
    ASSERT_EQ(project.Build(text, nullptr, target.c_str(), 0, "x.tpl"), LS_OK);
    EXPECT_EQ(ReadBytes(target), "<td>&#228;</td>\r\n") << "defaults";
    WriteBytes(
        ini, Crlf("[compiler]\nremoveattr=0\nConvertISO=0\nRemoveTab=0\nRemoveNewLineOnTags=1\n"));
    ASSERT_EQ(project.Build(text, nullptr, target.c_str(), 0, "x.tpl"), LS_OK);
    EXPECT_EQ(ReadBytes(target), "<td width=\"\">\xE4\t</td> ");
}

TEST_F(BuildTest, RecursionFailsTheBuildAndWritesNothing) {
    WriteBytes(dir / "english.mcr", Crlf("{:Title:100:}\n{#Title}\n"));
    ASSERT_EQ(project.InitProject(hpr.c_str()), LS_OK);
    tDebugContext context;
    EXPECT_EQ(project.BuildAll(&context), LS_BUILD_FAILED);
    EXPECT_FALSE(Exists(dir / "tpl/english/index.htm"));
    EXPECT_FALSE(Exists(dir / "debug.txt"));
}

// Three templates in folders of their own, the third missing; the English page of the first
// or the second recurses, after a while. The build stops at that page as building one page
// after the other does, on any number of threads: what comes after it leaves nothing on
// disk (no page, language folder, created template or temporary file), also when it was
// built first.
TEST_F(BuildTest, AFailedPageEndsTheBuildInOrderOnAnyNumberOfThreads) {
    struct Reset {
        ~Reset() { brevic::SetBuildThreads(0); }
    } reset;
    // In English, Slow expands 2^16 macros before it recurses; in German it is empty.
    std::string english = "{:Title:100:}\nWelcome\n{:Slow:100:}\n{#X1}{#Loop}\n{:X17:100:}\ntext\n";
    for (int x = 1; x <= 16; ++x) {
        const std::string next = "{#X" + std::to_string(x + 1) + "}";
        english += "{:X" + std::to_string(x) + ":100:}\n" + next + next + "\n";
    }
    const std::string quick = "<p>{#Title}</p>\n";
    for (unsigned threads : {1u, 2u, 8u}) {
        brevic::SetBuildThreads(threads);
        for (int failing : {0, 1}) {
            SCOPED_TRACE(std::to_string(threads) + " threads, template " + std::to_string(failing) +
                         " fails");
            const std::string site =
                dir / ("site" + std::to_string(threads) + std::to_string(failing) + "/");
            WriteBytes(site + "site.hpr",
                       Crlf("[Groups]\nGroupNumber=3\nGroup0=site.mcr\nGroup1=english.mcr\n"
                            "Group2=deutsch.mcr\n[Sources]\nSourceNumber=3\nSource0=a\\one.tpl\n"
                            "Source1=b\\two.tpl\nSource2=c\\three.tpl\n"));
            WriteBytes(site + "site.mcr", Crlf("{:Loop:100:}\n{#Loop}\n"));
            WriteBytes(site + "english.mcr", Crlf(english));
            WriteBytes(site + "deutsch.mcr", Crlf("{:Title:100:}\nWillkommen\n{:Slow:100:}\n\n"));
            WriteBytes(site + "a/one.tpl", Crlf(failing == 0 ? "{#Slow}\n" : quick));
            WriteBytes(site + "b/two.tpl", Crlf(failing == 1 ? "{#Slow}\n" : quick));
            std::filesystem::create_directories(site + "c");
            std::set<std::string> expected = Tree(site);
            // The failed page's folder, made for it, goes with it; the journal keeps the
            // pages not built.
            expected.insert(".larkspan-journal");
            if (failing == 1)
                expected.insert(
                    {"a/english/", "a/english/one.htm", "a/deutsch/", "a/deutsch/one.htm"});
            tLS_project p;
            p.SetIniFilePath(ini.c_str());
            ASSERT_EQ(p.InitProject((site + "site.hpr").c_str()), LS_OK);
            EXPECT_EQ(p.BuildAll(nullptr), LS_BUILD_FAILED);
            EXPECT_EQ(Tree(site), expected);
            if (failing == 0) continue;
            EXPECT_EQ(ReadBytes(site + "a/deutsch/one.htm"), Crlf("<p>Willkommen</p>\n"));

            // With every folder there, pages are built beside their place before they go in:
            // those after the failed one are discarded.
            WriteBytes(site + "b/two.tpl", Crlf(quick));
            WriteBytes(site + "c/three.tpl", Crlf(quick));
            ASSERT_EQ(p.BuildAll(nullptr), LS_OK);
            WriteBytes(site + "a/one.tpl", Crlf("{#Slow}\n"));
            std::filesystem::remove(site + "debug.txt");
            std::vector<std::string> pages;
            for (const std::string& file : Tree(site)) {
                if (file.size() > 4 && file.compare(file.size() - 4, 4, ".htm") == 0) {
                    pages.push_back(file);
                    WriteBytes(site + file, "old");
                    SetTime(site + file, brevic::CurrentTime() - 1000); // out of date
                }
            }
            ASSERT_EQ(pages.size(), 6u);
            expected = Tree(site);
            expected.insert(".larkspan-journal");
            EXPECT_EQ(p.BuildAll(nullptr), LS_BUILD_FAILED);
            EXPECT_EQ(Tree(site), expected);
            for (const std::string& file : pages)
                EXPECT_EQ(ReadBytes(site + file), "old") << file;
        }
    }
}

// A page that cannot be put in place, on one thread or several: the build stops there in
// page order. The pages before it are new; it and every page after it keep their old
// content (none is written later, none leaves a temporary file); the failed page's folder
// goes when the build made it for that page; an empty folder the build did not make stays.
TEST_F(BuildTest, AFailedPageIsRolledBackOnAnyNumberOfThreads) {
    struct Reset {
        ~Reset() { brevic::SetBuildThreads(0); }
    } reset;
    WriteBytes(
        hpr,
        Crlf("[Groups]\nGroupNumber=3\nGroup0=site.mcr\nGroup1=english.mcr\nGroup2=deutsch.mcr\n"
             "[Sources]\nSourceNumber=3\nSource0=a\\one.tpl\nSource1=b\\two.tpl\nSource2=c\\three."
             "tpl\n"));
    const std::vector<std::string> pages = {"a/english/one.htm",   "a/deutsch/one.htm",
                                            "b/english/two.htm",   "b/deutsch/two.htm",
                                            "c/english/three.htm", "c/deutsch/three.htm"};
    for (const char* t : {"a/one.tpl", "b/two.tpl", "c/three.tpl"})
        WriteBytes(dir / t, Crlf("{#Head}\n"));
    ASSERT_EQ(project.InitProject(hpr.c_str()), LS_OK);
    ASSERT_EQ(project.BuildAll(nullptr), LS_OK);
    std::vector<std::string> built;
    for (const std::string& page : pages)
        built.push_back(ReadBytes(dir / page));
    const struct {
        brevic::FaultOp op;
        size_t failing;
    } cases[] = {{brevic::FaultOp::Write, 3},  {brevic::FaultOp::Rename, 3},
                 {brevic::FaultOp::Rename, 2}, {brevic::FaultOp::Write, 0},
                 {brevic::FaultOp::Rename, 5}, {brevic::FaultOp::Kill, 1},
                 {brevic::FaultOp::Rename, 4}};
    for (unsigned threads : {1u, 2u, 8u}) {
        brevic::SetBuildThreads(threads);
        for (const auto& c : cases) {
            SCOPED_TRACE(std::to_string(threads) + " threads, page " + pages[c.failing] +
                         " fails, op " + std::to_string(static_cast<int>(c.op)));
            // The failing page's folder is one the build makes (b/deutsch) or one that is there;
            // c/english is there, empty.
            std::filesystem::remove_all(dir / "b/deutsch");
            std::filesystem::remove(dir / "c/english/three.htm");
            auto absent = [](const std::string& page) {
                return page.rfind("b/deutsch/", 0) == 0 || page.rfind("c/english/", 0) == 0;
            };
            for (const std::string& page : pages) {
                if (absent(page)) continue;
                WriteBytes(dir / page, "old");
                SetTime(dir / page, brevic::CurrentTime() - 1000);
            }
            brevic::InjectFaultAt(c.op, (dir / pages[c.failing]).c_str());
            EXPECT_EQ(project.BuildAll(nullptr), LS_BUILD_FAILED);
            brevic::ClearFaults();
            EXPECT_EQ(std::string(project.GetFailedFile()), dir / pages[c.failing]);
            for (size_t i = 0; i < pages.size(); ++i) {
                const std::string expected = i < c.failing      ? built[i]
                                             : absent(pages[i]) ? ""
                                                                : "old";
                EXPECT_EQ(Exists(dir / pages[i]) ? ReadBytes(dir / pages[i]) : "", expected)
                    << pages[i];
            }
            EXPECT_EQ(Exists(dir / "b/deutsch"), c.failing > 3)
                << "made for the failed page or one after it: gone";
            EXPECT_TRUE(std::filesystem::is_directory(dir / "c/english"))
                << "not made by the build: kept";
            size_t temporaries = 0;
            for (const std::string& file : Tree(dir.path()))
                temporaries += file.find(".larkspan-tmp") != std::string::npos;
            EXPECT_EQ(temporaries, c.op == brevic::FaultOp::Kill ? 1u : 0u)
                << "a killed writer's file only";
            // The next build builds what is left.
            ASSERT_EQ(project.BuildAll(nullptr), LS_OK);
            for (size_t i = 0; i < pages.size(); ++i)
                EXPECT_EQ(ReadBytes(dir / pages[i]), built[i]) << pages[i];
        }
    }
}

// A journal left behind (by a build or a watch that was killed) is obeyed before any time: the
// pages it names are written, and a macro it dates counts as changed then.
TEST_F(BuildTest, AJournalLeftBehindRebuildsWhatItNames) {
    ASSERT_EQ(project.InitProject(hpr.c_str()), LS_OK);
    ASSERT_EQ(project.BuildAll(nullptr), LS_OK);
    const std::string index = dir / "tpl/english/index.htm", about = dir / "tpl/english/about.htm";
    const std::string good = ReadBytes(index);
    const long later = brevic::CurrentTime() + 100;
    for (const std::string& page : {index, about}) {
        WriteBytes(page, "stale");
        SetTime(page, later); // newer than everything: trusted by the times
    }
    const std::string journal = dir / ".larkspan-journal";
    WriteBytes(journal, "larkspan build journal 1\tkilled\nP\t" + index + "\n");
    ASSERT_EQ(project.BuildAll(nullptr), LS_OK);
    EXPECT_EQ(ReadBytes(index), good) << "named: written whatever the times say";
    EXPECT_EQ(ReadBytes(about), "stale") << "not named: the times hold";
    EXPECT_FALSE(Exists(journal));

    // A macro changed by hand with its stamp kept; the journal gives it the time it was seen.
    WriteBytes(dir / "english.mcr", Crlf("{:Title:100:}\nHello\n"));
    SetTime(index, later);
    ASSERT_EQ(project.InitProject(hpr.c_str()), LS_OK);
    WriteBytes(journal, "larkspan build journal 1\tkilled\nM\t" + std::to_string(later + 50) +
                            "\t" + (dir / "english.mcr") + "\tTitle\n");
    ASSERT_EQ(project.BuildAll(nullptr), LS_OK);
    EXPECT_NE(ReadBytes(index).find("Hello"), std::string::npos) << "its pages are rebuilt";
}

// A build killed while it wrote its journal leaves the journal's temporary file and no
// journal: the next build removes it (and leaves other files' temporaries alone).
TEST_F(BuildTest, AKilledJournalWriteLeavesNothingBehind) {
    ASSERT_EQ(project.InitProject(hpr.c_str()), LS_OK);
    const std::string journalTemporary = dir / "..larkspan-journal.abcdefghijkl.larkspan-tmp";
    const std::string other = dir / ".notes.txt.abcdefghijkl.larkspan-tmp";
    WriteBytes(journalTemporary, "larkspan build journal 1\tkill");
    WriteBytes(other, "another writer's");
    ASSERT_EQ(project.BuildAll(nullptr), LS_OK);
    EXPECT_FALSE(Exists(journalTemporary));
    EXPECT_TRUE(Exists(other));
}

TEST_F(BuildTest, BuildAllFailures) {
    EXPECT_EQ(project.BuildAll(nullptr), LS_NO_PROJECT);
    WriteBytes(hpr, Crlf("[Groups]\nGroupNumber=1\nGroup0=site.mcr\n"));
    ASSERT_EQ(project.InitProject(hpr.c_str()), LS_OK);
    EXPECT_EQ(project.BuildAll(nullptr), LS_NO_SOURCES);
    WriteBytes(hpr, Crlf("[Groups]\nGroupNumber=1\nGroup0=site.mcr\n[Sources]\nSourceNumber="
                         "1\nSource0=tpl\\x.tpl\n"));
    WriteBytes(dir / "tpl/x.tpl", "");
    EXPECT_EQ(project.BuildAll(nullptr), LS_BAD_TARGET_PATH);
    WriteBytes(hpr, Crlf("[Groups]\nGroupNumber=1\nGroup0=site.mcr\n[Sources]\nSourceNumber="
                         "10000\nSource0=tpl\\index.tpl\n"));
    EXPECT_EQ(project.BuildAll(nullptr), LS_TOO_MANY_SOURCES);
    WriteBytes(hpr, Crlf("[Groups]\nGroupNumber=1\nGroup0=site.mcr\n[Sources]\nSourceNumber="
                         "2\nSource0=tpl\\index.tpl\n"));
    EXPECT_EQ(project.BuildAll(nullptr), LS_NO_ENTRY);
    EXPECT_TRUE(Exists(dir / "tpl/index.htm")) << "targets before the failure stay written";
    EXPECT_FALSE(Exists(dir / "debug.txt"));
}

TEST_F(BuildTest, OnlyTheBasisGroupBuildsIntoTheTemplateFolder) {
    WriteBytes(hpr, Crlf("[Groups]\nGroupNumber=1\nGroup0=site.mcr\n[Sources]\nSourceNumber=1\n"
                         "Source0=tpl\\index.tpl\n"));
    ASSERT_EQ(project.InitProject(hpr.c_str()), LS_OK);
    ASSERT_EQ(project.BuildAll(nullptr), LS_OK);
    EXPECT_EQ(ReadBytes(dir / "tpl/index.htm"), Crlf("<h1></h1>\n<p>index</p>\n"));
}

// A template listed but missing fails the build, naming it; its pages stay as they were
// and it is not created.
TEST_F(BuildTest, AMissingTemplateFailsTheBuildAndLeavesItsPages) {
    ASSERT_EQ(project.InitProject(hpr.c_str()), LS_OK);
    ASSERT_EQ(project.BuildAll(nullptr), LS_OK);
    const std::string page = ReadBytes(dir / "tpl/english/about.htm");
    SetTime(dir / "tpl/english/about.htm", 1000);
    std::filesystem::remove(dir / "tpl/about.tpl");
    EXPECT_EQ(project.BuildAll(nullptr), LS_BUILD_FAILED);
    EXPECT_EQ(std::string(project.GetFailedFile()), dir / "tpl/about.tpl");
    EXPECT_EQ(project.GetFailureReason(), LS_REASON_NOT_FOUND);
    EXPECT_EQ(std::string(project.GetFailedTemplate()), dir / "tpl/about.tpl");
    EXPECT_FALSE(Exists(dir / "tpl/about.tpl"));
    EXPECT_EQ(ReadBytes(dir / "tpl/english/about.htm"), page);
    EXPECT_EQ(MTime(dir / "tpl/english/about.htm"), 1000);
}

// A page killed in the middle of its first write leaves no page, so the next build writes
// it (and takes the killed writer's temporary file away); the same template listed twice
// builds.
TEST_F(BuildTest, AKilledFirstWriteIsBuiltNextTimeAndTwoWritersOfAPageSucceed) {
    ASSERT_EQ(project.InitProject(hpr.c_str()), LS_OK);
    brevic::InjectFault(brevic::FaultOp::Kill, 1);
    EXPECT_EQ(project.BuildAll(nullptr), LS_BUILD_FAILED);
    brevic::ClearFaults();
    EXPECT_FALSE(Exists(dir / "tpl/english/index.htm"));
    auto files = [](const std::string& folder) {
        std::vector<std::string> names;
        for (auto& e : std::filesystem::directory_iterator(folder))
            names.push_back(e.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    };
    ASSERT_EQ(files(dir / "tpl/english").size(), 1u) << "the killed writer's temporary file";
    ASSERT_EQ(project.BuildAll(nullptr), LS_OK);
    EXPECT_EQ(ReadBytes(dir / "tpl/english/index.htm"), Crlf("<h1>Welcome</h1>\n<p>index</p>\n"));
    EXPECT_EQ(files(dir / "tpl/english"), (std::vector<std::string>{"about.htm", "index.htm"}));

    WriteBytes(
        hpr,
        Crlf("[Groups]\nGroupNumber=3\nGroup0=site.mcr\nGroup1=english.mcr\nGroup2=deutsch.mcr\n"
             "[Sources]\nSourceNumber=4\nSource0=tpl\\index.tpl\nSource1=tpl\\index.tpl\n"
             "Source2=tpl\\index.tpl\nSource3=tpl\\about.tpl\n"));
    std::filesystem::remove_all(dir / "tpl/english");
    for (int i = 0; i < 20; ++i) {
        ASSERT_EQ(project.BuildAll(nullptr), LS_OK) << project.GetFailedFile();
        SetTime(dir / "tpl/index.tpl", brevic::CurrentTime() + 10); // out of date again
    }
    EXPECT_EQ(ReadBytes(dir / "tpl/deutsch/index.htm"),
              Crlf("<h1>Willkommen</h1>\n<p>index</p>\n"));
    EXPECT_EQ(files(dir / "tpl/english"), (std::vector<std::string>{"about.htm", "index.htm"}));
}

// Language names the project file could not give back are refused before anything is
// written.
TEST_F(BuildTest, LanguageNamesThatCannotBeReadBackAreRefused) {
    ASSERT_EQ(project.InitProject(hpr.c_str()), LS_OK);
    const std::string before = ReadBytes(hpr);
    for (const char* name : {"..", ".", "", "a/b", "a\\b", "abcdefghijabcdefghijabcdefghijabcdef"})
        EXPECT_NE(project.AddAndActivateGroup(name), LS_OK) << name;
    EXPECT_EQ(project.AddGroup((dir / "...mcr").c_str()), LS_INVALID);
    EXPECT_EQ(ReadBytes(hpr), before);
    EXPECT_FALSE(Exists(dir / "...mcr"));
    EXPECT_EQ(project.AddAndActivateGroup(".hidden"), LS_OK) << "a leading dot alone is a name";
    tLS_project reopened;
    EXPECT_EQ(reopened.InitProject(hpr.c_str()), LS_OK);
}

TEST_F(BuildTest, UnwritableFilesFailTheBuildAndNameTheFile) {
    ASSERT_EQ(project.InitProject(hpr.c_str()), LS_OK);
    // A directory where the target should go.
    std::filesystem::create_directories(dir / "tpl/english/index.htm");
    EXPECT_EQ(project.BuildAll(nullptr), LS_BUILD_FAILED);
    EXPECT_EQ(std::string(project.GetFailedFile()), dir / "tpl/english/index.htm");
    EXPECT_TRUE(project.FailedFileWasWrite());
    std::filesystem::remove(dir / "tpl/english/index.htm");

    // debug.txt cannot be written.
    std::filesystem::create_directories(dir / "debug.txt");
    EXPECT_EQ(project.BuildAll(nullptr), LS_BUILD_FAILED);
    EXPECT_EQ(std::string(project.GetFailedFile()), dir / "debug.txt");
    std::filesystem::remove(dir / "debug.txt");

    // A template that cannot be read must not empty its targets.
    ASSERT_EQ(project.BuildAll(nullptr), LS_OK);
    std::string good = ReadBytes(dir / "tpl/english/about.htm");
    std::filesystem::remove(dir / "tpl/about.tpl");
    std::filesystem::create_directories(dir / "tpl/about.tpl");
    EXPECT_EQ(project.BuildAll(nullptr), LS_BUILD_FAILED);
    EXPECT_EQ(std::string(project.GetFailedFile()), dir / "tpl/about.tpl");
    EXPECT_FALSE(project.FailedFileWasWrite());
    EXPECT_EQ(ReadBytes(dir / "tpl/english/about.htm"), good);
}

TEST_F(BuildTest, AFailedWriteAtAnyStepLeavesThatFileAsItWas) {
    ASSERT_EQ(project.InitProject(hpr.c_str()), LS_OK);
    // Build order of the writes: index (english, deutsch), about (english, deutsch), log.
    const std::vector<std::string> files = {
        dir / "tpl/english/index.htm", dir / "tpl/deutsch/index.htm", dir / "tpl/english/about.htm",
        dir / "tpl/deutsch/about.htm", dir / "debug.txt"};
    ASSERT_EQ(project.BuildAll(nullptr), LS_OK);
    std::vector<std::string> built;
    for (const std::string& f : files)
        built.push_back(ReadBytes(f));
    long past = brevic::CurrentTime() - 1000;
    for (brevic::FaultOp op : {brevic::FaultOp::Write, brevic::FaultOp::Rename}) {
        for (size_t nth = 1; nth <= files.size(); ++nth) {
            for (const std::string& f : files) {
                WriteBytes(f, "old " + f);
                SetTime(f, past); // out of date: every target is written again
            }
            brevic::InjectFault(op, static_cast<int>(nth));
            EXPECT_EQ(project.BuildAll(nullptr), LS_BUILD_FAILED) << nth;
            brevic::ClearFaults();
            EXPECT_EQ(std::string(project.GetFailedFile()), files[nth - 1]);
            for (size_t i = 0; i < files.size(); ++i) {
                // Written before the failure: new; the failed one and those after: as before.
                EXPECT_EQ(ReadBytes(files[i]), i + 1 < nth ? built[i] : "old " + files[i])
                    << "fault at write " << nth << ", file " << files[i];
            }
        }
    }
    // A failed write of the project file leaves it byte-identical.
    std::string hprBefore = ReadBytes(hpr);
    brevic::InjectFault(brevic::FaultOp::Rename, 1);
    EXPECT_EQ(project.AddSource((dir / "tpl/other.tpl").c_str()), LS_PROJECT_FILE);
    brevic::ClearFaults();
    EXPECT_EQ(ReadBytes(hpr), hprBefore);
    int entries = 0;
    for (auto& e : std::filesystem::directory_iterator(dir.path()))
        entries += e.is_regular_file();
    EXPECT_EQ(entries, 6) << "no temporary files left behind";
}

} // namespace
