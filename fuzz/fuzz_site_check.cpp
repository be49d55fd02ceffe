// Fuzz target: the site check's reading of links and anchors, and the checking of links.
//
// Input: NUL-separated parts. The first is a page of any bytes (en/a.htm of a small site);
// every further part is a link, written into a second page (en/b.htm) one per line. Checked:
// the links found lie on lines the page has; the check of both pages gives findings located
// at those pages, of bounded length, at most one per link; and nothing outside the site's
// folder changes what the check finds: the findings are the same with the files beside the
// site there and gone, so the check never looks above its root.
#include "fuzz_util.h"

#include "site_check.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace {

const std::string& Root() {
    static const std::string root = fuzzutil::ScratchDir() + "site/";
    return root;
}

// The site, and beside it files and a folder that links climbing out of it could find.
void WriteSite() {
    static bool written = false;
    if (written) return;
    written = true;
    std::filesystem::create_directories(Root() + "en/sub");
    std::filesystem::create_directories(Root() + "en/empty");
    fuzzutil::WriteBytes(Root() + "en/sub/index.htm", "<p id=\"s\">");
    fuzzutil::WriteBytes(Root() + "en/pic.png", "png");
    fuzzutil::WriteBytes(Root() + "top.htm", "<p id=\"t\"><a name=\"n\">");
}

void WriteOutside(bool there) {
    const std::string beside = fuzzutil::ScratchDir();
    if (!there) {
        fuzzutil::RemoveTree(beside + "outside.htm");
        fuzzutil::RemoveTree(beside + "secret.txt");
        fuzzutil::RemoveTree(beside + "out");
        return;
    }
    std::filesystem::create_directories(beside + "out");
    fuzzutil::WriteBytes(beside + "outside.htm", "<p id=\"x\"><a name=\"t\">");
    fuzzutil::WriteBytes(beside + "secret.txt", "secret");
    fuzzutil::WriteBytes(beside + "out/index.htm", "<p id=\"o\">");
}

std::vector<std::string> Check() {
    std::vector<larkspan::SiteFinding> findings;
    larkspan::CheckPageLinks({{Root() + "en/a.htm", "en"}, {Root() + "en/b.htm", ""}}, Root(),
                             findings);
    std::vector<std::string> lines;
    for (const larkspan::SiteFinding& f : findings)
        lines.push_back(f.line + "\n" + f.language);
    return lines;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    WriteSite();
    const std::vector<std::string> parts =
        fuzzutil::Split(std::string_view(reinterpret_cast<const char*>(data), size), '\0', 64);
    const std::string& page = parts[0];
    std::string linking;
    for (size_t i = 1; i < parts.size(); ++i)
        linking += "<a href=\"" + parts[i] + "\">\n";

    const larkspan::PageLinks read = larkspan::ScanPageLinks(page);
    const long lines = 1 + std::count(page.begin(), page.end(), '\n');
    for (const auto& link : read.links) {
        FUZZ_CHECK(link.line >= 1 && link.line <= lines, "a link on a line the page does not have");
        FUZZ_CHECK(link.target.size() <= page.size(), "a link longer than its page");
    }
    const size_t linkCount = read.links.size() + larkspan::ScanPageLinks(linking).links.size();

    fuzzutil::WriteBytes(Root() + "en/a.htm", page);
    fuzzutil::WriteBytes(Root() + "en/b.htm", linking);
    WriteOutside(true);
    const std::vector<std::string> with = Check();
    WriteOutside(false);
    const std::vector<std::string> without = Check();
    FUZZ_CHECK(with == without, "what lies beside the site changed the findings");

    FUZZ_CHECK(with.size() <= linkCount, "more findings than links");
    for (const std::string& finding : with) {
        FUZZ_CHECK(finding.compare(0, 9, "en/a.htm\t") == 0 ||
                       finding.compare(0, 9, "en/b.htm\t") == 0,
                   "a finding not located at its page");
        // Two quotes of at most 200 characters of four bytes, a location and the words.
        FUZZ_CHECK(finding.size() < 2 * 200 * 4 + 200, "a finding quotes too much");
    }
    return 0;
}
