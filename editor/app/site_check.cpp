#include "site_check.h"

#include "places.h"

#include <brevic/ls_files.h>
#include <brevic/ls_macrobase.h>
#include <brevic/ls_project.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string_view>
#include <unordered_map>

namespace larkspan {

namespace {

std::string Lower(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// The few entities that turn up in addresses, in one pass (a value may hold a great many).
std::string Unescape(const std::string& s) {
    static const std::pair<std::string_view, char> kEntities[] = {{"&amp;", '&'},   {"&quot;", '"'},
                                                                  {"&apos;", '\''}, {"&#39;", '\''},
                                                                  {"&lt;", '<'},    {"&gt;", '>'}};
    if (s.find('&') == std::string::npos) return s;
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        char c = s[i];
        if (c == '&') {
            const std::string_view rest = std::string_view(s).substr(i);
            for (const auto& [from, to] : kEntities) {
                if (rest.substr(0, from.size()) == from) {
                    c = to;
                    i += from.size() - 1;
                    break;
                }
            }
        }
        out += c;
    }
    return out;
}

// The url(...) parts of a style attribute that begins on `line`, each on its own line.
void StyleUrls(const std::string& style, int line, size_t offset,
               std::vector<PageLinks::Link>& links) {
    const std::string lower = Lower(style);
    size_t counted = 0; // the line breaks before here are in `line`
    for (size_t at = 0; (at = lower.find("url(", at)) != std::string::npos;) {
        line += static_cast<int>(std::count(style.begin() + static_cast<long>(counted),
                                            style.begin() + static_cast<long>(at), '\n'));
        counted = at;
        at += 4;
        const size_t close = style.find(')', at);
        if (close == std::string::npos) return;
        std::string url = style.substr(at, close - at);
        url.erase(0, url.find_first_not_of(" \t\"'"));
        url.erase(url.find_last_not_of(" \t\"'") + 1);
        links.push_back({url, line, offset + at});
        at = close;
    }
}

// Elements whose href or src is a link to check.
bool LinksFrom(const std::string& element, const std::string& attribute) {
    static const char* const kHref[] = {"a", "area", "link"};
    static const char* const kSrc[] = {"img",    "script", "iframe", "frame", "embed",
                                       "source", "audio",  "video",  "input"};
    if (attribute == "href")
        return std::find_if(std::begin(kHref), std::end(kHref),
                            [&](const char* e) { return element == e; }) != std::end(kHref);
    if (attribute == "src")
        return std::find_if(std::begin(kSrc), std::end(kSrc),
                            [&](const char* e) { return element == e; }) != std::end(kSrc);
    return false;
}

// The position of the first character from `p` on that is no blank; `line` counts the line
// breaks passed.
size_t SkipBlanks(const std::string& html, size_t p, int& line) {
    for (; p < html.size() && std::isspace(static_cast<unsigned char>(html[p])); ++p)
        if (html[p] == '\n') ++line;
    return p;
}

// Reads one tag from html[at] ("<" + a letter) and records what it links and names.
// Returns the position after the tag; `line` follows the line breaks inside it.
size_t ScanTag(const std::string& html, size_t at, int& line, PageLinks& out) {
    size_t p = at + 1;
    const size_t nameStart = p;
    while (p < html.size() && (std::isalnum(static_cast<unsigned char>(html[p])) || html[p] == '-'))
        ++p;
    const std::string element = Lower(html.substr(nameStart, p - nameStart));
    while (p < html.size() && html[p] != '>') {
        if (html[p] == '\n') ++line;
        if (!std::isalpha(static_cast<unsigned char>(html[p]))) {
            ++p;
            continue;
        }
        const size_t attrStart = p;
        while (p < html.size() && !std::isspace(static_cast<unsigned char>(html[p])) &&
               html[p] != '=' && html[p] != '>')
            ++p;
        const std::string attribute = Lower(html.substr(attrStart, p - attrStart));
        p = SkipBlanks(html, p, line);
        if (p >= html.size() || html[p] != '=') continue;
        p = SkipBlanks(html, p + 1, line); // `href=` may end a line and its value start the next
        const int valueLine = line;
        const size_t valueAt = p < html.size() && (html[p] == '"' || html[p] == '\'') ? p + 1 : p;
        std::string value;
        if (p < html.size() && (html[p] == '"' || html[p] == '\'')) {
            const size_t close = html.find(html[p], p + 1);
            const size_t end = close == std::string::npos ? html.size() : close;
            value = html.substr(p + 1, end - p - 1);
            line += static_cast<int>(std::count(value.begin(), value.end(), '\n'));
            p = std::min(html.size(), end + 1);
        } else {
            const size_t start = p;
            while (p < html.size() && !std::isspace(static_cast<unsigned char>(html[p])) &&
                   html[p] != '>')
                ++p;
            value = html.substr(start, p - start);
        }
        value = Unescape(value);
        if (attribute == "id" || (attribute == "name" && element == "a")) {
            out.anchors.insert(value);
        } else if (attribute == "style") {
            StyleUrls(value, valueLine, valueAt, out.links);
        } else if (LinksFrom(element, attribute)) {
            out.links.push_back({value, valueLine, valueAt});
        }
    }
    return std::min(html.size(), p + 1);
}

// Adds the parts of `path` to `parts`: "." and empty parts are passed over, ".." drops the
// last part. False when a ".." finds no part left: the path climbs above where it started.
bool Walk(std::string_view path, std::vector<std::string_view>& parts) {
    while (!path.empty()) {
        const size_t slash = std::min(path.find('/'), path.size());
        const std::string_view part = path.substr(0, slash);
        path.remove_prefix(std::min(path.size(), slash + 1));
        if (part == "..") {
            if (parts.empty()) return false;
            parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
    }
    return true;
}

// Whether a path ends at a folder rather than a name: "sub/", "sub/.", "..".
bool EndsAtFolder(std::string_view path) {
    return path.empty() || path.back() == '/' || path == "." || path == ".." ||
           (path.size() >= 2 && path.substr(path.size() - 2) == "/.") ||
           (path.size() >= 3 && path.substr(path.size() - 3) == "/..");
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string PercentDecoded(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        const int high = s[i] == '%' && i + 2 < s.size() ? HexDigit(s[i + 1]) : -1;
        const int low = high >= 0 ? HexDigit(s[i + 2]) : -1;
        if (low >= 0) {
            out += static_cast<char>(high * 16 + low);
            i += 2;
        } else {
            out += s[i];
        }
    }
    return out;
}

bool HasControl(std::string_view s) {
    return std::any_of(s.begin(), s.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
}

// At most 200 characters of `text` for a finding (a character is a lead byte with up to
// three continuation bytes), "..." marking the cut.
std::string Quoted(const std::string& text) {
    constexpr int kMaxCharacters = 200;
    auto continues = [&](size_t i) {
        return i < text.size() && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80;
    };
    size_t at = 0;
    for (int n = 0; n < kMaxCharacters && at < text.size(); ++n) {
        const size_t limit = ++at + 3;
        while (at < limit && continues(at))
            ++at;
    }
    return at < text.size() ? text.substr(0, at) + "..." : text;
}

// A link that leaves the site or goes nowhere: a scheme ("http:", "mailto:"), "//", empty.
bool External(const std::string& link) {
    if (link.empty() || link.compare(0, 2, "//") == 0) return true;
    const size_t colon = link.find(':');
    if (colon == std::string::npos || colon == 0) return false;
    for (size_t i = 0; i < colon; ++i) {
        const char c = link[i];
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '+' && c != '-' && c != '.')
            return false;
    }
    return std::isalpha(static_cast<unsigned char>(link[0])) != 0;
}

std::string Relative(const std::string& path, const std::string& root) {
    return !root.empty() && path.compare(0, root.size(), root) == 0 ? path.substr(root.size())
                                                                    : path;
}

std::string Finding(const std::string& location, int line, const std::string& text) {
    return location + "\t(" + std::to_string(line) + ") Error: " + text;
}

// The anchors of pages, each page read once.
class AnchorCache {
public:
    const std::set<std::string>* Of(const std::string& path) {
        auto it = pages_.find(path);
        if (it != pages_.end()) return &it->second;
        std::string html;
        if (!brevic::ReadBinaryFile(path.c_str(), html)) return nullptr;
        return &(pages_[path] = ScanPageLinks(html).anchors);
    }
    void Add(const std::string& path, std::set<std::string> anchors) {
        pages_[path] = std::move(anchors);
    }

private:
    std::unordered_map<std::string, std::set<std::string>> pages_;
};

// What lies at the paths links name, each looked at once: the pages of a site link to the
// same few pages and files again and again.
class FileKinds {
public:
    enum Kind { None, File, Folder };
    Kind Of(const std::string& path) {
        auto it = kinds_.find(path);
        if (it != kinds_.end()) return it->second;
        Kind kind = brevic::IsDirectory(path.c_str())  ? Folder
                    : brevic::FileExists(path.c_str()) ? File
                                                       : None;
        kinds_.emplace(path, kind);
        return kind;
    }

private:
    std::unordered_map<std::string, Kind> kinds_;
};

bool IsHtml(const std::string& path) {
    const std::string lower = Lower(path);
    auto ends = [&](const char* e) {
        const size_t n = std::strlen(e);
        return lower.size() >= n && lower.compare(lower.size() - n, n, e) == 0;
    };
    return ends(".htm") || ends(".html");
}

// Where the links of one page are resolved: the site's root (ending in "/") and the page's
// folder below it. A page outside the root (built from a template outside the project's
// folder) has its own folder for a root, so its links reach nothing above that either.
struct PageSite {
    std::string root;
    std::vector<std::string_view> folder;
    std::string projectRoot; // where locations are given from

    PageSite(const std::string& page, const std::string& siteRoot) : projectRoot(siteRoot) {
        const bool inside = !siteRoot.empty() && page.compare(0, siteRoot.size(), siteRoot) == 0;
        const std::string_view below =
            inside ? std::string_view(page).substr(siteRoot.size(),
                                                   page.rfind('/') + 1 - siteRoot.size())
                   : std::string_view();
        root = inside && Walk(below, folder) ? siteRoot : FolderOf(page);
        if (root != siteRoot) folder.clear();
    }
};

// The file a link's decoded path names in the site; false when the path climbs above the
// site's root, whatever lies there.
bool ResolveInSite(const PageSite& site, std::string_view path, std::string& file) {
    std::vector<std::string_view> parts;
    if (path.front() != '/') parts = site.folder;
    if (!Walk(path, parts)) return false;
    file = site.root;
    for (size_t i = 0; i < parts.size(); ++i)
        (file += i ? "/" : "") += parts[i];
    if (!parts.empty() && EndsAtFolder(path)) file += '/';
    return true;
}

// Checks one link of the page `page`; an empty result when it is good.
std::string CheckLink(const std::string& page, const PageSite& site, const std::string& link,
                      AnchorCache& anchors, FileKinds& kinds) {
    if (External(link)) return {};
    const size_t hash = link.find('#');
    const std::string path =
        PercentDecoded(std::string_view(link).substr(0, std::min(link.find('?'), hash)));
    const std::string fragment =
        hash == std::string::npos ? std::string() : PercentDecoded(link.substr(hash + 1));
    std::string file = page;
    if (!path.empty()) {
        if (!ResolveInSite(site, path, file))
            return "link to " + Quoted(link) + ", which leaves the site";
        // A control character cannot be part of a name a server hands out (and a NUL would
        // end the name the file system is asked for).
        const FileKinds::Kind kind = HasControl(path) ? FileKinds::None : kinds.Of(file);
        if (kind == FileKinds::Folder) {
            const std::string folder = file.back() == '/' ? file : file + "/";
            if (kinds.Of(folder + "index.htm") == FileKinds::File) {
                file = folder + "index.htm";
            } else if (kinds.Of(folder + "index.html") == FileKinds::File) {
                file = folder + "index.html";
            } else {
                return "link to the folder " + Quoted(link) + ", which has no index page";
            }
        } else if (kind != FileKinds::File) {
            return "link to " + Quoted(link) + ", a file that does not exist";
        }
    }
    if (fragment.empty() || !IsHtml(file)) return {};
    const std::set<std::string>* names = anchors.Of(file);
    if (names && !names->count(fragment))
        return "link to " + Quoted(link) + ": " + Relative(file, site.projectRoot) +
               " has no anchor \"" + Quoted(fragment) + "\"";
    return {};
}

} // namespace

PageLinks ScanPageLinks(const std::string& html) {
    PageLinks out;
    int line = 1;
    for (size_t p = 0; p < html.size();) {
        const char c = html[p];
        if (c == '\n') {
            ++line;
            ++p;
        } else if (c == '<' && html.compare(p, 4, "<!--") == 0) {
            const size_t end = html.find("-->", p + 4);
            const size_t stop = end == std::string::npos ? html.size() : end + 3;
            line += static_cast<int>(std::count(html.begin() + static_cast<long>(p),
                                                html.begin() + static_cast<long>(stop), '\n'));
            p = stop;
        } else if (c == '<' && p + 1 < html.size() &&
                   std::isalpha(static_cast<unsigned char>(html[p + 1]))) {
            p = ScanTag(html, p, line, out);
        } else {
            ++p;
        }
    }
    return out;
}

void CheckPageLinks(const std::vector<SitePage>& pages, const std::string& root,
                    std::vector<SiteFinding>& findings) {
    AnchorCache anchors;
    FileKinds kinds;
    for (const SitePage& page : pages) {
        std::string html;
        if (!brevic::ReadBinaryFile(page.path.c_str(), html)) {
            findings.push_back({Finding(Relative(page.path, root), 1, "the page cannot be read"),
                                page.language, page.path});
            continue;
        }
        PageLinks links = ScanPageLinks(html);
        anchors.Add(page.path, links.anchors);
        const PageSite site(page.path, root);
        for (const PageLinks::Link& link : links.links) {
            const std::string problem = CheckLink(page.path, site, link.target, anchors, kinds);
            if (!problem.empty())
                findings.push_back({Finding(Relative(page.path, root), link.line, problem),
                                    page.language, page.path, link.offset});
        }
    }
}

void PlaceFindings(tLS_project& project, const std::vector<SitePage>& pages,
                   const std::string& root, std::vector<SiteFinding>& findings) {
    std::map<std::string, const SitePage*> byPath;
    for (const SitePage& page : pages)
        byPath.emplace(page.path, &page);
    std::string mappedPath, html, text, built;
    tLS_LineMap map;
    bool mapped = false;
    for (SiteFinding& finding : findings) {
        auto it = byPath.find(finding.page);
        if (it == byPath.end() || it->second->source.empty()) continue;
        if (finding.page != mappedPath) {
            // The map is trusted only for the page as it is on disk: a page built from other
            // text (edited since, or a time that changed) is not placed.
            mappedPath = finding.page;
            text.clear();
            mapped = brevic::ReadBinaryFile(finding.page.c_str(), html) &&
                     brevic::ReadTextFile(finding.page.c_str(), text) &&
                     project.MapPage(it->second->source.c_str(), it->second->group, built, map) ==
                         LS_OK &&
                     built == text;
        }
        // The page's line breaks are written as CR LF; the expansion has LF alone.
        size_t crlf = 0;
        for (size_t i = 0; mapped && i + 1 < html.size() && i < finding.offset; ++i)
            crlf += html[i] == '\r' && html[i + 1] == '\n';
        tLS_LineMap::Place place;
        if (!mapped || !map.PlaceOf(text, finding.offset - crlf, place)) continue;
        std::string named;
        if (place.macro) {
            finding.source = "{#" + place.name + "}";
            finding.sourceLanguage = place.base ? place.base->GetName() : "";
            const std::string file = place.base ? place.base->GetFilePath() : "";
            named = finding.source + " in " + file.substr(file.find_last_of("/\\") + 1);
        } else {
            finding.source = Relative(it->second->source, root);
            named = finding.source;
        }
        finding.sourceLine = place.line;
        const size_t tab = finding.line.find(") ");
        if (tab != std::string::npos)
            finding.line.insert(tab + 2,
                                "from " + named + " (" + std::to_string(place.line) + "): ");
    }
}

void CheckMacroCoverage(const std::map<std::string, std::set<std::string>>& defined,
                        const std::set<std::string>& basis, std::vector<SiteFinding>& findings) {
    std::map<std::string, std::vector<std::string>> owners; // macro -> languages defining it
    for (const auto& [language, names] : defined)
        for (const std::string& name : names)
            owners[name].push_back(language);
    for (const auto& [name, languages] : owners) {
        if (languages.size() == defined.size() || basis.count(name)) continue;
        std::string missing;
        for (const auto& entry : defined)
            if (!std::binary_search(languages.begin(), languages.end(), entry.first))
                missing += (missing.empty() ? "" : ", ") + entry.first;
        findings.push_back(
            {Finding("{#" + name + "}", 1,
                     "the macro is defined for " + languages.front() + " but missing for " +
                         missing + ": pages of those languages lose its text"),
             languages.front()});
    }
}

std::vector<SitePage> ListSitePages(tLS_project& project) {
    std::vector<SitePage> pages;
    const std::string active = project.GetActiveLanguageName();
    const int groups = project.GetLoadedGroupCount();
    const int first = groups > 1 ? 1 : 0;
    for (int s = 0; s < project.GetSourceCount(); ++s) {
        char source[LS_PATH_MAX];
        if (project.GetSourcePath(s, source) != LS_OK) continue;
        for (int g = first; g < std::max(groups, 1); ++g) {
            char name[LS_PATH_MAX];
            if (project.IsGroupRetired(g) || project.GetGroupName(g, name) != LS_OK) continue;
            project.SetActiveLanguageName(name);
            std::string target = source;
            if (project.CreateTargetPath(target) == LS_OK)
                pages.push_back({target, g ? name : "", source, g});
        }
    }
    project.SetActiveLanguageName(active.c_str());
    return pages;
}

void ListMacroNames(tLS_project& project, std::map<std::string, std::set<std::string>>& languages,
                    std::set<std::string>& basis) {
    for (int g = 0; g < project.GetLoadedGroupCount(); ++g) {
        tLS_macrobase* base = project.GetGroup(g);
        char name[LS_PATH_MAX];
        if (!base || project.IsGroupRetired(g) || project.GetGroupName(g, name) != LS_OK) continue;
        std::set<std::string>& names = g == 0 ? basis : languages[name];
        for (int i = 0; i <= base->GetLastIndex(); ++i) {
            tBaseMember* member = nullptr;
            if (base->GetMacroContent(i, member) == LS_OK && member && member->name[0])
                names.insert(member->name);
        }
    }
}

std::vector<SiteFinding> CheckSite(tLS_project& project) {
    std::vector<SiteFinding> findings;
    const char* projectPath = project.GetProjectPath();
    const std::string root = projectPath ? FolderOf(projectPath) : std::string();
    const std::vector<SitePage> pages = ListSitePages(project);
    CheckPageLinks(pages, root, findings);
    PlaceFindings(project, pages, root, findings);
    std::map<std::string, std::set<std::string>> languages;
    std::set<std::string> basis;
    ListMacroNames(project, languages, basis);
    if (languages.size() > 1) CheckMacroCoverage(languages, basis, findings);
    return findings;
}

} // namespace larkspan
