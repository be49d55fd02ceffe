#include "test_util.h"

#include <brevic/ls_macrobase.h>
#include <brevic/ls_profile.h>
#include <brevic/ls_project.h>

#include <gtest/gtest.h>

#include <cstring>

using testutil::Crlf;
using testutil::ReadBytes;
using testutil::WriteBytes;

namespace {

class ProjectTest : public ::testing::Test {
protected:
    std::string Value(const char* section, const char* key) {
        std::string v;
        brevic::ReadProfileValue(section, key, v, hpr.c_str());
        return v;
    }

    testutil::TempDir dir;
    std::string hpr = dir / "site.hpr";
    tLS_project project;
};

TEST_F(ProjectTest, NewProjectWritesTheBasisGroupAndOpens) {
    ASSERT_EQ(project.NewProject(hpr.c_str()), LS_OK);
    EXPECT_FALSE(project.IsProject()) << "NewProject does not open";
    EXPECT_EQ(ReadBytes(hpr), Crlf("[Groups]\nGroup0=site.mcr\nGroupNumber=1\n"));
    ASSERT_EQ(project.InitProject(hpr.c_str()), LS_OK);
    EXPECT_TRUE(project.IsProject());
    EXPECT_STREQ(project.GetProjectPath(), hpr.c_str());
    EXPECT_STREQ(project.GetProjectName(), "site.hpr");
    EXPECT_TRUE(testutil::Exists(dir / "site.mcr")) << "a missing macro file is created";

    char name[LS_PATH_MAX];
    ASSERT_EQ(project.GetGroupName(0, name), LS_OK);
    EXPECT_STREQ(name, "Neutral");
    ASSERT_EQ(project.GetGroupNameFromIni(0, name), LS_OK);
    EXPECT_STREQ(name, "site");
    EXPECT_EQ(project.GetGroupName(1, name), LS_BAD_GROUP_INDEX);
    EXPECT_EQ(project.GetBasisGroup(),
              project.GetActiveGroup() == nullptr ? project.GetBasisGroup() : nullptr);
    EXPECT_EQ(project.GetActiveGroup(), nullptr) << "no active language after opening";

    EXPECT_EQ(project.NewProject((dir / "noextension").c_str()), LS_INVALID);
    EXPECT_FALSE(project.IsProject()) << "NewProject closes the open project";
}

TEST_F(ProjectTest, FilesThatCannotBeOpened) {
    EXPECT_EQ(project.InitProject((dir / "missing.hpr").c_str()), LS_NO_PROJECT);
    WriteBytes(hpr, "[Groups]\r\nGroupNumber=0\r\n");
    EXPECT_EQ(project.InitProject(hpr.c_str()), LS_NO_PROJECT);
    WriteBytes(hpr, "[Groups]\r\nGroup0=site.mcr\r\n"); // no GroupNumber
    EXPECT_EQ(project.InitProject(hpr.c_str()), LS_NO_PROJECT);
    WriteBytes(hpr, "[Groups]\r\nGroupNumber=101\r\n");
    EXPECT_EQ(project.InitProject(hpr.c_str()), LS_INVALID);
    WriteBytes(hpr, "[Groups]\r\nGroupNumber=2\r\nGroup0=site.mcr\r\n"); // Group1 missing
    EXPECT_EQ(project.InitProject(hpr.c_str()), LS_INVALID);
    EXPECT_EQ(project.GetLoadedGroupCount(), 0);
    WriteBytes(hpr, "[Groups]\r\nGroupNumber=2\r\nGroup0=site.mcr\r\nGroup1=...mcr\r\n");
    EXPECT_EQ(project.InitProject(hpr.c_str()), LS_INVALID)
        << "a group named .. would write above the templates";
    WriteBytes(hpr, "[Groups]\r\nGroupNumber=1\r\nGroup0=../elsewhere.mcr\r\n");
    EXPECT_EQ(project.InitProject(hpr.c_str()), LS_INVALID) << "group files lie beside the project";
    WriteBytes(dir / "bad.mcr", "text before any header\r\n");
    WriteBytes(hpr, "[Groups]\r\nGroupNumber=1\r\nGroup0=bad.mcr\r\n");
    EXPECT_EQ(project.InitProject(hpr.c_str()), LS_INVALID);
    EXPECT_FALSE(project.IsProject());
    EXPECT_EQ(ReadBytes(dir / "bad.mcr"), "text before any header\r\n");
    std::string tooLong = dir.path() + std::string(300, 'p') + ".hpr";
    EXPECT_EQ(project.InitProject(tooLong.c_str()), LS_INVALID);
}

TEST_F(ProjectTest, GroupsAddDeleteAndActivate) {
    ASSERT_EQ(project.NewProject(hpr.c_str()), LS_OK);
    ASSERT_EQ(project.InitProject(hpr.c_str()), LS_OK);
    ASSERT_EQ(project.AddAndActivateGroup("english"), LS_OK);
    ASSERT_EQ(project.AddAndActivateGroup("deutsch"), LS_OK);
    EXPECT_EQ(project.AddAndActivateGroup("english"), LS_GROUP_EXISTS);
    EXPECT_EQ(project.AddGroup((dir / "English.mcr").c_str()), LS_OK)
        << "other case is another name";
    EXPECT_EQ(project.AddGroup("nodirectory.mcr"), LS_PROJECT_FILE);
    EXPECT_EQ(project.AddGroup((dir / "noextension").c_str()), LS_PROJECT_FILE);
    EXPECT_EQ(project.AddGroup(nullptr), LS_INVALID);
    EXPECT_EQ(project.AddGroup((dir / (std::string(40, 'l') + ".mcr")).c_str()), LS_INVALID);
    EXPECT_EQ(project.GetGroupCount(), 4);
    EXPECT_EQ(project.GetLoadedGroupCount(), 3);
    EXPECT_TRUE(testutil::Exists(dir / "deutsch.mcr"));

    EXPECT_EQ(project.GetActiveGroup(), nullptr) << "adding does not activate";
    project.SetActiveLanguageName("deutsch");
    ASSERT_NE(project.GetActiveGroup(), nullptr);
    EXPECT_STREQ(project.GetActiveGroup()->GetName(), "deutsch");
    project.SetActiveLanguageName(nullptr);
    EXPECT_STREQ(project.GetActiveLanguageName(), "deutsch");
    project.SetActiveLanguageName("Neutral");
    EXPECT_EQ(project.GetActiveGroup(), project.GetBasisGroup());

    // Deleting group 1 of 4 moves the last entry into its place and leaves its key behind.
    EXPECT_EQ(project.DeleteGroup(4), LS_PROJECT_FILE);
    EXPECT_EQ(project.DeleteGroup(-1), LS_PROJECT_FILE);
    ASSERT_EQ(project.DeleteGroup(1), LS_OK);
    EXPECT_EQ(project.GetGroupCount(), 3);
    EXPECT_EQ(Value("Groups", "Group1"), "English.mcr");
    EXPECT_EQ(Value("Groups", "Group3"), "English.mcr");
    EXPECT_EQ(project.GetLoadedGroupCount(), 3) << "loaded groups keep their numbers";

    // Reopening loads the groups the file now names.
    ASSERT_EQ(project.InitProject(hpr.c_str()), LS_OK);
    char name[LS_PATH_MAX];
    ASSERT_EQ(project.GetGroupName(1, name), LS_OK);
    EXPECT_STREQ(name, "English");
    ASSERT_EQ(project.GetGroupName(2, name), LS_OK);
    EXPECT_STREQ(name, "deutsch");
}

TEST_F(ProjectTest, TheMissingMacroFilesAreThoseOpeningWouldCreate) {
    WriteBytes(hpr, "[Groups]\r\nGroupNumber=3\r\nGroup0=site.mcr\r\nGroup1=english.txt\r\n"
                    "Group2=../up.mcr\r\n");
    WriteBytes(dir / "site.mcr", "");
    WriteBytes(dir / "english.txt", "");
    std::vector<std::string> missing;
    ASSERT_EQ(tLS_project::MissingGroupFiles(hpr.c_str(), missing), LS_OK);
    EXPECT_EQ(missing, std::vector<std::string>{dir / "english.mcr"})
        << "the group's file is its name with .mcr; a path is no group";
    WriteBytes(hpr, "[Groups]\r\nGroupNumber=2000000000\r\n");
    ASSERT_EQ(tLS_project::MissingGroupFiles(hpr.c_str(), missing), LS_OK);
    EXPECT_TRUE(missing.empty()) << "a damaged count names nothing";
    EXPECT_EQ(tLS_project::MissingGroupFiles(nullptr, missing), LS_INVALID);
}

TEST_F(ProjectTest, HundredGroupsAtMost) {
    ASSERT_EQ(project.NewProject(hpr.c_str()), LS_OK);
    for (int i = 1; i < LS_MAX_GROUPS; ++i) {
        ASSERT_EQ(project.AddGroup((dir / ("g" + std::to_string(i) + ".mcr")).c_str()), LS_OK);
    }
    EXPECT_EQ(project.AddGroup((dir / "last.mcr").c_str()), LS_TOO_MANY_GROUPS);
    EXPECT_EQ(project.InitProject(hpr.c_str()), LS_OK);
    EXPECT_EQ(project.GetLoadedGroupCount(), 100);
}

TEST_F(ProjectTest, SourcesAddDeleteAndResolve) {
    ASSERT_EQ(project.NewProject(hpr.c_str()), LS_OK);
    ASSERT_EQ(project.InitProject(hpr.c_str()), LS_OK);
    ASSERT_EQ(project.AddSource((dir / "tpl/a.tpl").c_str()), LS_OK);
    ASSERT_EQ(project.AddSource((dir / "b.tpl").c_str()), LS_OK);
    ASSERT_EQ(project.AddSource((dir / "tpl/c.tpl").c_str()), LS_OK);
    std::string before = ReadBytes(hpr);
    EXPECT_EQ(project.AddSource((dir / "tpl/a.tpl").c_str()), LS_SOURCE_EXISTS);
    EXPECT_EQ(ReadBytes(hpr), before) << "a duplicate writes nothing";
    EXPECT_EQ(project.AddSource(nullptr), LS_INVALID);
    EXPECT_EQ(Value("Sources", "Source0"), "tpl\\a.tpl") << "stored with backslashes";

    char path[LS_PATH_MAX];
    ASSERT_EQ(project.GetSourcePath(0, path), LS_OK);
    EXPECT_EQ(std::string(path), dir / "tpl/a.tpl");
    ASSERT_EQ(project.GetSourceName(0, path), LS_OK);
    EXPECT_STREQ(path, "a.tpl");
    ASSERT_EQ(project.GetSourceName(1, path), LS_OK);
    EXPECT_STREQ(path, "b.tpl");
    EXPECT_EQ(project.GetSourcePath(-1, path), LS_NO_ENTRY);
    EXPECT_STREQ(path, "");
    EXPECT_EQ(project.GetSourcePath(3, path), LS_NO_ENTRY);
    EXPECT_EQ(project.GetSourceName(3, path), LS_NO_ENTRY);

    // Deleting source 0 of three moves Source2 into Source0; Source2 stays in the file.
    ASSERT_EQ(project.DeleteSource(0), LS_OK);
    EXPECT_EQ(project.GetSourceCount(), 2);
    EXPECT_EQ(Value("Sources", "Source0"), "tpl\\c.tpl");
    EXPECT_EQ(Value("Sources", "Source2"), "tpl\\c.tpl");
    EXPECT_EQ(project.DeleteSource(2), LS_PROJECT_FILE);
    ASSERT_EQ(project.DeleteSource(1), LS_OK) << "the last entry just shortens the list";
    EXPECT_EQ(project.GetSourceCount(), 1);
    EXPECT_EQ(project.AddSource((dir / "tpl/c.tpl").c_str()), LS_SOURCE_EXISTS);
}

TEST_F(ProjectTest, SourceValuesThatDoNotFitAreRefused) {
    WriteBytes(hpr,
               "[Groups]\r\nGroupNumber=1\r\nGroup0=site.mcr\r\n[Sources]\r\nSourceNumber=2\r\n"
               "Source0=" +
                   std::string(300, 's') + ".tpl\r\nSource1=\r\n");
    ASSERT_EQ(project.InitProject(hpr.c_str()), LS_OK);
    char path[LS_PATH_MAX];
    EXPECT_EQ(project.GetSourcePath(0, path), LS_NO_ENTRY);
    EXPECT_EQ(project.GetSourceName(0, path), LS_NO_ENTRY);
    EXPECT_EQ(project.GetSourcePath(1, path), LS_NO_ENTRY);
}

TEST_F(ProjectTest, HundredSourcesAtMost) {
    ASSERT_EQ(project.NewProject(hpr.c_str()), LS_OK);
    for (int i = 0; i < LS_MAX_SOURCES; ++i) {
        ASSERT_EQ(project.AddSource((dir / ("t" + std::to_string(i) + ".tpl")).c_str()), LS_OK);
    }
    EXPECT_EQ(project.AddSource((dir / "one-more.tpl").c_str()), LS_TOO_MANY_SOURCES);
}

TEST(RelativePath, UpAndDownFromTheBaseDirectory) {
    struct Case {
        const char* base;
        const char* path;
        const char* expected;
    };
    const Case cases[] = {
        {"/web/site/site.hpr", "/web/site/tpl/a.tpl", "tpl/a.tpl"},
        {"/web/site/site.hpr", "/web/other/b.tpl", "../other/b.tpl"},
        {"/web/site/site.hpr", "/web/sitex/c.tpl", "../sitex/c.tpl"},
        {"/web/site/site.hpr", "/web/site/d.tpl", "d.tpl"},
        {"/web/site/deep/er/p.hpr", "/web/e.tpl", "../../../e.tpl"},
        {"C:\\web\\site\\site.hpr", "C:\\web\\other\\b.tpl", "../other\\b.tpl"},
        {"/web/site/site.hpr", "/web/site/Tpl/A.tpl", "Tpl/A.tpl"},
    };
    for (const Case& c : cases) {
        char path[LS_PATH_MAX];
        std::strcpy(path, c.path);
        EXPECT_EQ(tLS_project::GetRelativePath(c.base, path), LS_OK);
        EXPECT_STREQ(path, c.expected) << c.base << " " << c.path;
    }
    // A result that would not fit is refused and the path left alone.
    std::string deepBase = "/" + std::string(0, 'x');
    for (int i = 0; i < 80; ++i)
        deepBase += "d/";
    deepBase += "p.hpr";
    char path[LS_PATH_MAX];
    std::string far = "/z/" + std::string(200, 'f');
    std::strcpy(path, far.c_str());
    EXPECT_EQ(tLS_project::GetRelativePath(deepBase.c_str(), path), LS_INVALID);
    EXPECT_EQ(std::string(path), far);
}

TEST_F(ProjectTest, LoadAndSaveFilesInTextMode) {
    std::string text = "kept";
    EXPECT_EQ(tLS_project::LoadFile(text, (dir / "new.tpl").c_str()), 1);
    EXPECT_EQ(text, "kept") << "appends; a missing file is created empty";
    EXPECT_TRUE(testutil::Exists(dir / "new.tpl"));
    EXPECT_EQ(tLS_project::SaveFile("a\nb\n", (dir / "t.htm").c_str()), 1);
    EXPECT_EQ(ReadBytes(dir / "t.htm"), "a\r\nb\r\n");
    text.clear();
    EXPECT_EQ(tLS_project::LoadFile(text, (dir / "t.htm").c_str()), 1);
    EXPECT_EQ(text, "a\nb\n");
    text = "x";
    EXPECT_EQ(tLS_project::LoadFile(text, dir.path().c_str()), 0);
    EXPECT_EQ(text, "") << "a failed load empties the string";
    EXPECT_EQ(tLS_project::SaveFile("x", (dir / "no/such/dir/t.htm").c_str()), 0);
}

TEST_F(ProjectTest, ModifiedGroupsSaveWhenTheProjectCloses) {
    ASSERT_EQ(project.NewProject(hpr.c_str()), LS_OK);
    ASSERT_EQ(project.InitProject(hpr.c_str()), LS_OK);
    std::string* content = nullptr;
    int index = -1;
    ASSERT_EQ(project.GetBasisGroup()->NewMacro(content, "Footer", index), LS_OK);
    *content = "(c) us";
    EXPECT_EQ(ReadBytes(dir / "site.mcr"), "");
    ASSERT_EQ(project.InitProject(nullptr), LS_OK);
    EXPECT_NE(ReadBytes(dir / "site.mcr").find("\r\n(c) us\r\n"), std::string::npos);
}

TEST_F(ProjectTest, AGroupThatFailsToSaveIsReportedWhenClosing) {
    ASSERT_EQ(project.NewProject(hpr.c_str()), LS_OK);
    ASSERT_EQ(project.InitProject(hpr.c_str()), LS_OK);
    std::string* content = nullptr;
    int index = -1;
    ASSERT_EQ(project.GetBasisGroup()->NewMacro(content, "Bad", index), LS_OK);
    *content = "{:cannot be stored";
    EXPECT_EQ(project.InitProject(hpr.c_str()), LS_BASE_WRITE);
    EXPECT_FALSE(project.IsProject()) << "the groups are gone: no project stays open";
    EXPECT_EQ(std::string(project.GetFailedFile()), (dir / "site.mcr"));
    EXPECT_EQ(project.NewProject(hpr.c_str()), LS_OK) << "nothing is left to fail";
}

} // namespace
