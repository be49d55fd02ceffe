// The build switch: builds a project without any window and reports on a stream.
#pragma once

#include <functional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

class tLS_project;

namespace larkspan {

struct HeadlessBuildOptions {
    std::string projectFile;   // the file argument ("" when none)
    std::string settingsFile;  // the settings file with the COMPILER section
    bool showProgress = false; // a terminal: redraw a progress line
    bool watch = false;        // after the build, rebuild on every change until Ctrl+C
    bool check = false;        // after the build, check links, anchors and macros
    bool serve = false;        // after the build, serve the project's folder and watch
    int port = 0;              // the port to serve on first (0: the default)
};

// Told the path of every page a build wrote.
using PageWrittenHook = std::function<void(const std::string& page)>;

// What a watch tells besides printing: every page written, and every time the project was
// read again (its templates and languages may have changed).
struct WatchHooks {
    PageWrittenHook written;
    std::function<void()> reopened;
};

// `text` as it may go to a terminal: every control character but the tab (and the line
// break, with `lines`), every C1 control and every byte that is not part of valid UTF-8
// becomes \xNN, byte by byte, so that nothing read from a page, a template or a file name
// can steer the terminal. Every printer of the command line (/build, /check, --watch)
// passes such text through here.
std::string VisibleText(std::string_view text, bool lines = false);

// Opens the project (when a .hpr file is given), builds every template for every language
// and writes the compiler messages, the pages written and a closing line to `out`.
// Returns the exit status: 0 on success, 1 when the project cannot be opened or the build
// fails (a line names the error and, where there is one, the file).
// With `check`, the site check follows a successful build: its findings are printed and
// the status is 1 when there are any. With `watch`, RunHeadlessWatch takes over after the
// first build (`check` is then ignored: the caller refuses the pair); with `serve`,
// RunHeadlessServe.
int RunHeadlessBuild(const HeadlessBuildOptions& options, std::ostream& out);

// Builds every page of the open project, printing the messages and the pages (with
// `writtenOnly`, only those written) and telling `written` of each page written. Returns 0,
// or 1 after printing why the build failed.
int BuildAllPages(tLS_project& project, const std::string& projectFile, bool showProgress,
                  bool writtenOnly, std::ostream& out, const PageWrittenHook& written = {});

// Builds `templates` (full paths) of the open project for every language, writing every
// page of them, printing as BuildAllPages does (only the pages written).
int BuildTemplates(tLS_project& project, const std::vector<std::string>& templates,
                   const std::string& projectFile, std::ostream& out,
                   const PageWrittenHook& written = {});

// Opens the project file; prints why not and returns false when that fails.
bool OpenProject(tLS_project& project, const std::string& projectFile, std::ostream& out);

// Watches the project file, its templates and macro files (through symbolic links, and
// folders that go and come back) and rebuilds what changed: templates alone page by page,
// anything else by reopening the project and building all pages by the out-of-date rule
// (only the pages written are printed), with the pages that used a removed macro made out
// of date. A macro file that is gone is reported and never created again; a project that
// cannot be opened is reported at every change until it can. A build starts at most a
// fifth of a second after the first change, however the writes go on. Ends with 0 at
// SIGINT or SIGTERM.
int RunHeadlessWatch(tLS_project& project, const std::string& projectFile, std::ostream& out,
                     const WatchHooks& hooks = {});

// Serves the project's folder (LiveServer) from `port` on, printing its address, and
// watches as RunHeadlessWatch does; the browsers showing a page written reload it. 1 when
// no port can be had; 0 at SIGINT or SIGTERM.
int RunHeadlessServe(tLS_project& project, const std::string& projectFile, int port,
                     std::ostream& out);

// /export-po and /import-po: opens the project and writes a PO file per language into
// `folder`, or reads them back into the macros (see translations.h), printing what was
// written, stored and not stored. The status is 1 when the project cannot be opened, a file
// cannot be written, or (importing) anything was not stored.
int RunPoExport(const std::string& projectFile, const std::string& settingsFile,
                const std::string& folder, const std::string& sourceLanguage, std::ostream& out);
int RunPoImport(const std::string& projectFile, const std::string& settingsFile,
                const std::string& folder, std::ostream& out);

// The page index served at "/": every template of the project with a link to its page in
// each language, the links relative to `root` (the project's folder, with "/").
std::string PageIndexHtml(tLS_project& project, const std::string& root);

} // namespace larkspan
