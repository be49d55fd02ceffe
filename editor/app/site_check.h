// The site check: after a build, the written pages are read back and checked for local
// links that lead nowhere, fragments that name no anchor, and macros that some languages
// define and others lack. Findings are message lines in the compiler's form:
//   location TAB "(" line ") " "Error: " text
// where the location is a page's path (from the project's folder) or a macro "{#Name}".
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

class tLS_project;

namespace larkspan {

// One page of the site: the file and the language it was built for ("" for the basis).
struct SitePage {
    std::string path;
    std::string language;
    std::string source{}; // the template it is built from ("" when not known)
    int group = -1;       // the language group it is built for
};

// One finding: its message line, and for a macro the language that defines it.
struct SiteFinding {
    std::string line;
    std::string language;
    // A finding on a page: the page (its path) and the place in it.
    std::string page{};
    size_t offset = 0;
    // Where that place came from, when the page's line map tells: a template (its path
    // from the site's root) or a macro "{#Name}", the line there, and for a macro the
    // language group it was found in ("" for the basis group).
    std::string source{};
    long sourceLine = 0;
    std::string sourceLanguage{};
};

// The links and anchors of one HTML text.
struct PageLinks {
    struct Link {
        std::string target; // as written, entities such as &amp; resolved
        int line = 1;
        size_t offset = 0; // where its value starts in the text
    };
    std::vector<Link> links;       // href and src of the usual elements, url() in style attributes
    std::set<std::string> anchors; // id of any element, name of <a>
};

// Reads the links and anchors of an HTML text; comments are passed over.
PageLinks ScanPageLinks(const std::string& html);

// Checks the links of `pages` (their fragments against the anchors of the pages they lead
// to; links with a scheme, "//" and empty links are not checked). A link to a folder is
// good when the folder holds index.htm or index.html. `root` is the site's folder (ending
// in "/"): links starting with "/" are read from there, and locations are given from there.
// Nothing above `root` is looked at: a link whose path climbs above it is reported as
// leaving the site (a page outside `root` has its own folder for a root); a decoded path
// holding a control character is a file that does not exist. A finding quotes at most 200
// characters of a link or fragment. Appends one message line per finding to `findings`.
void CheckPageLinks(const std::vector<SitePage>& pages, const std::string& root,
                    std::vector<SiteFinding>& findings);

// Names in each finding on a page of `pages` where its place came from, by the page's line
// map, when the page on disk is what its template and macros expand to now; other findings
// stay as they are (a place not known).
void PlaceFindings(tLS_project& project, const std::vector<SitePage>& pages,
                   const std::string& root, std::vector<SiteFinding>& findings);

// The macros that some language groups define and others lack (and the basis group does
// not supply), one message line each, located at the macro in a language that has it.
// `defined` maps each language to its macro names.
void CheckMacroCoverage(const std::map<std::string, std::set<std::string>>& defined,
                        const std::set<std::string>& basis, std::vector<SiteFinding>& findings);

// The pages of every template in every language of an open project, in build order, and
// the macro names of each group. Leaves the active language as it was.
std::vector<SitePage> ListSitePages(tLS_project& project);
void ListMacroNames(tLS_project& project, std::map<std::string, std::set<std::string>>& languages,
                    std::set<std::string>& basis);

// All checks of an open, built project.
std::vector<SiteFinding> CheckSite(tLS_project& project);

} // namespace larkspan
