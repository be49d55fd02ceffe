#include "command_line.h"

#include <gtest/gtest.h>

namespace {

TEST(BuildSwitch, WordsAfterSlashOrDash) {
    EXPECT_TRUE(larkspan::HasBuildSwitch("/build"));
    EXPECT_TRUE(larkspan::HasBuildSwitch("-build"));
    EXPECT_TRUE(larkspan::HasBuildSwitch("site.hpr /build"));
    EXPECT_TRUE(larkspan::HasBuildSwitch("/p x -build /q"));
    EXPECT_FALSE(larkspan::HasBuildSwitch("build"));
    EXPECT_FALSE(larkspan::HasBuildSwitch("/Build"));
    EXPECT_FALSE(larkspan::HasBuildSwitch("/builds"));
    EXPECT_FALSE(larkspan::HasBuildSwitch("/home/me/build/site.hpr"));
    EXPECT_FALSE(larkspan::HasBuildSwitch(""));
    EXPECT_FALSE(larkspan::HasBuildSwitch("/"));
    // A word over 255 characters is abandoned, however it ends.
    EXPECT_FALSE(larkspan::HasBuildSwitch("/" + std::string(300, 'x') + "build"));
    EXPECT_TRUE(larkspan::HasBuildSwitch("/" + std::string(300, 'x') + " /build"));
    EXPECT_TRUE(larkspan::HasBuildSwitch("/" + std::string(254, 'x') + " -build"));
}

TEST(CommandLine, FileArgumentAndSwitches) {
    const char* argv[] = {"larkspan", "/web/site.hpr", "/build", "--version", "-x"};
    larkspan::CommandLine cmd = larkspan::ParseCommandLine(5, argv);
    EXPECT_EQ(cmd.file, "/web/site.hpr") << "an absolute path is a file, not a switch";
    EXPECT_TRUE(cmd.build);
    EXPECT_TRUE(cmd.version);
    EXPECT_FALSE(cmd.help);
    EXPECT_EQ(cmd.ignored, (std::vector<std::string>{"-x"}));

    // The switch is a whole argument: a path holding " -build " is the file to open.
    const char* spaced[] = {"larkspan", "/web/my -build dir/site.hpr"};
    cmd = larkspan::ParseCommandLine(2, spaced);
    EXPECT_EQ(cmd.file, "/web/my -build dir/site.hpr");
    EXPECT_FALSE(cmd.build);
    const char* relative[] = {"larkspan", "a -build b.hpr", "-build"};
    cmd = larkspan::ParseCommandLine(3, relative);
    EXPECT_EQ(cmd.file, "a -build b.hpr");
    EXPECT_TRUE(cmd.build);

    const char* argv2[] = {"larkspan", "build", "my site.hpr", "second.tpl"};
    cmd = larkspan::ParseCommandLine(4, argv2);
    EXPECT_EQ(cmd.file, "build");
    EXPECT_FALSE(cmd.build);
    const char* argv4[] = {"larkspan", "/p", "page.tpl"};
    cmd = larkspan::ParseCommandLine(3, argv4);
    EXPECT_TRUE(cmd.print);
    EXPECT_EQ(cmd.file, "page.tpl");
    // A folder at the root is no file to open: "/tmp" stands in for a machine's /check folder.
    const char* folder[] = {"larkspan", "/tmp", "site.hpr"};
    cmd = larkspan::ParseCommandLine(3, folder);
    EXPECT_EQ(cmd.file, "site.hpr");
    EXPECT_EQ(cmd.ignored, (std::vector<std::string>{"/tmp"}));
    const char* argv3[] = {"larkspan", "--help"};
    EXPECT_TRUE(larkspan::ParseCommandLine(2, argv3).help);

    const char* serve[] = {"larkspan", "site.hpr", "/serve", "--port", "8080"};
    cmd = larkspan::ParseCommandLine(5, serve);
    EXPECT_TRUE(cmd.serve);
    EXPECT_EQ(cmd.port, 8080);
    EXPECT_EQ(cmd.file, "site.hpr");
    for (const char* bad : {"--port=0", "--port=65536", "--port=80x", "--port"}) {
        const char* args[] = {"larkspan", "-serve", bad};
        EXPECT_EQ(larkspan::ParseCommandLine(3, args).port, -1) << bad;
    }
}

TEST(CommandLine, ProjectFilesByExtensionInAnyCase) {
    EXPECT_TRUE(larkspan::IsProjectFile("a/site.hpr"));
    EXPECT_FALSE(larkspan::IsProjectFile("SITE.HPR")) << "the extension matches exactly";
    EXPECT_FALSE(larkspan::IsProjectFile("site.hpr.bak"));
    EXPECT_FALSE(larkspan::IsProjectFile("hpr"));
}

} // namespace
