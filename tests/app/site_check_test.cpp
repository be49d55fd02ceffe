// The site check's rules, one table per rule, through the functions /check and Check Site
// use: each row a page (or the macros of some languages) and the one finding it must give,
// with its line, or none.
#include "site_check.h"
#include "test_util.h"

#include <gtest/gtest.h>

using testutil::WriteBytes;

namespace {

struct LinkRow {
    const char* page; // the HTML of site/en/page.htm
    int line;         // the finding's line
    const char* text; // the finding after "Error: "; "" for none
};

// Every kind of link the check knows. The site lies in site/ (the project's folder) and
// holds en/about.htm (anchors "team" and "old"), en/sub/ with an index page, en/html/ with
// index.html (anchor "p"), en/empty/ without one, en/pic.png and top.htm (anchor "t"); beside the
// site lie secret.txt and outside.htm (anchor "x"), which no link may reach.
const LinkRow kLinks[] = {
    {"<a href=\"about.htm\">", 0, ""},
    {"<a href=\"missing.htm\">", 1, "link to missing.htm, a file that does not exist"},
    {"<p>\n<a class=\"x\"\n href=\"missing.htm\">", 3,
     "link to missing.htm, a file that does not exist"},
    {"<a title=\"two\nlines\" href=\"missing.htm\">", 2,
     "link to missing.htm, a file that does not exist"},
    {"<a href=\"missing.htm\n\">", 1, "link to missing.htm\n, a file that does not exist"},
    {"<a href=\n\"missing.htm\">", 2, "link to missing.htm, a file that does not exist"},
    {"<a href=missing.htm>", 1, "link to missing.htm, a file that does not exist"},
    {"<A HREF=\"missing.htm\">", 1, "link to missing.htm, a file that does not exist"},
    // query strings, entities and percent escapes
    {"<a href=\"about.htm?x=1\">", 0, ""},
    {"<a href=\"about.htm?x=1#team\">", 0, ""},
    {"<a href=\"missing.htm?a=1&amp;b=2\">", 1,
     "link to missing.htm?a=1&b=2, a file that does not exist"},
    {"<a href=\"ab%6Fut.htm#te%61m\">", 0, ""},
    {"<a href=\"about.htm%00junk\">", 1, "link to about.htm%00junk, a file that does not exist"},
    {"<a href=\"about.htm%0A\">", 1, "link to about.htm%0A, a file that does not exist"},
    // links the check leaves alone
    {"<script src=\"//host/x.js\"></script>", 0, ""},
    {"<a href=\"http://example.com/missing.htm\"> <a href=\"mailto:a@b.c\">", 0, ""},
    {"<a href=\"\"> <a href=\"#\"> <a href=\"about.htm#\">", 0, ""},
    {"<div src=\"missing.png\"> <a src=\"missing.png\"> <img href=\"missing.png\">", 0, ""},
    {"<!-- <a href=\"missing.htm\">\n -->\n<a href=\"gone.htm\">", 3,
     "link to gone.htm, a file that does not exist"},
    // the elements and attributes that link
    {"<img src=\"missing.png\">", 1, "link to missing.png, a file that does not exist"},
    {"<link rel=\"stylesheet\" href=\"missing.css\">", 1,
     "link to missing.css, a file that does not exist"},
    {"<iframe src=\"missing.htm\">", 1, "link to missing.htm, a file that does not exist"},
    {"<area href=\"missing.htm\">", 1, "link to missing.htm, a file that does not exist"},
    {"<p style=\"background: url('pic.png')\">", 0, ""},
    {"\n<p style=\"color: red; background: URL( nopic.png )\">", 2,
     "link to nopic.png, a file that does not exist"},
    {"<p style=\"color: red;\n background: url(pic.png);\n list-style: url(nopic.png)\">", 3,
     "link to nopic.png, a file that does not exist"},
    // fragments
    {"<a href=\"about.htm#team\"> <a href=\"about.htm#old\">", 0, ""},
    {"<a href=\"about.htm#nobody\">", 1,
     "link to about.htm#nobody: en/about.htm has no anchor \"nobody\""},
    {"<p id=\"here\">\n<a href=\"#here\">", 0, ""},
    {"<p name=\"here\">\n<a href=\"#here\">", 2,
     "link to #here: en/page.htm has no anchor \"here\""},
    {"<a href=\"pic.png#part\">", 0, ""},
    // folders, and paths from the site's root
    {"<a href=\"sub/\"> <a href=\"sub\"> <a href=\"sub/index.htm\">", 0, ""},
    {"<a href=\"empty/\">", 1, "link to the folder empty/, which has no index page"},
    {"<a href=\"html/#p\"> <a href=\"html\">", 0, ""},
    {"<a href=\"html/#nobody\">", 1,
     "link to html/#nobody: en/html/index.html has no anchor \"nobody\""},
    {"<a href=\"/top.htm#t\"> <a href=\"../top.htm\"> <a href=\"/en/./sub/../about.htm#team\">", 0,
     ""},
    {"<a href=\"/top.htm#x\">", 1, "link to /top.htm#x: top.htm has no anchor \"x\""},
    // nothing above the site's root is reached, whatever lies there
    {"<a href=\"../../secret.txt\">", 1, "link to ../../secret.txt, which leaves the site"},
    {"<a href=\"/../secret.txt\">", 1, "link to /../secret.txt, which leaves the site"},
    {"<a href=\"../../outside.htm#x\">", 1, "link to ../../outside.htm#x, which leaves the site"},
    {"<a href=\"/../site/top.htm\">", 1, "link to /../site/top.htm, which leaves the site"},
    {"<a href=\"%2E%2E/%2E%2E/secret.txt\">", 1,
     "link to %2E%2E/%2E%2E/secret.txt, which leaves the site"},
};

TEST(SiteCheck, LinkRules) {
    const testutil::TempDir dir;
    const std::string root = dir / "site/";
    WriteBytes(root + "en/about.htm", "<h1 id=\"team\">Team</h1>\n<a name=\"old\"></a>\n");
    WriteBytes(root + "en/sub/index.htm", "x");
    WriteBytes(root + "en/empty/.keep", "");
    WriteBytes(root + "en/html/index.html", "<p id=\"p\">");
    WriteBytes(root + "en/pic.png", "png");
    WriteBytes(root + "top.htm", "<p id=\"t\">");
    WriteBytes(dir / "secret.txt", "secret");
    WriteBytes(dir / "outside.htm", "<p id=\"x\">");
    for (const LinkRow& row : kLinks) {
        WriteBytes(root + "en/page.htm", row.page);
        std::vector<larkspan::SiteFinding> findings;
        larkspan::CheckPageLinks({{root + "en/page.htm", "en"}}, root, findings);
        std::string got;
        for (const larkspan::SiteFinding& f : findings)
            got += f.line + (f.language == "en" ? "\n" : " (language?)\n");
        const std::string want =
            *row.text ? "en/page.htm\t(" + std::to_string(row.line) + ") Error: " + row.text + "\n"
                      : "";
        EXPECT_EQ(got, want) << row.page;
    }
}

// A finding quotes at most 200 characters of its link (a character is one UTF-8 sequence).
TEST(SiteCheck, LongLinksAreQuotedShort) {
    const testutil::TempDir dir;
    const std::string root = dir / "site/";
    std::string amps;
    for (int i = 0; i < 320000; ++i)
        amps += "&amp;";
    const std::string e = "\xF0\x9F\x98\x80"; // one character in four bytes
    std::string wide;
    for (int i = 0; i < 300; ++i)
        wide += e;
    WriteBytes(root + "page.htm", "<a href=\"x" + amps + "\">\n<a href=\"#" + wide + "\">");
    std::vector<larkspan::SiteFinding> findings;
    larkspan::CheckPageLinks({{root + "page.htm", ""}}, root, findings);
    ASSERT_EQ(findings.size(), 2u);
    // (compared as a flag: a failure must not print megabytes)
    EXPECT_TRUE(findings[0].line == "page.htm\t(1) Error: link to x" + std::string(199, '&') +
                                        "..., a file that does not exist")
        << findings[0].line.size() << " bytes";
    std::string quoted;
    for (int i = 0; i < 199; ++i)
        quoted += e;
    EXPECT_TRUE(findings[1].line == "page.htm\t(2) Error: link to #" + quoted +
                                        "...: page.htm has no anchor \"" + quoted + e + "...\"")
        << findings[1].line.size() << " bytes";
}

struct MacroRow {
    std::map<std::string, std::set<std::string>> languages;
    std::set<std::string> basis;
    std::vector<std::string> findings;
};

TEST(SiteCheck, MacroCoverageRules) {
    const MacroRow rows[] = {
        {{{"de", {"A"}}, {"en", {"A"}}}, {}, {}},
        {{{"de", {"A"}}, {"en", {"A", "B"}}},
         {},
         {"{#B}\t(1) Error: the macro is defined for en but missing for de: pages of those "
          "languages lose its text"}},
        {{{"de", {"A"}}, {"en", {"A", "B"}}}, {"B"}, {}}, // the basis group supplies it
        {{{"de", {"X"}}, {"en", {"X"}}, {"fr", {}}},
         {"Y"},
         {"{#X}\t(1) Error: the macro is defined for de but missing for fr: pages of those "
          "languages lose its text"}},
        {{{"de", {}}, {"en", {"X"}}, {"fr", {}}},
         {},
         {"{#X}\t(1) Error: the macro is defined for en but missing for de, fr: pages of those "
          "languages lose its "
          "text"}},
    };
    for (const MacroRow& row : rows) {
        std::vector<larkspan::SiteFinding> findings;
        larkspan::CheckMacroCoverage(row.languages, row.basis, findings);
        std::vector<std::string> lines;
        for (const auto& f : findings)
            lines.push_back(f.line);
        EXPECT_EQ(lines, row.findings);
    }
}

} // namespace
