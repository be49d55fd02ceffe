// Helpers shared by the libFuzzer targets: one scratch directory per process, byte-exact file
// access, recording implementations of the library's caller interfaces, and the check that
// turns a broken invariant into a crash libFuzzer records.
#pragma once

#include <brevic/ls_types.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

// A broken invariant is a finding: say which, then abort so that libFuzzer saves the input.
#define FUZZ_CHECK(cond, what)                                                                     \
    do {                                                                                           \
        if (!(cond)) {                                                                             \
            std::fprintf(stderr, "FUZZ_CHECK failed at %s:%d: %s\n  (%s)\n", __FILE__, __LINE__,   \
                         (what), #cond);                                                           \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)

namespace fuzzutil {

// The process's scratch directory (created once under $TMPDIR or /tmp, removed at a normal
// exit), with a trailing "/". Paths stay short: the library refuses paths of 260 characters.
inline const std::string& ScratchDir() {
    static const std::string dir = [] {
        std::string base = "/tmp";
        const char* tmp = std::getenv("TMPDIR");
        if (tmp && *tmp && std::string_view(tmp).size() < 120) base = tmp;
        std::string pattern = base + "/lkfz-XXXXXX";
        std::vector<char> buf(pattern.begin(), pattern.end());
        buf.push_back('\0');
        if (!::mkdtemp(buf.data())) {
            std::perror("mkdtemp");
            std::abort();
        }
        std::string made(buf.data());
        static const std::string removeAtExit = made;
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(removeAtExit, ec);
        });
        return made + "/";
    }();
    return dir;
}

// Removes a file or a whole tree; missing is fine.
inline void RemoveTree(const std::string& path) {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
}

inline void WriteBytes(const std::string& path, std::string_view data) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(data.data(), static_cast<std::streamsize>(data.size()));
    out.close();
    FUZZ_CHECK(out.good(), "the harness could not write its scratch file");
}

// The file's bytes; `ok` false when it cannot be opened.
inline std::string ReadBytes(const std::string& path, bool* ok = nullptr) {
    std::ifstream in(path, std::ios::binary);
    if (ok) *ok = in.good();
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Splits at every `delimiter` byte; at most `maxParts` parts (the last takes the rest).
inline std::vector<std::string> Split(std::string_view data, char delimiter, size_t maxParts) {
    std::vector<std::string> parts;
    while (parts.size() + 1 < maxParts) {
        size_t at = data.find(delimiter);
        if (at == std::string_view::npos) break;
        parts.emplace_back(data.substr(0, at));
        data.remove_prefix(at + 1);
    }
    parts.emplace_back(data);
    return parts;
}

// Message list that keeps what it is given and checks that every line is a C string the
// caller can read (the library must not hand out dangling or unterminated text).
struct RecordingList : tLS_ListBox {
    std::vector<std::string> lines;
    int resets = 0;
    void ResetContent() override {
        ++resets;
        lines.clear();
    }
    void AddString(const char* line) override {
        FUZZ_CHECK(line != nullptr, "AddString got a null line");
        lines.emplace_back(line);
    }
};

// Progress display that checks the percentages and keeps the finished targets.
struct RecordingProgress : tLS_Progress {
    int calls = 0;
    std::vector<std::string> targets;
    void SetPos(int percent) override {
        ++calls;
        FUZZ_CHECK(percent >= 0 && percent <= 100, "SetPos outside 0..100");
    }
    void TargetDone(const tLS_Target& target, const std::string& messages) override {
        FUZZ_CHECK(target.path != nullptr, "TargetDone without a path");
        FUZZ_CHECK(target.templatePath != nullptr && target.language != nullptr,
                   "TargetDone without its template or language");
        FUZZ_CHECK(target.written == 0 || target.written == 1,
                   "TargetDone with a bad written flag");
        (void)messages.size();
        targets.emplace_back(target.path);
    }
};

inline size_t Count(std::string_view text, std::string_view what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string_view::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

} // namespace fuzzutil
