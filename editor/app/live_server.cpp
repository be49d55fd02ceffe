// The live server over cpp-httplib. What reaches a file is decided here, not by the
// library's own mount points: the path is checked part by part, resolved through its links
// and served only when it stays inside the root. Requests whose Host is not this machine's
// loopback name are refused before routing, so that a page elsewhere that points a host
// name at 127.0.0.1 (DNS rebinding) cannot read the site.
#include "live_server.h"

#include <httplib.h>
#include <text_bytes.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <sys/socket.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace larkspan {

namespace {

// Threads answering requests; connections open at once (answered or waiting); event
// streams at once, which hold a thread each, so that pages are still served.
constexpr size_t kWorkers = 32;
constexpr size_t kMaxConnections = 64;
constexpr int kMaxStreams = 16;
// The events kept for streams that connect just after their page was served.
constexpr size_t kEventsKept = 64;
// A comment on every idle stream this often tells a closed browser tab.
constexpr auto kStreamPing = std::chrono::seconds(15);
// Files larger than this are not served (the site's pages and pictures are far smaller).
constexpr off_t kMaxFileSize = off_t{256} << 20;

// A pool of kWorkers threads whose queue holds at most kMaxConnections connections: while
// it is full the accepting thread waits, so the kernel's backlog holds further clients.
class BoundedPool : public httplib::TaskQueue {
public:
    BoundedPool() {
        for (size_t i = 0; i < kWorkers; ++i)
            threads_.emplace_back([this] { Work(); });
    }
    void enqueue(std::function<void()> fn) override {
        std::unique_lock<std::mutex> lock(mutex_);
        room_.wait(lock, [this] { return pending_ < kMaxConnections || stopping_; });
        ++pending_;
        jobs_.push_back(std::move(fn));
        ready_.notify_one();
    }
    // Runs the connections queued, then ends the threads.
    void shutdown() override {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stopping_ = true;
            ready_.notify_all();
            room_.notify_all();
        }
        for (std::thread& t : threads_)
            t.join();
    }

private:
    void Work() {
        for (;;) {
            std::function<void()> fn;
            {
                std::unique_lock<std::mutex> lock(mutex_);
                ready_.wait(lock, [this] { return !jobs_.empty() || stopping_; });
                if (jobs_.empty()) return;
                fn = std::move(jobs_.front());
                jobs_.pop_front();
            }
            fn();
            std::lock_guard<std::mutex> lock(mutex_);
            --pending_;
            room_.notify_one();
        }
    }

    std::mutex mutex_;
    std::condition_variable ready_, room_;
    std::deque<std::function<void()>> jobs_;
    std::vector<std::thread> threads_;
    size_t pending_ = 0; // queued and running
    bool stopping_ = false;
};

std::string Lower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// The charset a page names in its first bytes (<meta charset=…> or content="…; charset=…").
std::string DeclaredCharset(const std::string& bytes) {
    const std::string head = Lower(bytes.substr(0, 1024));
    const size_t at = head.find("charset=");
    if (at == std::string::npos) return "";
    size_t from = at + 8;
    while (from < head.size() && (head[from] == '"' || head[from] == '\''))
        ++from;
    size_t to = from;
    while (to < head.size() &&
           (std::isalnum(static_cast<unsigned char>(head[to])) || head[to] == '-' ||
            head[to] == '_' || head[to] == '.' || head[to] == ':'))
        ++to;
    return head.substr(from, std::min<size_t>(to - from, 40));
}

// A file's whole bytes, when it is a regular file inside `realRoot` however its path's
// links lead.
bool ReadServedFile(const std::string& realRoot, const std::string& path, std::string& bytes) {
    char resolved[PATH_MAX];
    if (!::realpath(path.c_str(), resolved)) return false;
    const std::string real = resolved;
    if (real.compare(0, realRoot.size(), realRoot) != 0) return false; // led out of the root
    const int fd = ::open(resolved, O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size <= kMaxFileSize;
    if (ok) {
        bytes.resize(static_cast<size_t>(st.st_size));
        size_t got = 0;
        while (got < bytes.size()) {
            const ssize_t n = ::read(fd, &bytes[got], bytes.size() - got);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            got += static_cast<size_t>(n);
        }
        bytes.resize(got); // a file cut short while read is served as it was then
    }
    ::close(fd);
    return ok;
}

// An event for the browsers showing a page: reload it, or go to another.
struct LiveEvent {
    unsigned long number;
    std::string page;
    std::string to; // "" for a reload
};

const char kReloadScript[] =
    "<script>/* larkspan live reload */(function(){"
    "var p=decodeURIComponent(location.pathname),k='larkspan-scroll:'+p,"
    "y=sessionStorage.getItem(k);"
    "if(y!==null){sessionStorage.removeItem(k);"
    "addEventListener('load',function(){scrollTo(0,+y)});}"
    "var s=new EventSource('/.larkspan/events?v=@V@&page='+encodeURIComponent(p));"
    "s.addEventListener('reload',function(){sessionStorage.setItem(k,scrollY);"
    "s.close();location.reload()});"
    "s.addEventListener('navigate',function(e){"
    "sessionStorage.setItem('larkspan-scroll:'+e.data,scrollY);s.close();"
    "location.href=encodeURI(e.data)});"
    "})();</script>\n";

} // namespace

std::string EncodedUrlPath(const std::string& path) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : path) {
        const auto b = static_cast<unsigned char>(c);
        if (std::isalnum(b) || c == '/' || c == '-' || c == '_' || c == '.' || c == '~') {
            out += c;
        } else {
            out += '%';
            out += kHex[b >> 4];
            out += kHex[b & 15];
        }
    }
    return out;
}

std::string ServedFile(const std::string& root, const std::string& urlPath) {
    if (urlPath.empty() || urlPath[0] != '/') return "";
    std::string rel;
    size_t at = 1;
    while (at < urlPath.size()) {
        size_t end = urlPath.find('/', at);
        if (end == std::string::npos) end = urlPath.size();
        const std::string part = urlPath.substr(at, end - at);
        if (part.empty() || part[0] == '.') return ""; // "", ".", "..", hidden files
        for (const char c : part)
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f || c == '\\') return "";
        rel += part;
        if (end < urlPath.size()) rel += '/';
        at = end + 1;
    }
    if (rel.empty() || rel.back() == '/') {
        struct stat st {};
        const std::string folder = root + rel;
        rel += ::stat((folder + "index.htm").c_str(), &st) == 0 ? "index.htm" : "index.html";
    }
    return root + rel;
}

std::string ContentTypeOf(const std::string& path, const std::string& bytes) {
    static const std::map<std::string, std::string> kTypes = {
        {"htm", "text/html"},       {"html", "text/html"},        {"css", "text/css"},
        {"js", "text/javascript"},  {"mjs", "text/javascript"},   {"txt", "text/plain"},
        {"xml", "application/xml"}, {"json", "application/json"}, {"svg", "image/svg+xml"},
        {"png", "image/png"},       {"gif", "image/gif"},         {"jpg", "image/jpeg"},
        {"jpeg", "image/jpeg"},     {"webp", "image/webp"},       {"ico", "image/x-icon"},
        {"avif", "image/avif"},     {"woff", "font/woff"},        {"woff2", "font/woff2"},
        {"ttf", "font/ttf"},        {"otf", "font/otf"},          {"pdf", "application/pdf"},
        {"mp4", "video/mp4"},       {"webm", "video/webm"},       {"mp3", "audio/mpeg"},
        {"ogg", "audio/ogg"},       {"wasm", "application/wasm"}, {"tpl", "text/plain"},
    };
    const size_t dot = path.rfind('.');
    const size_t slash = path.rfind('/');
    std::string ext = dot == std::string::npos || (slash != std::string::npos && dot < slash)
                          ? ""
                          : path.substr(dot + 1);
    const auto type = kTypes.find(Lower(ext));
    if (type == kTypes.end()) return "application/octet-stream";
    const bool text = type->second.compare(0, 5, "text/") == 0 || type->second == "image/svg+xml" ||
                      type->second == "application/xml" || type->second == "application/json";
    if (!text) return type->second;
    std::string charset = type->second == "text/html" ? DeclaredCharset(bytes) : "";
    const bool utf8 = brevic::IsUtf8(std::string_view(bytes).substr(0, 1 << 16), true);
    if (charset.empty()) charset = utf8 ? "utf-8" : "windows-1252";
    return type->second + "; charset=" + charset;
}

std::string WithReloadScript(const std::string& page, unsigned long version) {
    std::string script = kReloadScript;
    script.replace(script.find("@V@"), 3, std::to_string(version));
    const std::string lower = Lower(page);
    const size_t body = lower.rfind("</body");
    std::string out = page;
    out.insert(body == std::string::npos ? out.size() : body, script);
    return out;
}

// The library listens with a backlog of 5: fifty browsers' connections arriving at once
// would mostly be dropped and retried a second later. Listening again sets a longer one.
class Listener : public httplib::Server {
public:
    void LongerBacklog() { ::listen(svr_sock_, kMaxConnections); }
};

struct LiveServer::Impl {
    std::string root;
    std::string realRoot; // resolved, with "/"
    Listener server;
    std::thread thread;
    int port = 0;

    std::mutex mutex; // guards what follows
    std::condition_variable changed;
    std::string index;
    std::map<std::string, std::string> pages; // built from unsaved text, by request path
    std::deque<LiveEvent> events;
    unsigned long eventCount = 0;
    int streams = 0;
    bool stopping = false;

    void Route();
    bool HostAllowed(const httplib::Request& req) const;
    void ServeFile(const httplib::Request& req, httplib::Response& res);
    void ServeEvents(const httplib::Request& req, httplib::Response& res);
    void Notify(const std::string& page, const std::string& to);
};

bool LiveServer::Impl::HostAllowed(const httplib::Request& req) const {
    const std::string host = Lower(req.get_header_value("Host"));
    const size_t colon = host.rfind(':');
    if (colon == std::string::npos ||
        host.compare(colon + 1, std::string::npos, std::to_string(port)) != 0)
        return false;
    const std::string name = host.substr(0, colon);
    return name == "127.0.0.1" || name == "localhost" || name == "[::1]";
}

void LiveServer::Impl::Route() {
    server.new_task_queue = [] { return new BoundedPool; };
    // The library's default adds SO_REUSEPORT, with which a second server of this user binds
    // the same port and the kernel shares the requests between two sites. Reusing the
    // address alone still lets a restarted server have its port back at once.
    server.set_socket_options([](socket_t sock) {
        int yes = 1;
        ::setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    });
    server.set_keep_alive_timeout(5);
    server.set_read_timeout(5);
    server.set_write_timeout(5);
    server.set_payload_max_length(4096); // GET and HEAD carry no body
    server.set_pre_routing_handler([this](const httplib::Request& req, httplib::Response& res) {
        if (HostAllowed(req)) return httplib::Server::HandlerResponse::Unhandled;
        res.status = 403;
        res.set_content(
            "Forbidden: this server answers only for 127.0.0.1:" + std::to_string(port) + "\n",
            "text/plain; charset=utf-8");
        return httplib::Server::HandlerResponse::Handled;
    });
    auto refuse = [](const httplib::Request&, httplib::Response& res) {
        res.status = 405;
        res.set_header("Allow", "GET, HEAD");
        res.set_content("Method not allowed: only GET and HEAD\n", "text/plain; charset=utf-8");
    };
    server.Post(".*", refuse);
    server.Put(".*", refuse);
    server.Patch(".*", refuse);
    server.Delete(".*", refuse);
    server.Options(".*", refuse);
    server.Get(".*", [this](const httplib::Request& req, httplib::Response& res) {
        if (req.path == kLiveEventsPath) return ServeEvents(req, res);
        ServeFile(req, res);
    });
    server.set_exception_handler([](const httplib::Request&, httplib::Response& res,
                                    const std::exception_ptr&) { res.status = 500; });
}

void LiveServer::Impl::ServeFile(const httplib::Request& req, httplib::Response& res) {
    res.set_header("Cache-Control", "no-store");
    std::unique_lock<std::mutex> lock(mutex);
    const unsigned long version = eventCount;
    if (req.path == "/") {
        res.set_content(WithReloadScript(index, version), "text/html; charset=utf-8");
        return;
    }
    const auto built = pages.find(req.path);
    std::string bytes;
    std::string file;
    if (built != pages.end()) {
        bytes = built->second;
        file = req.path;
    }
    lock.unlock();
    if (file.empty()) {
        file = ServedFile(root, req.path);
        if (file.empty()) {
            res.status = 400;
            res.set_content("Bad request: no such path may be served\n",
                            "text/plain; charset=utf-8");
            return;
        }
        if (!ReadServedFile(realRoot, file, bytes)) {
            res.status = 404;
            res.set_content("Not found\n", "text/plain; charset=utf-8");
            return;
        }
    }
    const std::string type = ContentTypeOf(file, bytes);
    if (type.compare(0, 9, "text/html") == 0) bytes = WithReloadScript(bytes, version);
    res.set_content(bytes, type.c_str());
}

void LiveServer::Impl::ServeEvents(const httplib::Request& req, httplib::Response& res) {
    const std::string page = req.get_param_value("page");
    unsigned long since = std::strtoul(req.get_param_value("v").c_str(), nullptr, 10);
    {
        std::lock_guard<std::mutex> lock(mutex);
        // A page served by an earlier run of the server counts from that run's events.
        since = std::min(since, eventCount);
        if (streams >= kMaxStreams || stopping) {
            res.status = 503;
            res.set_header("Retry-After", "5");
            return;
        }
        ++streams;
    }
    res.set_header("Cache-Control", "no-store");
    auto seen = std::make_shared<unsigned long>(since);
    res.set_chunked_content_provider(
        "text/event-stream",
        [this, page, seen](size_t, httplib::DataSink& sink) {
            std::unique_lock<std::mutex> lock(mutex);
            auto pending = [&] {
                return stopping || (!events.empty() && events.back().number > *seen);
            };
            const bool woke = changed.wait_for(lock, kStreamPing, pending);
            if (stopping) return false;
            std::string text;
            for (const LiveEvent& event : events) {
                if (event.number <= *seen || event.page != page) continue;
                text += event.to.empty() ? "event: reload\ndata: \n\n"
                                         : "event: navigate\ndata: " + event.to + "\n\n";
            }
            if (!events.empty()) *seen = std::max(*seen, events.back().number);
            lock.unlock();
            if (!woke) text = ": waiting\n\n";
            return text.empty() || sink.write(text.data(), text.size());
        },
        [this](bool) {
            std::lock_guard<std::mutex> lock(mutex);
            --streams;
        });
}

void LiveServer::Impl::Notify(const std::string& page, const std::string& to) {
    std::lock_guard<std::mutex> lock(mutex);
    events.push_back({++eventCount, page, to});
    if (events.size() > kEventsKept) events.pop_front();
    changed.notify_all();
}

LiveServer::LiveServer(std::string root) : impl_(std::make_unique<Impl>()) {
    impl_->root = std::move(root);
    char resolved[PATH_MAX];
    impl_->realRoot =
        ::realpath(impl_->root.c_str(), resolved) ? std::string(resolved) : impl_->root;
    if (impl_->realRoot.empty() || impl_->realRoot.back() != '/') impl_->realRoot += '/';
    impl_->Route();
}

LiveServer::~LiveServer() {
    Stop();
}

bool LiveServer::Start(int port, std::string& error) {
    if (impl_->thread.joinable()) return true;
    const int first = port > 0 ? port : kDefaultServePort;
    for (int p = first; p <= first + kServePortsTried && p <= 65535; ++p) {
        if (!impl_->server.bind_to_port("127.0.0.1", p)) continue;
        impl_->port = p;
        impl_->server.LongerBacklog();
        impl_->thread = std::thread([this] { impl_->server.listen_after_bind(); });
        return true;
    }
    error = "no free port from " + std::to_string(first) + " to " +
            std::to_string(std::min(first + kServePortsTried, 65535)) + " on 127.0.0.1";
    return false;
}

void LiveServer::Stop() {
    if (!impl_->thread.joinable()) return;
    {
        std::lock_guard<std::mutex> lock(impl_->mutex);
        impl_->stopping = true;
        impl_->changed.notify_all();
    }
    impl_->server.stop();
    impl_->thread.join();
}

int LiveServer::Port() const {
    return impl_->port;
}

const std::string& LiveServer::Root() const {
    return impl_->root;
}

std::string LiveServer::Address(const std::string& urlPath) const {
    return "http://127.0.0.1:" + std::to_string(impl_->port) +
           EncodedUrlPath(urlPath.empty() ? "/" : urlPath);
}

void LiveServer::SetIndex(std::string html) {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    impl_->index = std::move(html);
}

void LiveServer::SetPage(const std::string& urlPath, std::string bytes) {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    impl_->pages[urlPath] = std::move(bytes);
}

void LiveServer::DropPage(const std::string& urlPath) {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    impl_->pages.erase(urlPath);
}

void LiveServer::PageChanged(const std::string& urlPath) {
    impl_->Notify(urlPath, "");
}

void LiveServer::PageMoved(const std::string& from, const std::string& to) {
    impl_->Notify(from, to);
}

std::string LiveServer::UrlPathOf(const std::string& file) const {
    const std::string& root = impl_->root;
    if (file.size() <= root.size() || file.compare(0, root.size(), root) != 0) return "";
    return "/" + file.substr(root.size());
}

} // namespace larkspan
