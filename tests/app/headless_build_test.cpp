// The command-line build, run as the real program: exit status, messages and files.
#include "http_test_client.h"
#include "test_util.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <functional>
#include <poll.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <utime.h>

using testutil::Crlf;
using testutil::Exists;
using testutil::ReadBytes;
using testutil::WriteBytes;

namespace {

struct Result {
    int status = -1;
    std::string output; // standard output and standard error together
};

// A larkspan process started and not yet waited for.
struct Running {
    pid_t pid = -1;
    int output = -1;
};

// Starts larkspan with the arguments, with its settings under `home`, in `cwd`.
Running StartLarkspan(const std::vector<std::string>& args, const std::string& home,
                      const std::string& cwd) {
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) return {};
    pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(pipeFds[1], 1);
        ::dup2(pipeFds[1], 2);
        ::close(pipeFds[0]);
        ::close(pipeFds[1]);
        int devnull = ::open("/dev/null", O_RDONLY);
        ::dup2(devnull, 0);
        if (::chdir(cwd.c_str()) != 0) ::_exit(126);
        ::setenv("XDG_CONFIG_HOME", (home + "config").c_str(), 1);
        ::setenv("XDG_DATA_HOME", (home + "data").c_str(), 1);
        ::unsetenv("DISPLAY");
        ::unsetenv("WAYLAND_DISPLAY");
        ::unsetenv("QT_QPA_PLATFORM");
        std::vector<char*> argv;
        std::string exe = LARKSPAN_EXE;
        argv.push_back(exe.data());
        std::vector<std::string> copy = args;
        for (std::string& a : copy)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        ::execv(exe.c_str(), argv.data());
        ::_exit(127);
    }
    ::close(pipeFds[1]);
    return {pid, pipeFds[0]};
}

// Collects the output of a started larkspan and waits for its end.
Result FinishLarkspan(const Running& running) {
    Result r;
    if (running.pid < 0) return r;
    char buf[4096];
    ssize_t n;
    while ((n = ::read(running.output, buf, sizeof buf)) > 0)
        r.output.append(buf, static_cast<size_t>(n));
    ::close(running.output);
    int status = 0;
    ::waitpid(running.pid, &status, 0);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

Result RunLarkspan(const std::vector<std::string>& args, const std::string& home,
                   const std::string& cwd) {
    return FinishLarkspan(StartLarkspan(args, home, cwd));
}

class HeadlessBuild : public ::testing::Test {
protected:
    // A two-language site in a folder with a blank in its name.
    void WriteSite(const std::string& root) {
        WriteBytes(
            root + "site.hpr",
            Crlf("[Groups]\nGroupNumber=3\nGroup0=site.mcr\nGroup1=english.mcr\n"
                 "Group2=deutsch.mcr\n[Sources]\nSourceNumber=1\nSource0=pages\\index.tpl\n"));
        WriteBytes(root + "site.mcr", Crlf("{:Title:0:}\n<h1>{#Hello}</h1>\n"));
        WriteBytes(root + "english.mcr", Crlf("{:Hello:0:}\nHello\n"));
        WriteBytes(root + "deutsch.mcr", Crlf("{:Hello:0:}\nHallo\n"));
        WriteBytes(root + "pages/index.tpl", Crlf("{#Title}\n{#Missing}\n"));
    }
    Result Larkspan(const std::vector<std::string>& args) {
        return RunLarkspan(args, dir.path(), site);
    }

    testutil::TempDir dir;
    std::string site = dir / "my site/";
};

TEST_F(HeadlessBuild, BuildsEveryLanguageAndExitsZero) {
    WriteSite(site);
    Result r = Larkspan({"site.hpr", "/build"});
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(ReadBytes(site + "pages/english/index.htm"), Crlf("<h1>Hello</h1>\n\n"));
    EXPECT_EQ(ReadBytes(site + "pages/deutsch/index.htm"), Crlf("<h1>Hallo</h1>\n\n"));
    EXPECT_TRUE(Exists(site + "debug.txt"));
    EXPECT_NE(r.output.find("index.tpl\t(2) Warning: The macro \"Missing\" was not found."),
              std::string::npos)
        << r.output;
    EXPECT_NE(r.output.find("wrote      pages/english/index.htm"), std::string::npos) << r.output;

    // The dash form and an absolute path work alike; nothing is out of date now.
    struct utimbuf past {
        ::time(nullptr) - 100, ::time(nullptr) - 100
    };
    ::utime((site + "pages/index.tpl").c_str(), &past);
    r = Larkspan({"-build", site + "site.hpr"});
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("up to date pages/deutsch/index.htm"), std::string::npos) << r.output;

    // An upper-case extension is no project file: nothing is open, the build fails.
    std::filesystem::rename(site + "site.hpr", site + "SITE.HPR");
    r = Larkspan({"SITE.HPR", "/build"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("LS_NO_PROJECT"), std::string::npos) << r.output;
}

TEST_F(HeadlessBuild, FailuresExitNonZeroAndNameTheError) {
    WriteSite(site);
    struct Case {
        std::vector<std::string> args;
        std::string expected;
    };
    WriteBytes(site + "nosources.hpr", Crlf("[Groups]\nGroupNumber=1\nGroup0=site.mcr\n"));
    WriteBytes(site + "binary.hpr", std::string("\x7f"
                                                "ELF\0\1\2\3\xff\xfe",
                                                10));
    WriteBytes(site + "long.hpr", Crlf("[Groups]\nGroupNumber=1\nGroup0=" + std::string(300, 'g') +
                                       ".mcr\n[Sources]\nSourceNumber=1\nSource0=" +
                                       std::string(300, 's') + ".tpl\n"));
    std::string many = "[Groups]\nGroupNumber=1\nGroup0=site.mcr\n[Sources]\nSourceNumber=10000\n";
    for (int i = 0; i < 10000; ++i)
        many += "Source" + std::to_string(i) + "=pages\\index.tpl\n";
    WriteBytes(site + "many.hpr", Crlf(many));
    std::filesystem::create_directories(site + "folder.hpr");
    const Case cases[] = {
        {{"/build"}, "LS_NO_PROJECT"},
        {{"nosources.hpr", "/build"}, "LS_NO_SOURCES"},
        {{"binary.hpr", "/build"}, "LS_NO_PROJECT"},
        {{"long.hpr", "/build"}, "LS_INVALID"},
        {{"many.hpr", "/build"}, "LS_TOO_MANY_SOURCES"},
        {{"folder.hpr", "/build"}, "is a directory"},
        {{"absent.hpr", "/build"}, "no such file"},
    };
    for (const Case& c : cases) {
        Result r = Larkspan(c.args);
        EXPECT_NE(r.status, 0) << c.args[0];
        EXPECT_NE(r.output.find(c.expected), std::string::npos) << c.args[0] << ": " << r.output;
    }
    EXPECT_FALSE(Exists(site + "pages/english/index.htm")) << "nothing was built";
}

TEST_F(HeadlessBuild, AnUnwritableTargetIsNamed) {
    WriteSite(site);
    std::filesystem::create_directories(site + "pages/english/index.htm");
    Result r = Larkspan({"site.hpr", "/build"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("LS_BUILD_FAILED"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("cannot write"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find(site + "pages/english/index.htm"), std::string::npos) << r.output;
}

// A failed build says what it was building and why.
TEST_F(HeadlessBuild, FailuresNameTheTemplateLanguageAndReason) {
    WriteSite(site);
    WriteBytes(site + "english.mcr", Crlf("{:Hello:0:}\n{#Hello}\n"));
    Result r = Larkspan({"site.hpr", "/build"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("LS_BUILD_FAILED"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("failed while building pages/index.tpl for the language english"),
              std::string::npos)
        << r.output;
    EXPECT_NE(r.output.find("recursion depth"), std::string::npos) << r.output;
    EXPECT_FALSE(Exists(site + "debug.txt"));

    std::filesystem::remove(site + "pages/index.tpl");
    r = Larkspan({"site.hpr", "/build"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("failed while building pages/index.tpl"), std::string::npos)
        << r.output;
    EXPECT_NE(r.output.find("build failed (file not found)"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find(site + "pages/index.tpl"), std::string::npos) << r.output;
    EXPECT_FALSE(Exists(site + "pages/index.tpl")) << "not created";
}

// Two builds of one project at once both succeed, every time.
TEST_F(HeadlessBuild, TwoBuildsOfOneProjectAtOnce) {
    WriteSite(site);
    for (int round = 0; round < 50; ++round) {
        struct utimbuf future {
            ::time(nullptr) + 100, ::time(nullptr) + 100
        }; // every page out of date
        ::utime((site + "pages/index.tpl").c_str(), &future);
        const Running first = StartLarkspan({"site.hpr", "/build"}, dir.path(), site);
        const Running second = StartLarkspan({"site.hpr", "/build"}, dir.path(), site);
        const Result a = FinishLarkspan(first);
        const Result b = FinishLarkspan(second);
        ASSERT_EQ(a.status, 0) << "round " << round << ": " << a.output;
        ASSERT_EQ(b.status, 0) << "round " << round << ": " << b.output;
    }
    EXPECT_EQ(ReadBytes(site + "pages/english/index.htm"), Crlf("<h1>Hello</h1>\n\n"));
    size_t files = 0;
    for (auto& e : std::filesystem::recursive_directory_iterator(site))
        files += e.is_regular_file();
    EXPECT_EQ(files, 8u)
        << "the project, three macro files, the template, two pages, debug.txt: no temporary file";
}

// Reads what a running larkspan prints until `done` holds; false when 10 s pass first.
bool ReadUntil(const Running& running, std::string& output, const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        pollfd p{running.output, POLLIN, 0};
        if (::poll(&p, 1, 20) <= 0) continue;
        char buf[4096];
        const ssize_t n = ::read(running.output, buf, sizeof buf);
        if (n <= 0) return done();
        output.append(buf, static_cast<size_t>(n));
    }
    return true;
}

// Reads what a running larkspan printed until `needle` appears after `from`.
bool WaitForOutput(const Running& running, std::string& output, const std::string& needle,
                   size_t from = 0) {
    return ReadUntil(running, output,
                     [&] { return output.find(needle, from) != std::string::npos; });
}

void SetPast(const std::string& path) {
    struct utimbuf past {
        ::time(nullptr) - 100, ::time(nullptr) - 100
    };
    ::utime(path.c_str(), &past);
}

// A site with two templates: index uses Hello and links to about's anchors.
void WriteLinkedSite(const std::string& root) {
    WriteBytes(root + "site.hpr",
               Crlf("[Groups]\nGroupNumber=3\nGroup0=site.mcr\nGroup1=english.mcr\n"
                    "Group2=deutsch.mcr\n[Sources]\nSourceNumber=2\nSource0=pages\\index.tpl\n"
                    "Source1=pages\\about.tpl\n"));
    WriteBytes(root + "site.mcr", "");
    WriteBytes(root + "english.mcr", Crlf("{:Hello:0:}\nHello\n{:Extra:0:}\nmore\n"));
    WriteBytes(root + "deutsch.mcr", Crlf("{:Hello:0:}\nHallo\n"));
    WriteBytes(root + "pages/index.tpl",
               Crlf("<h1 id=\"top\">{#Hello}</h1>\n<a href=\"about.htm#team\">good</a>\n"
                    "<a href=\"about.htm#nobody\">bad fragment</a>\n<img src=\"missing.png\">\n"
                    "<a href=\"http://example.com/x.htm\">external</a> <a href=\"\">empty</a>\n"
                    "<a href=\"sub/\">folder</a> <a href=\"#top\">up</a> <p style=\"background: "
                    "url('../back.png')\">\n"));
    WriteBytes(root + "pages/about.tpl", Crlf("<p id=\"team\">the team</p>\n"));
    WriteBytes(root + "pages/back.png", "png");
    for (const char* language : {"english", "deutsch"})
        WriteBytes(root + "pages/" + language + "/sub/index.htm", "x");
}

TEST_F(HeadlessBuild, TheSiteCheckFindsBrokenLinksFragmentsAndMissingMacros) {
    WriteLinkedSite(site);
    Result r = Larkspan({"site.hpr", "/check"});
    EXPECT_EQ(r.status, 1) << r.output;
    for (const char* language : {"english", "deutsch"}) {
        const std::string page = std::string("pages/") + language + "/index.htm\t";
        EXPECT_NE(
            r.output.find(page +
                          "(3) from pages/index.tpl (3): Error: link to about.htm#nobody: pages/" +
                          language + "/about.htm has no anchor \"nobody\""),
            std::string::npos)
            << r.output;
        EXPECT_NE(r.output.find(page + "(4) from pages/index.tpl (4): Error: link to missing.png, "
                                       "a file that does not exist"),
                  std::string::npos);
    }
    EXPECT_NE(r.output.find(
                  "{#Extra}\t(1) Error: the macro is defined for english but missing for deutsch"),
              std::string::npos)
        << r.output;
    EXPECT_NE(r.output.find("5 problem(s) found"), std::string::npos) << r.output;

    // Mended, the site checks clean.
    WriteBytes(site + "deutsch.mcr", Crlf("{:Hello:0:}\nHallo\n{:Extra:0:}\nmehr\n"));
    WriteBytes(site + "pages/index.tpl", Crlf("<a href=\"about.htm#team\">good</a>\n"));
    r = Larkspan({"site.hpr", "-check"});
    EXPECT_EQ(r.status, 0) << r.output;
}

// Links that climb above the project's folder are reported as leaving the site and never
// followed, whatever lies there; bytes from pages reach the terminal escaped, on /check,
// /build and --watch alike.
TEST_F(HeadlessBuild, TheSiteCheckStaysInTheSiteAndPrintsPageBytesEscaped) {
    WriteLinkedSite(site);
    WriteBytes(dir / "secret.txt", "beside the site");
    WriteBytes(dir / "outside.htm", "<p id=\"x\">");
    std::string up;
    for (int i = 0; i < 20; ++i)
        up += "../";
    WriteBytes(site + "pages/index.tpl",
               Crlf("<a href=\"" + up + dir.path().substr(1) +
                    "secret.txt\"> <a href=\"/../secret.txt\">\n"
                    "<a href=\"../../../outside.htm#nobody\"> <a href=\"index.htm%00junk\">\n"
                    "<p>{#No\x1b]0;pwned\x07Such}</p> <a href=\"x\x1b[2J.htm\">\n"));
    Result r = Larkspan({"site.hpr", "/check"});
    EXPECT_EQ(r.status, 1) << r.output;
    const std::string page = "pages/english/index.htm\t";
    for (const std::string& finding :
         {"(1) from pages/index.tpl (1): Error: link to " + up + dir.path().substr(1) +
              "secret.txt, which leaves the site",
          std::string(
              "(1) from pages/index.tpl (1): Error: link to /../secret.txt, which leaves the site"),
          std::string("(2) from pages/index.tpl (2): Error: link to ../../../outside.htm#nobody, "
                      "which leaves the site"),
          std::string("(2) from pages/index.tpl (2): Error: link to index.htm%00junk, a file that "
                      "does not exist"),
          std::string("(3) from pages/index.tpl (3): Error: link to x\\x1B[2J.htm, a file that "
                      "does not exist")})
        EXPECT_NE(r.output.find(page + finding), std::string::npos) << finding << "\n" << r.output;
    EXPECT_EQ(r.output.find(dir / "outside.htm"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("The macro \"No\\x1B]0;pwned\\x07Such\" was not found."),
              std::string::npos)
        << r.output;
    EXPECT_EQ(r.output.find_first_of("\x1b\x07\xff"), std::string::npos) << r.output;

    r = Larkspan({"site.hpr", "/build"});
    EXPECT_NE(r.output.find("No\\x1B]0;pwned\\x07Such"), std::string::npos) << r.output;
    EXPECT_EQ(r.output.find_first_of("\x1b\x07\xff"), std::string::npos) << r.output;

    const Running running = StartLarkspan({"site.hpr", "/build", "--watch"}, dir.path(), site);
    std::string out;
    ASSERT_TRUE(WaitForOutput(running, out, "Watching")) << out;
    const size_t from = out.size();
    WriteBytes(site + "pages/index.tpl", Crlf("{#W\x1b\x07\xc2\x9b\xffx}\n"));
    ASSERT_TRUE(WaitForOutput(running, out, "Built 2 page(s)", from)) << out;
    ::kill(running.pid, SIGINT);
    out += FinishLarkspan(running).output;
    EXPECT_NE(out.find("The macro \"W\\x1B\\x07\\xC2\\x9B\\xFFx\" was not found.", from),
              std::string::npos)
        << out;
    EXPECT_EQ(out.find_first_of("\x1b\x07\x9b\xff"), std::string::npos) << out;
}

TEST_F(HeadlessBuild, WatchRebuildsWhatChangedUntilInterrupted) {
    WriteLinkedSite(site);
    const Running running = StartLarkspan({"site.hpr", "/build", "--watch"}, dir.path(), site);
    std::string out;
    ASSERT_TRUE(WaitForOutput(running, out, "Watching")) << out;
    for (const char* f : {"pages/index.tpl", "pages/about.tpl", "english.mcr", "deutsch.mcr"})
        SetPast(site + f);

    // A template saved through a temporary file and a rename: its pages, and only those.
    size_t from = out.size();
    WriteBytes(site + "pages/.about.tmp", Crlf("<p id=\"team\">our team</p>\n"));
    std::filesystem::rename(site + "pages/.about.tmp", site + "pages/about.tpl");
    ASSERT_TRUE(WaitForOutput(running, out, "Built 2 page(s), 2 written", from)) << out;
    EXPECT_NE(out.find("wrote      pages/deutsch/about.htm", from), std::string::npos) << out;
    EXPECT_EQ(out.find("index.htm", from), std::string::npos) << out;
    EXPECT_EQ(ReadBytes(site + "pages/english/about.htm"), Crlf("<p id=\"team\">our team</p>\n"));
    SetPast(site + "pages/about.tpl");

    // A macro changed: the project is read again; only the page that uses it is written.
    from = out.size();
    WriteBytes(site + "english.mcr",
               Crlf("{:Hello:" + std::to_string(::time(nullptr) + 10) + ":}\nHi\n"));
    ASSERT_TRUE(WaitForOutput(running, out, "1 written", from)) << out;
    EXPECT_NE(out.find("wrote      pages/english/index.htm", from), std::string::npos) << out;
    // Edited by hand, its time left as it was: the changed text still counts.
    from = out.size();
    WriteBytes(site + "deutsch.mcr", Crlf("{:Hello:0:}\nServus\n"));
    ASSERT_TRUE(WaitForOutput(running, out, "written; build log", from)) << out;
    EXPECT_NE(out.find("wrote      pages/deutsch/index.htm", from), std::string::npos) << out;
    EXPECT_EQ(ReadBytes(site + "deutsch.mcr"), Crlf("{:Hello:0:}\nServus\n"))
        << "the file is not rewritten";

    // A failed build is reported and watching goes on.
    from = out.size();
    std::filesystem::remove(site + "pages/index.tpl");
    ASSERT_TRUE(WaitForOutput(running, out, "cannot read", from)) << out;
    WriteBytes(site + "pages/index.tpl", Crlf("back\n"));
    ASSERT_TRUE(WaitForOutput(running, out, "Built 2 page(s), 2 written", from)) << out;
    EXPECT_EQ(ReadBytes(site + "pages/deutsch/index.htm"), Crlf("back\n"));

    ::kill(running.pid, SIGINT);
    const Result r = FinishLarkspan(running);
    EXPECT_EQ(r.status, 0) << out << r.output;
}

TEST_F(HeadlessBuild, ServeAnnouncesEachSavedTemplatesPagesAndEndsOnCtrlC) {
    WriteSite(site);
    const Running running =
        StartLarkspan({"site.hpr", "/serve", "--port", "8790"}, dir.path(), site);
    std::string out;
    ASSERT_TRUE(WaitForOutput(running, out, "Watching")) << out;
    const size_t at = out.find(" at http://127.0.0.1:");
    ASSERT_NE(at, std::string::npos) << out;
    const int port = std::stoi(out.substr(at + 21));
    EXPECT_GE(port, 8790); // the next free port when 8790 is taken
    const std::string page = testhttp::Send(
        port, "GET /pages/deutsch/index.htm HTTP/1.1\r\nHost: localhost:" + std::to_string(port) +
                  "\r\n\r\n");
    EXPECT_NE(page.find("<h1>Hallo</h1>"), std::string::npos) << page;
    EXPECT_NE(page.find("larkspan live reload"), std::string::npos) << page;
    EXPECT_NE(testhttp::Send(port, "GET / HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) +
                                       "\r\n\r\n")
                  .find("<a href=\"/pages/english/index.htm\">english</a>"),
              std::string::npos);

    const int events = testhttp::Connect(port);
    const std::string listen = "GET /.larkspan/events?v=0&page=/pages/deutsch/index.htm "
                               "HTTP/1.1\r\nHost: 127.0.0.1:" +
                               std::to_string(port) + "\r\n\r\n";
    ::send(events, listen.data(), listen.size(), MSG_NOSIGNAL);
    EXPECT_NE(testhttp::ReadUntil(events, "event-stream").find("200 OK"), std::string::npos);
    const size_t from = out.size();
    WriteBytes(site + "pages/index.tpl", Crlf("{#Title}\n<p>saved</p>\n"));
    const std::string got = testhttp::ReadUntil(events, "event: reload", 10000);
    EXPECT_NE(got.find("event: reload"), std::string::npos) << got;
    ASSERT_TRUE(WaitForOutput(running, out, "Built 2 page(s), 2 written", from)) << out;
    EXPECT_EQ(ReadBytes(site + "pages/deutsch/index.htm"), Crlf("<h1>Hallo</h1>\n<p>saved</p>\n"))
        << "the script is added to answers, never to files";
    ::kill(running.pid, SIGINT);
    const Result r = FinishLarkspan(running);
    EXPECT_EQ(r.status, 0) << out << r.output;
    ::close(events);
}

// The macros go to translators as PO files and come back: what is exported passes
// msgfmt --check; an import without edits changes no byte; an edited entry changes exactly
// its macro, and the next build exactly the pages using it; what cannot be stored is named.
TEST_F(HeadlessBuild, PoFilesGoToTranslatorsAndComeBack) {
    WriteSite(site);
    WriteBytes(site + "english.mcr", Crlf("{:Hello:0:}\nHello\n{:Lines:0:}\none\ntwo\n"));
    WriteBytes(site + "deutsch.mcr", Crlf("{:Hello:0:}\nGr\xfc\xdf Gott\n")); // Windows-1252
    WriteBytes(site + "pages/about.tpl", Crlf("<p>{#Lines}</p>\n"));
    WriteBytes(site + "site.hpr",
               Crlf("[Groups]\nGroupNumber=3\nGroup0=site.mcr\nGroup1=english.mcr\n"
                    "Group2=deutsch.mcr\n[Sources]\nSourceNumber=2\nSource0=pages\\index.tpl\n"
                    "Source1=pages\\about.tpl\n"));
    // Written by the saving rule: a name planted beside the files is never written through.
    WriteBytes(site + "victim.txt", "untouched");
    std::filesystem::create_directories(site + "po");
    std::filesystem::create_symlink(site + "victim.txt", site + "po/.deutsch.po.tmp");
    Result r = Larkspan({"site.hpr", "/export-po", "po"});
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(ReadBytes(site + "victim.txt"), "untouched");
    for (const char* po : {"po/english.po", "po/deutsch.po"})
        EXPECT_EQ(std::system(("msgfmt --check -o /dev/null '" + site + po + "'").c_str()), 0)
            << po;
    const std::string de = ReadBytes(site + "po/deutsch.po");
    EXPECT_NE(de.find("msgctxt \"Hello\"\nmsgid \"Hello\"\nmsgstr \"Gr\xc3\xbc\xc3\x9f Gott\""),
              std::string::npos)
        << de;
    EXPECT_NE(de.find("#. macro Lines, used in: pages/about.tpl\nmsgctxt \"Lines\"\nmsgid \"\"\n"
                      "\"one\\n\"\n\"two\"\nmsgstr \"\""),
              std::string::npos)
        << de;
    EXPECT_NE(de.find("Language: deutsch"), std::string::npos);

    ASSERT_EQ(Larkspan({"site.hpr", "/build"}).status, 0);
    for (const char* f : {"pages/index.tpl", "pages/about.tpl", "english.mcr", "deutsch.mcr"})
        SetPast(site + f);
    const std::string english = ReadBytes(site + "english.mcr");
    const std::string deutsch = ReadBytes(site + "deutsch.mcr");
    r = Larkspan({"site.hpr", "/import-po", "po"});
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(ReadBytes(site + "english.mcr"), english);
    EXPECT_EQ(ReadBytes(site + "deutsch.mcr"), deutsch);

    std::string edited = de;
    edited.replace(edited.find("Gr\xc3\xbc\xc3\x9f Gott"), 11, "Servus \xe2\x82\xac");
    WriteBytes(site + "po/deutsch.po", edited);
    r = Larkspan({"site.hpr", "/import-po", "po"});
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(ReadBytes(site + "english.mcr"), english);
    EXPECT_NE(ReadBytes(site + "deutsch.mcr").find("\r\nServus \x80\r\n"), std::string::npos)
        << "stored in the file's own encoding";
    r = Larkspan({"site.hpr", "/build"});
    EXPECT_NE(r.output.find("Built 4 page(s), 1 written"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("wrote      pages/deutsch/index.htm"), std::string::npos) << r.output;

    // Fuzzy, for no macro of the project, and not encodable: named by file and line.
    WriteBytes(site + "po/deutsch.po",
               edited + "\n#, fuzzy\nmsgctxt \"Lines\"\nmsgid \"x\"\nmsgstr \"eins\"\n\n"
                        "msgctxt \"Nowhere\"\nmsgid \"a\"\nmsgstr \"b\"\n");
    WriteBytes(site + "po/english.po",
               "msgctxt \"Hello\"\nmsgid \"Hello\"\nmsgstr \"Hell\xc5\x91\"\n");
    WriteBytes(site + "english.mcr", Crlf("{:Hello:0:}\nHello \xe4\n{:Lines:0:}\none\ntwo\n"));
    r = Larkspan({"site.hpr", "/import-po", "po"});
    EXPECT_EQ(r.status, 1) << r.output;
    EXPECT_NE(r.output.find("po/english.po:1: \"Hello\" not stored: a character"),
              std::string::npos)
        << r.output;
    EXPECT_NE(r.output.find("deutsch.po:"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("\"Lines\" not stored: marked fuzzy"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("\"Nowhere\" not stored: no language"), std::string::npos) << r.output;
    WriteBytes(site + "po/deutsch.po", "msgid \"unclosed\n");
    r = Larkspan({"site.hpr", "/import-po", "po"});
    EXPECT_EQ(r.status, 1) << r.output;
    EXPECT_NE(r.output.find("nothing of deutsch stored"), std::string::npos) << r.output;
}

// Watch scenarios, each a table of steps on one running watch: what is done to the site,
// then what the watch prints and what a file holds afterwards.
const std::string kNoFile = "(no file)";

struct WatchStep {
    const char* what;
    std::function<void(const std::string& site)> act;
    std::string printed = {}; // printed after the step began ("" none)
    std::string file = {};    // a file of the site ("" none) ...
    std::string bytes = {};   // ... that comes to hold these bytes (kNoFile: that does not exist)
};

// A site of three templates; link.tpl is a link to a template in another folder.
void WriteWatchedSite(const std::string& root) {
    WriteBytes(root + "site.hpr",
               Crlf("[Groups]\nGroupNumber=3\nGroup0=site.mcr\nGroup1=english.mcr\n"
                    "Group2=deutsch.mcr\n[Sources]\nSourceNumber=3\nSource0=pages\\index.tpl\n"
                    "Source1=pages\\about.tpl\nSource2=pages\\link.tpl\n"));
    WriteBytes(root + "site.mcr", Crlf("{:Title:0:}\nSite\n"));
    WriteBytes(root + "english.mcr", Crlf("{:Hello:0:}\nHello\n{:Extra:0:}\nmore\n"));
    WriteBytes(root + "deutsch.mcr", Crlf("{:Hello:0:}\nHallo\n{:Extra:0:}\nmehr\n"));
    WriteBytes(root + "pages/index.tpl", Crlf("<h1>{#Hello}</h1>\n"));
    WriteBytes(root + "pages/about.tpl", Crlf("<p>{#Extra}</p>\n"));
    WriteBytes(root + "shared/real.tpl", Crlf("linked {#Title}\n"));
    std::filesystem::create_symlink("../shared/real.tpl", root + "pages/link.tpl");
    // Older than the pages the first build writes, so that those are up to date.
    for (const char* f : {"site.mcr", "english.mcr", "deutsch.mcr", "pages/index.tpl",
                          "pages/about.tpl", "shared/real.tpl"})
        SetPast(root + f);
}

std::string BytesOrNoFile(const std::string& path) {
    return Exists(path) ? ReadBytes(path) : kNoFile;
}

// Runs the steps on a watch of `site`; stops at the first step that fails.
void RunWatchSteps(const std::string& home, const std::string& site,
                   const std::vector<WatchStep>& steps) {
    const Running running = StartLarkspan({"site.hpr", "/build", "--watch"}, home, site);
    std::string out;
    ASSERT_TRUE(WaitForOutput(running, out, "Watching")) << out;
    for (const WatchStep& step : steps) {
        const size_t from = out.size();
        step.act(site);
        bool ok = step.printed.empty() || WaitForOutput(running, out, step.printed, from);
        EXPECT_TRUE(ok) << step.what << ": \"" << step.printed << "\" not printed:\n"
                        << out.substr(from);
        if (ok && !step.file.empty()) {
            ok = ReadUntil(running, out,
                           [&] { return BytesOrNoFile(site + step.file) == step.bytes; });
            EXPECT_EQ(BytesOrNoFile(site + step.file), step.bytes) << step.what << ":\n"
                                                                   << out.substr(from);
        }
        if (!ok) break;
    }
    ::kill(running.pid, SIGINT);
    const Result r = FinishLarkspan(running);
    EXPECT_EQ(r.status, 0) << out << r.output;
}

// Removes a folder that a running build may still be writing in.
void RemoveAll(const std::string& path) {
    std::error_code ec;
    for (int tries = 0; tries < 100 && (std::filesystem::remove_all(path, ec), ec); ++tries)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

// Writes a file through a temporary file renamed over it, as editors save.
void SaveAs(const std::string& path, const std::string& bytes) {
    WriteBytes(path + ".tmp~", bytes);
    std::filesystem::rename(path + ".tmp~", path);
}

TEST_F(HeadlessBuild, WatchFollowsFoldersThatComeBackLinksAndTheProjectFile) {
    WriteWatchedSite(site);
    RunWatchSteps(
        dir.path(), site,
        {
            {"the target of a linked template saved, in another folder",
             [](const std::string& s) { SaveAs(s + "shared/real.tpl", Crlf("linked again\n")); },
             "", "pages/english/link.htm", Crlf("linked again\n")},
            {"the template folder removed and put back, as a checkout does",
             [](const std::string& s) {
                 RemoveAll(s + "pages");
                 WriteBytes(s + "pages/index.tpl", Crlf("<h1>{#Hello}!</h1>\n"));
                 WriteBytes(s + "pages/about.tpl", Crlf("<p>{#Extra}</p>\n"));
                 std::filesystem::create_symlink("../shared/real.tpl", s + "pages/link.tpl");
             },
             "", "pages/deutsch/index.htm", Crlf("<h1>Hallo!</h1>\n")},
            {"a template in the folder that came back, edited",
             [](const std::string& s) {
                 WriteBytes(s + "pages/index.tpl", Crlf("<h1>{#Hello}?</h1>\n"));
             },
             "", "pages/english/index.htm", Crlf("<h1>Hello?</h1>\n")},
            {"the template folder moved away",
             [](const std::string& s) { std::filesystem::rename(s + "pages", s + "pages.away"); },
             "build failed (file not found)"},
            {"and moved back, a template edited meanwhile",
             [](const std::string& s) {
                 WriteBytes(s + "pages.away/index.tpl", Crlf("<h1>{#Hello}:</h1>\n"));
                 std::filesystem::rename(s + "pages.away", s + "pages");
             },
             "", "pages/english/index.htm", Crlf("<h1>Hello:</h1>\n")},
            {"the project file renamed away",
             [](const std::string& s) {
                 std::filesystem::rename(s + "site.hpr", s + "site.hpr.away");
             },
             "site.hpr: no such file"},
            {"a template edited while it is away",
             [](const std::string& s) {
                 WriteBytes(s + "pages/about.tpl", Crlf("<p>{#Extra}.</p>\n"));
             },
             "site.hpr: no such file", "pages/english/about.htm", Crlf("<p>more</p>\n")},
            {"the project file back",
             [](const std::string& s) {
                 std::filesystem::rename(s + "site.hpr.away", s + "site.hpr");
             },
             "", "pages/english/about.htm", Crlf("<p>more.</p>\n")},
        });
}

TEST_F(HeadlessBuild, WatchHandEditsRemovalsAndNewFolders) {
    WriteWatchedSite(site);
    RunWatchSteps(
        dir.path(), site,
        {
            {"a macro deleted by hand, the stamps of the rest kept",
             [](const std::string& s) {
                 WriteBytes(s + "english.mcr", Crlf("{:Hello:0:}\nHello\n"));
             },
             "Built 6 page(s), 1 written;", "pages/english/about.htm", Crlf("<p></p>\n")},
            {"a macro removed from the basis file",
             [](const std::string& s) { WriteBytes(s + "site.mcr", ""); },
             "Built 6 page(s), 2 written;", "pages/deutsch/link.htm", Crlf("linked \n")},
            {"a macro file emptied",
             [](const std::string& s) { WriteBytes(s + "deutsch.mcr", ""); }, "",
             "pages/deutsch/index.htm", Crlf("<h1></h1>\n")},
            {"a macro file deleted",
             [](const std::string& s) { std::filesystem::remove(s + "english.mcr"); },
             "english.mcr: no such file", "english.mcr", kNoFile},
            {"a template edited while it is missing",
             [](const std::string& s) {
                 WriteBytes(s + "pages/index.tpl", Crlf("<h2>{#Hello}</h2>\n"));
             },
             "english.mcr: no such file", "english.mcr", kNoFile},
            {"the macro file back",
             [](const std::string& s) { WriteBytes(s + "english.mcr", Crlf("{:Hello:0:}\nHi\n")); },
             "", "pages/english/index.htm", Crlf("<h2>Hi</h2>\n")},
            {"a macro file replaced by a folder",
             [](const std::string& s) {
                 std::filesystem::remove(s + "deutsch.mcr");
                 std::filesystem::create_directory(s + "deutsch.mcr");
             },
             "deutsch.mcr is a directory"},
            {"a template edited meanwhile",
             [](const std::string& s) {
                 WriteBytes(s + "pages/about.tpl", Crlf("<p>{#Extra}.</p>\n"));
             },
             "deutsch.mcr is a directory"},
            {"a file again",
             [](const std::string& s) {
                 std::filesystem::remove(s + "deutsch.mcr");
                 WriteBytes(s + "deutsch.mcr", Crlf("{:Extra:0:}\nmehr\n"));
             },
             "", "pages/deutsch/about.htm", Crlf("<p>mehr.</p>\n")},
            {"a template in a new folder added to the project file",
             [](const std::string& s) {
                 WriteBytes(s + "extra/sub/new.tpl", Crlf("new {#Hello}\n"));
                 SaveAs(s + "site.hpr",
                        Crlf("[Groups]\nGroupNumber=3\nGroup0=site.mcr\nGroup1=english.mcr\n"
                             "Group2=deutsch.mcr\n[Sources]\nSourceNumber=2\n"
                             "Source0=pages\\index.tpl\nSource1=extra\\sub\\new.tpl\n"));
             },
             "", "extra/sub/english/new.htm", Crlf("new Hi\n")},
            {"that template edited",
             [](const std::string& s) {
                 WriteBytes(s + "extra/sub/new.tpl", Crlf("newer {#Hello}\n"));
             },
             "", "extra/sub/english/new.htm", Crlf("newer Hi\n")},
            {"its folder removed, nothing else watched around it",
             [](const std::string& s) { RemoveAll(s + "extra/sub"); }, "extra/sub/new.tpl"},
            {"its folder back",
             [](const std::string& s) {
                 WriteBytes(s + "extra/sub/new.tpl", Crlf("back {#Hello}\n"));
             },
             "", "extra/sub/english/new.htm", Crlf("back Hi\n")},
            {"its folder moved away and another moved in, as a sync tool does",
             [](const std::string& s) {
                 WriteBytes(s + "extra/sub.new/new.tpl", Crlf("synced {#Hello}\n"));
                 std::filesystem::rename(s + "extra/sub", s + "extra/sub.old");
                 std::filesystem::rename(s + "extra/sub.new", s + "extra/sub");
             },
             "", "extra/sub/english/new.htm", Crlf("synced Hi\n")},
            {"a template edited in the folder moved in",
             [](const std::string& s) {
                 WriteBytes(s + "extra/sub/new.tpl", Crlf("again {#Hello}\n"));
             },
             "", "extra/sub/english/new.htm", Crlf("again Hi\n")},
            {"a template put back from a backup, with its older time",
             [](const std::string& s) {
                 WriteBytes(s + "pages/.index.tmp", Crlf("<h3>{#Hello}</h3>\n"));
                 SetPast(s + "pages/.index.tmp");
                 std::filesystem::rename(s + "pages/.index.tmp", s + "pages/index.tpl");
             },
             "", "pages/english/index.htm", Crlf("<h3>Hi</h3>\n")},
        });
}

// A file written on and on is still built, while the writes go on.
TEST_F(HeadlessBuild, WatchBuildsWhileAFileIsWrittenOnAndOn) {
    WriteWatchedSite(site);
    const Running running = StartLarkspan({"site.hpr", "/build", "--watch"}, dir.path(), site);
    std::string out;
    ASSERT_TRUE(WaitForOutput(running, out, "Watching")) << out;
    std::atomic<bool> stop{false};
    std::thread writer([&] {
        while (!stop) {
            std::ofstream(site + "english.mcr", std::ios::binary | std::ios::app) << "more\r\n";
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    });
    const bool built = ReadUntil(running, out, [&] {
        return ReadBytes(site + "pages/english/about.htm").find("more\r\nmore") !=
               std::string::npos;
    });
    stop = true;
    writer.join();
    EXPECT_TRUE(built) << out;
    ::kill(running.pid, SIGINT);
    EXPECT_EQ(FinishLarkspan(running).status, 0);
}

// Whether a temporary file of a page is in `folder`.
bool TemporaryIn(const std::string& folder) {
    if (!std::filesystem::is_directory(folder)) return false;
    for (auto& e : std::filesystem::directory_iterator(folder))
        if (e.path().filename().string().find(".larkspan-tmp") != std::string::npos) return true;
    return false;
}

// A large page that takes a while: a template of 5 MB, each line eight macros deep.
void WriteSlowSite(const std::string& root) {
    WriteBytes(
        root + "site.hpr",
        Crlf("[Groups]\nGroupNumber=2\nGroup0=site.mcr\nGroup1=english.mcr\n"
             "[Sources]\nSourceNumber=2\nSource0=pages\\big.tpl\nSource1=pages\\small.tpl\n"));
    WriteBytes(root + "site.mcr",
               Crlf("{:Big:0:}\n{#X}{#X}{#X}{#X}{#X}{#X}{#X}{#X}\n{:X:0:}\nab\n"));
    WriteBytes(root + "english.mcr", "");
    std::string text;
    while (text.size() < (5u << 20))
        text += "{#Big}\n";
    WriteBytes(root + "pages/big.tpl", text);
    WriteBytes(root + "pages/small.tpl", "small\n");
    WriteBytes(root + "pages/english/big.htm", "previous");
    WriteBytes(root + "pages/english/small.htm", "previous");
    SetPast(root + "pages/english/big.htm");
    SetPast(root + "pages/english/small.htm");
}

// SIGINT or SIGTERM during a build, plain or the first of a watch: the page being written
// is abandoned (no temporary file, the old content kept), the status says which signal,
// and the journal leaves the page to the next build.
TEST_F(HeadlessBuild, ASignalStopsTheBuildAndLeavesTheRestToTheNext) {
    const struct {
        int signal;
        bool watch;
        int status;
    } cases[] = {{SIGTERM, false, 143}, {SIGINT, false, 130}, {SIGINT, true, 130}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.signal) + (c.watch ? " watch" : ""));
        WriteSlowSite(site);
        std::vector<std::string> args = {"site.hpr", "/build"};
        if (c.watch) args.push_back("--watch");
        const Running running = StartLarkspan(args, dir.path(), site);
        for (int waited = 0; !TemporaryIn(site + "pages/english") && waited < 20000; ++waited)
            ::usleep(500);
        ::kill(running.pid, c.signal);
        const Result r = FinishLarkspan(running);
        EXPECT_EQ(r.status, c.status) << r.output;
        EXPECT_NE(r.output.find("build interrupted"), std::string::npos) << r.output;
        EXPECT_FALSE(TemporaryIn(site + "pages/english"));
        EXPECT_EQ(ReadBytes(site + "pages/english/big.htm"), "previous");
        EXPECT_TRUE(Exists(site + ".larkspan-journal"));
        const Result next = Larkspan({"site.hpr", "/build"});
        EXPECT_EQ(next.status, 0) << next.output;
        EXPECT_NE(next.output.find("2 written"), std::string::npos) << next.output;
        EXPECT_FALSE(Exists(site + ".larkspan-journal"));
    }
}

// A watch killed while it rebuilds the pages of a macro file edited by hand (its stamps kept
// as they were): the next plain build still rebuilds them.
TEST_F(HeadlessBuild, AKilledWatchLeavesNoPageTheNextBuildTrusts) {
    const int pages = 100; // in two languages
    std::string hpr =
        "[Groups]\nGroupNumber=3\nGroup0=site.mcr\nGroup1=english.mcr\nGroup2=deutsch.mcr\n"
        "[Sources]\nSourceNumber=" +
        std::to_string(pages) + "\n";
    std::string text;
    for (int i = 0; i < 3000; ++i)
        text += "<p>{#Hello} and more text</p>\n";
    for (int i = 0; i < pages; ++i) {
        hpr += "Source" + std::to_string(i) + "=pages\\p" + std::to_string(100 + i) + ".tpl\n";
        WriteBytes(site + "pages/p" + std::to_string(100 + i) + ".tpl", text);
    }
    WriteBytes(site + "site.hpr", Crlf(hpr));
    // Macros in macros: the rebuild takes a while.
    const std::string more = "{#W}{#W}{#W}{#W}{#W}{#W}{#W}{#W}\n";
    WriteBytes(site + "site.mcr", Crlf("{:W:0:}\nw\n"));
    WriteBytes(site + "english.mcr", Crlf("{:Hello:0:}\nHello" + more));
    WriteBytes(site + "deutsch.mcr", Crlf("{:Hello:0:}\nHallo" + more));
    const Running running = StartLarkspan({"site.hpr", "/build", "--watch"}, dir.path(), site);
    const std::string first = site + "pages/english/p100.htm";
    std::string out;
    ASSERT_TRUE(WaitForOutput(running, out, "Watching")) << out;
    WriteBytes(site + "english.mcr", Crlf("{:Hello:0:}\nServus" + more));
    for (const time_t end = ::time(nullptr) + 60;
         ReadBytes(first).find("Servus") == std::string::npos;) {
        if (::time(nullptr) > end) break;
        ::usleep(200);
    }
    ::kill(running.pid, SIGKILL);
    FinishLarkspan(running);
    ASSERT_NE(ReadBytes(first).find("Servus"), std::string::npos);
    const Result r = Larkspan({"site.hpr", "/build"});
    EXPECT_EQ(r.status, 0) << r.output;
    for (int i = 0; i < pages; ++i) {
        const std::string page = site + "pages/english/p" + std::to_string(100 + i) + ".htm";
        EXPECT_EQ(ReadBytes(page).find("Hello"), std::string::npos) << page;
    }
}

TEST_F(HeadlessBuild, HelpVersionAndNoBuildSwitch) {
    std::filesystem::create_directories(site);
    Result r = Larkspan({"--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.output.find("Usage: larkspan"), std::string::npos);
    r = Larkspan({"--version"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.output.find("Larkspan PLUS"), std::string::npos);
    r = Larkspan({"site.hpr", "--watch"});
    EXPECT_EQ(r.status, 2) << "--watch goes with /build";
    EXPECT_NE(r.output.find("--watch goes with /build"), std::string::npos) << r.output;
    for (const char* build : {"/build", "/check"}) {
        r = Larkspan({"site.hpr", build, "/check", "--watch"}); // the check is not left out unsaid
        EXPECT_EQ(r.status, 2) << build;
        EXPECT_NE(r.output.find("/check does not go with --watch"), std::string::npos) << r.output;
    }
    r = Larkspan({"build"}); // the bare word is no switch: the window, which needs a display
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("no display"), std::string::npos) << r.output;
}

TEST_F(HeadlessBuild, HugeAndOddInputsAreHandled) {
    WriteSite(site);
    // A 50 MB macro file that is not a macro file: refused, and left as it was.
    std::string junk(50u << 20, 'j');
    for (size_t i = 80; i < junk.size(); i += 81)
        junk[i] = '\n';
    WriteBytes(site + "english.mcr", junk);
    Result r = Larkspan({"site.hpr", "/build"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("LS_INVALID"), std::string::npos) << r.output;
    EXPECT_EQ(ReadBytes(site + "english.mcr").size(), junk.size());
    junk.clear();
    junk.shrink_to_fit();

    // A 50 MB macro that is well formed builds; so does a template of 10 MB on one line.
    std::string big = "{:Hello:0:}\n" + std::string(50u << 20, 'h') + "\n";
    WriteBytes(site + "english.mcr", big);
    big.clear();
    big.shrink_to_fit();
    WriteBytes(site + "pages/index.tpl", std::string(10u << 20, 'x') + "{#Title}");
    r = Larkspan({"site.hpr", "/build"});
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(std::filesystem::file_size(site + "pages/english/index.htm"),
              (10u << 20) + (50u << 20) + 9);

    // Group names and folders with bytes 0x80..0xFF.
    std::string odd = dir / "caf\xE9 \xFF/";
    WriteSite(odd);
    WriteBytes(odd + "site.hpr",
               Crlf("[Groups]\nGroupNumber=2\nGroup0=site.mcr\nGroup1=fran\xE7\x61is.mcr\n"
                    "[Sources]\nSourceNumber=1\nSource0=pages\\index.tpl\n"));
    WriteBytes(odd + "fran\xE7\x61is.mcr", Crlf("{:Hello:0:}\nBonjour\n"));
    r = RunLarkspan({"site.hpr", "/build"}, dir.path(), odd);
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(ReadBytes(odd + "pages/fran\xE7\x61is/index.htm"), Crlf("<h1>Bonjour</h1>\n\n"));
}

TEST_F(HeadlessBuild, BuildsTheShippedDemoSites) {
    for (const char* demo : {"demo1", "demo2"}) {
        std::string copy = dir / demo;
        std::filesystem::copy(std::string(STAGE_DIR) + "/" + demo, copy,
                              std::filesystem::copy_options::recursive);
        // The demos ship with their pages built: build them anew.
        for (const auto& entry : std::filesystem::recursive_directory_iterator(copy)) {
            if (entry.path().extension() == ".htm") std::filesystem::remove(entry.path());
        }
        Result r = RunLarkspan({std::string(demo) + ".hpr", "/build"}, dir.path(), copy);
        EXPECT_EQ(r.status, 0) << r.output;
        EXPECT_EQ(r.output.find("Warning"), std::string::npos) << r.output;
        EXPECT_EQ(r.output.find("Error"), std::string::npos) << r.output;
    }
    EXPECT_TRUE(Exists(dir / "demo2/Demo2/english/index2.htm"));
    EXPECT_TRUE(Exists(dir / "demo2/Demo2/deutsch/index2.htm"));
    EXPECT_TRUE(Exists(dir / "demo1/Demo1/index1.htm"));
    EXPECT_TRUE(Exists(dir / "demo1/Demo1/second1.htm"));
}

} // namespace
