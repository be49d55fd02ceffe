// The live server answering real requests over loopback sockets: what it serves, what it
// refuses, and the events that make pages reload.
#include "http_test_client.h"
#include "live_server.h"
#include "test_util.h"

#include <gtest/gtest.h>

#include <filesystem>

using testutil::ReadBytes;
using testutil::WriteBytes;
using namespace testhttp;

namespace {

std::string Get(int port, const std::string& target, const std::string& method = "GET",
                const std::string& host = "") {
    return Send(port, method + " " + target + " HTTP/1.1\r\nHost: " +
                          (host.empty() ? "127.0.0.1:" + std::to_string(port) : host) + "\r\n\r\n");
}

std::string Status(const std::string& answer) {
    return answer.substr(0, answer.find("\r\n"));
}

std::string Code(const std::string& answer) {
    return answer.size() > 12 ? answer.substr(9, 3) : "no answer";
}

std::string Header(const std::string& answer, const std::string& name) {
    const size_t at = answer.find("\r\n" + name + ": ");
    if (at == std::string::npos) return "";
    const size_t from = at + name.size() + 4;
    return answer.substr(from, answer.find("\r\n", from) - from);
}

std::string Body(const std::string& answer) {
    const size_t at = answer.find("\r\n\r\n");
    return at == std::string::npos ? "" : answer.substr(at + 4);
}

class Serve : public ::testing::Test {
protected:
    void SetUp() override {
        WriteBytes(root + "pages/english/index.htm",
                   "<html><body><h1>Hello, W\xc3\xb6rld</h1></BODY></html>\n");
        WriteBytes(root + "pages/deutsch/index.htm",
                   "<html><head><meta charset=\"iso-8859-1\"></head><body>Gr\xfc\xdf Gott\n");
        WriteBytes(root + "style.css", "h1 { color: red }\n");
        WriteBytes(root + "img/dot.png", std::string("\x89PNG\r\n\x1a\n", 8));
        WriteBytes(root + "pages/.index.htm.Ab12Cd34Ef56.larkspan-tmp", "half a page");
        WriteBytes(dir / "outside.txt", "secret\n");
        std::filesystem::create_symlink(dir / "outside.txt", root + "leak.txt");
        std::filesystem::create_symlink("pages/english/index.htm", root + "home.htm");
        std::string error;
        ASSERT_TRUE(server.Start(0, error)) << error;
        port = server.Port();
    }

    testutil::TempDir dir;
    std::string root = dir / "site/";
    larkspan::LiveServer server{root};
    int port = 0;
};

TEST_F(Serve, FilesGoWithTheirTypesAndPagesCarryTheReloadScriptOnlyInTheAnswer) {
    EXPECT_GE(port, larkspan::kDefaultServePort);
    // A second site never shares the port (the kernel would split the requests between them).
    larkspan::LiveServer other(dir / "other/");
    std::string error;
    ASSERT_TRUE(other.Start(port, error)) << error;
    EXPECT_NE(other.Port(), port);
    std::string a = Get(port, "/pages/english/index.htm");
    EXPECT_EQ(Status(a), "HTTP/1.1 200 OK");
    EXPECT_EQ(Header(a, "Content-Type"), "text/html; charset=utf-8");
    const std::string body = Body(a);
    const size_t script = body.find("<script>/* larkspan live reload */");
    ASSERT_NE(script, std::string::npos) << body;
    EXPECT_EQ(body.find("</BODY>"), body.find("</script>\n") + 10) << "inserted before </body>";
    EXPECT_EQ(ReadBytes(root + "pages/english/index.htm"),
              "<html><body><h1>Hello, W\xc3\xb6rld</h1></BODY></html>\n");
    // HEAD: the same headers, no body.
    const std::string head = Get(port, "/pages/english/index.htm", "HEAD");
    EXPECT_EQ(Header(head, "Content-Length"), std::to_string(body.size()));
    EXPECT_EQ(Body(head), "");

    EXPECT_EQ(Header(Get(port, "/pages/deutsch/index.htm"), "Content-Type"),
              "text/html; charset=iso-8859-1");
    EXPECT_EQ(Header(Get(port, "/style.css"), "Content-Type"), "text/css; charset=utf-8");
    a = Get(port, "/img/dot.png");
    EXPECT_EQ(Header(a, "Content-Type"), "image/png");
    EXPECT_EQ(Body(a), std::string("\x89PNG\r\n\x1a\n", 8));
    EXPECT_EQ(Status(Get(port, "/pages/english/")), "HTTP/1.1 200 OK") << "a folder's index.htm";
    EXPECT_EQ(Status(Get(port, "/home.htm")), "HTTP/1.1 200 OK") << "a link inside the folder";
    EXPECT_EQ(Status(Get(port, "/pages/english/gone.htm")), "HTTP/1.1 404 Not Found");

    // A page built from unsaved text is served in place of its file, which stays.
    server.SetPage("/pages/english/index.htm", "<p>unsaved</p>");
    EXPECT_EQ(Body(Get(port, "/pages/english/index.htm")).compare(0, 14, "<p>unsaved</p>"), 0);
    server.DropPage("/pages/english/index.htm");
    EXPECT_NE(Body(Get(port, "/pages/english/index.htm")).find("Hello"), std::string::npos);
}

TEST_F(Serve, RefusesWhatLeadsOutForeignHostsOtherMethodsAndMalformedRequests) {
    const struct {
        std::string request;
        const char* status;
    } refused[] = {
        {"GET /../outside.txt HTTP/1.1\r\nHost: 127.0.0.1:@\r\n\r\n", "400"},
        {"GET /pages/%2e%2e/%2e%2e/outside.txt HTTP/1.1\r\nHost: 127.0.0.1:@\r\n\r\n", "400"},
        {"GET //etc/passwd HTTP/1.1\r\nHost: 127.0.0.1:@\r\n\r\n", "400"},
        {"GET /etc/passwd HTTP/1.1\r\nHost: 127.0.0.1:@\r\n\r\n", "404"},
        {"GET http://127.0.0.1:@/style.css HTTP/1.1\r\nHost: 127.0.0.1:@\r\n\r\n", "400"},
        {"GET /leak.txt HTTP/1.1\r\nHost: 127.0.0.1:@\r\n\r\n", "404"},
        {"GET /pages/.index.htm.Ab12Cd34Ef56.larkspan-tmp HTTP/1.1\r\nHost: localhost:@\r\n\r\n",
         "400"},
        {"GET /style.css%00.png HTTP/1.1\r\nHost: 127.0.0.1:@\r\n\r\n", "400"},
        {"GET /style.css HTTP/1.1\r\nHost: attacker.example:@\r\n\r\n", "403"},
        {"GET /style.css HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n", "403"},
        {"GET /style.css HTTP/1.1\r\n\r\n", "403"},
        {"POST /style.css HTTP/1.1\r\nHost: 127.0.0.1:@\r\nContent-Length: 2\r\n\r\nab", "405"},
        {"DELETE /style.css HTTP/1.1\r\nHost: 127.0.0.1:@\r\n\r\n", "405"},
        {"BREW /style.css HTTP/1.1\r\nHost: 127.0.0.1:@\r\n\r\n", "400"},
        {"GET /" + std::string(1 << 20, 'a') + " HTTP/1.1\r\nHost: 127.0.0.1:@\r\n\r\n", "414"},
        {"\x16\x03\x01\x02\xfc\x03\x03 \xff\r\n\r\n", "400"},
    };
    for (auto r : refused) {
        for (size_t at; (at = r.request.find('@')) != std::string::npos;)
            r.request.replace(at, 1, std::to_string(port));
        const std::string answer = Send(port, r.request);
        EXPECT_EQ(Code(answer), r.status) << r.request.substr(0, 80);
        EXPECT_EQ(answer.find("secret"), std::string::npos);
    }
    // Still serving after all that.
    EXPECT_EQ(Status(Get(port, "/style.css", "GET", "localhost:" + std::to_string(port))),
              "HTTP/1.1 200 OK");
}

TEST_F(Serve, ABrowserShowingAPageIsToldWhenItChangesOrMoves) {
    const int fd = Connect(port);
    ASSERT_GE(fd, 0);
    const std::string request =
        "GET /.larkspan/events?v=0&page=%2Fpages%2Fenglish%2Findex.htm HTTP/1.1\r\nHost: "
        "127.0.0.1:" +
        std::to_string(port) + "\r\n\r\n";
    ASSERT_EQ(::send(fd, request.data(), request.size(), MSG_NOSIGNAL),
              static_cast<ssize_t>(request.size()));
    EXPECT_NE(ReadUntil(fd, "text/event-stream").find("200 OK"), std::string::npos);
    server.PageChanged("/pages/deutsch/index.htm"); // another page: nothing comes
    server.PageChanged("/pages/english/index.htm");
    std::string got = ReadUntil(fd, "event: reload");
    EXPECT_NE(got.find("event: reload"), std::string::npos) << got;
    EXPECT_EQ(got.find("event: reload"), got.rfind("event: reload")) << got;
    server.PageMoved("/pages/english/index.htm", "/pages/deutsch/index.htm");
    got = ReadUntil(fd, "\n\n");
    EXPECT_NE(got.find("event: navigate\ndata: /pages/deutsch/index.htm\n\n"), std::string::npos)
        << got;
    // A page served before a change it has not heard of reloads as soon as it listens.
    const int late = Connect(port);
    const std::string again =
        "GET /.larkspan/events?v=1&page=%2Fpages%2Fenglish%2Findex.htm HTTP/1.1\r\nHost: "
        "localhost:" +
        std::to_string(port) + "\r\n\r\n";
    ::send(late, again.data(), again.size(), MSG_NOSIGNAL);
    EXPECT_NE(ReadUntil(late, "event: reload").find("event: reload"), std::string::npos);
    ::close(late);
    // A page served by an earlier run of the server (more events than this one has had)
    // hears of the next change all the same.
    const int earlier = Connect(port);
    std::string old = again;
    old.replace(old.find("v=1"), 3, "v=999");
    ::send(earlier, old.data(), old.size(), MSG_NOSIGNAL);
    ReadUntil(earlier, "text/event-stream");
    server.PageChanged("/pages/english/index.htm");
    EXPECT_NE(ReadUntil(earlier, "event: reload").find("event: reload"), std::string::npos);
    ::close(earlier);
    ::close(fd);
    server.Stop(); // with a stream open: it ends
}

} // namespace
