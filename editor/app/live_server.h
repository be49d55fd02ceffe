// The live server: a project's folder served over HTTP on this machine only, with every
// HTML page it sends carrying a small script that reloads the page when it is built again.
// No toolkit: the command line (/serve) and the editor (Live Preview) run the same server.
#pragma once

#include <memory>
#include <string>

namespace larkspan {

// The port /serve and Live Preview try first; the next free one follows when it is taken.
constexpr int kDefaultServePort = 8717;
// How many ports after the first are tried.
constexpr int kServePortsTried = 20;
// The path of the event stream; a name no served file can have (hidden names are refused).
constexpr const char* kLiveEventsPath = "/.larkspan/events";

// Rules of what may be served, exposed for the tests and the page index.
// The file under `root` (a folder with "/") that the request path `urlPath` (decoded)
// names, or "" when the path is refused: not starting with "/", an empty, "." or ".."
// part, a part starting with "." (hidden and temporary files), a backslash, NUL or other
// control characters. A path ending in "/" names the folder's index.htm or index.html.
std::string ServedFile(const std::string& root, const std::string& urlPath);
// The Content-Type of a file by its extension; for text, `bytes` (the start of the file)
// tell the charset: the one a page declares in its first 1024 bytes, else UTF-8 when the
// text is valid UTF-8, else Windows-1252 (as the editor reads files).
std::string ContentTypeOf(const std::string& path, const std::string& bytes);
// `path` with every byte but letters, digits, "/", "-", "_", "." and "~" as %XX.
std::string EncodedUrlPath(const std::string& path);
// `page` with the reload script inserted before its last "</body>" (else at its end).
// `version` is the event count when the page was served: an event after it that the page
// missed while loading reloads it at once.
std::string WithReloadScript(const std::string& page, unsigned long version);

class LiveServer {
public:
    // Serves the files under `root` (an absolute folder path, with "/").
    explicit LiveServer(std::string root);
    ~LiveServer(); // stops it
    LiveServer(const LiveServer&) = delete;
    LiveServer& operator=(const LiveServer&) = delete;

    // Listens on 127.0.0.1 at `port` or, when that is taken, at the next free one of the
    // kServePortsTried after it, and serves on threads of its own until Stop. False (the
    // reason in `error`) when no port could be had.
    bool Start(int port, std::string& error);
    void Stop();
    int Port() const;
    const std::string& Root() const;
    // "http://127.0.0.1:PORT" followed by `urlPath` (encoded for a URL).
    std::string Address(const std::string& urlPath = "/") const;

    // The page at "/" (HTML, UTF-8).
    void SetIndex(std::string html);
    // Serves `bytes` at `urlPath` instead of the file there (a page built from unsaved
    // text); DropPage ends that.
    void SetPage(const std::string& urlPath, std::string bytes);
    void DropPage(const std::string& urlPath);
    // The page at `urlPath` changed: the browsers showing it reload it.
    void PageChanged(const std::string& urlPath);
    // The browsers showing `from` go to `to` (the same page in another language).
    void PageMoved(const std::string& from, const std::string& to);
    // The request path of a file under the root ("/pages/english/index.htm"), "" for any
    // other file.
    std::string UrlPathOf(const std::string& file) const;

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

} // namespace larkspan
