// Fuzz target: what the live server makes of a request path and of a page it serves.
//
// Input: the first line is a request path as the server receives it (decoded), the rest a
// page's bytes. Checked: a path the server accepts names a file under its root, with no
// empty, "." or ".." part, no hidden name and no control character, so no request reaches
// outside the folder by its path; every type has a charset exactly when it is text; the
// reload script goes in whole, before the last "</body>" or at the end, and nothing of the
// page is lost.
#include "fuzz_util.h"

#include "live_server.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const size_t newline = input.find('\n');
    const std::string path = input.substr(0, newline);
    const std::string page = newline == std::string::npos ? "" : input.substr(newline + 1);
    const std::string root = "/srv/site/";
    const std::string file = larkspan::ServedFile(root, path);
    if (!file.empty()) {
        FUZZ_CHECK(file.compare(0, root.size(), root) == 0, "a served file outside the root");
        const std::string rel = "/" + file.substr(root.size());
        FUZZ_CHECK(rel.find("/.") == std::string::npos, "a hidden, . or .. part served");
        FUZZ_CHECK(rel.find("//") == std::string::npos, "an empty part served");
        for (const char c : rel)
            FUZZ_CHECK(static_cast<unsigned char>(c) >= 0x20 && c != 0x7f && c != '\\',
                       "a control character or backslash served");
        const std::string type = larkspan::ContentTypeOf(file, page);
        const bool text = type.compare(0, 5, "text/") == 0 ||
                          type.find("xml") != std::string::npos ||
                          type.find("json") != std::string::npos;
        FUZZ_CHECK(text == (type.find("; charset=") != std::string::npos), "a charset off text");
    }
    const std::string served = larkspan::WithReloadScript(page, 7);
    std::string lower = page;
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    const size_t body = lower.rfind("</body");
    const size_t at = body == std::string::npos ? page.size() : body;
    FUZZ_CHECK(served.size() > page.size(), "no reload script");
    const std::string script = served.substr(at, served.size() - page.size());
    FUZZ_CHECK(script.compare(0, 34, "<script>/* larkspan live reload */") == 0 &&
                   script.compare(script.size() - 10, 10, "</script>\n") == 0,
               "the script is not whole where it belongs");
    FUZZ_CHECK(served.substr(0, at) + served.substr(at + script.size()) == page,
               "the page changed");
    return 0;
}
