// /serve: the watch build with the project's folder served on this machine. Every page the
// watch writes is announced to the browsers showing it, which reload it.
#include "headless_build.h"
#include "live_server.h"
#include "places.h"

#include <brevic/ls_project.h>

#include <algorithm>

namespace larkspan {

namespace {

std::string Escaped(const std::string& text) {
    std::string out;
    for (const char c : VisibleText(text)) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

} // namespace

std::string PageIndexHtml(tLS_project& project, const std::string& root) {
    std::string html = "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Pages of " +
                       Escaped(project.GetProjectName() ? project.GetProjectName() : "") +
                       "</title></head>\n<body>\n<h1>Pages</h1>\n<table>\n";
    const std::string active = project.GetActiveLanguageName();
    const int groups = project.GetLoadedGroupCount();
    const int sources = std::min(project.GetSourceCount(), LS_MAX_SOURCES);
    for (int s = 0; s < sources; ++s) {
        char path[LS_PATH_MAX];
        if (project.GetSourcePath(s, path) != LS_OK) continue;
        const std::string source = path;
        html += "<tr><th>" +
                Escaped(source.compare(0, root.size(), root) == 0 ? source.substr(root.size())
                                                                  : source) +
                "</th>";
        for (int g = groups > 1 ? 1 : 0; g < std::max(groups, 1); ++g) {
            char name[LS_PATH_MAX];
            if (project.IsGroupRetired(g) || project.GetGroupName(g, name) != LS_OK) continue;
            project.SetActiveLanguageName(name);
            std::string target = source;
            if (project.TargetPathOf(target) != LS_OK || target.compare(0, root.size(), root) != 0)
                continue;
            html += "<td><a href=\"" + Escaped(EncodedUrlPath(target.substr(root.size() - 1))) +
                    "\">" + Escaped(name) + "</a></td>";
        }
        html += "</tr>\n";
    }
    project.SetActiveLanguageName(active.c_str());
    return html + "</table>\n</body></html>\n";
}

int RunHeadlessServe(tLS_project& project, const std::string& projectFile, int port,
                     std::ostream& out) {
    LiveServer server(FolderOf(projectFile));
    std::string error;
    if (!server.Start(port, error)) {
        out << "larkspan: cannot serve the project: " << error << '\n';
        return 1;
    }
    server.SetIndex(PageIndexHtml(project, server.Root()));
    out << "Serving " << VisibleText(server.Root()) << " at " << server.Address() << std::endl;
    WatchHooks hooks;
    hooks.written = [&server](const std::string& page) {
        const std::string url = server.UrlPathOf(page);
        if (!url.empty()) server.PageChanged(url);
    };
    hooks.reopened = [&] {
        server.SetIndex(PageIndexHtml(project, server.Root()));
        server.PageChanged("/");
    };
    const int status = RunHeadlessWatch(project, projectFile, out, hooks);
    server.Stop();
    return status;
}

} // namespace larkspan
