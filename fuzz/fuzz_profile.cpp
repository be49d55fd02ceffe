// Fuzz target: the INI functions, in memory and on a file.
//
// Input layout:
//   byte 0   bit 0: null key (delete or list a section), bit 1: null value (delete a key),
//            bit 2: null section for the listing call, bits 3..7: size of the small buffer
//   rest     section NUL key NUL value NUL ini-text   (the text takes the rest)
// Checked, as properties of what the functions do rather than of how: reads never write
// beyond the caller's buffer and terminate it; a write that succeeds reads back as written,
// leaves every other key as it was and keeps the file a valid INI file (each line it adds is
// blank, a section header or a key line); a write that fails leaves the file byte for byte
// as it was; a write of plain names and values always succeeds.
#include "fuzz_util.h"

#include <brevic/ls_files.h>
#include <brevic/ls_profile.h>

#include <cctype>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

// Letters, digits and inner spaces only: arguments any INI writer must be able to store.
bool Plain(const char* s) {
    if (!s || !*s || IsBlank(s[0])) return false;
    size_t n = 0;
    for (; s[n]; ++n) {
        const unsigned char c = static_cast<unsigned char>(s[n]);
        if (!std::isalnum(c) && c != ' ') return false;
    }
    return !IsBlank(s[n - 1]);
}

// A value as a reader returns it: without the blanks around it.
std::string_view Stripped(std::string_view v) {
    const size_t first = v.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) return {};
    return v.substr(first, v.find_last_not_of(" \t\r") - first + 1);
}

std::vector<std::string_view> Lines(std::string_view text) {
    std::vector<std::string_view> lines;
    for (size_t start = 0; start < text.size();) {
        size_t nl = text.find('\n', start);
        if (nl == std::string_view::npos) nl = text.size();
        lines.push_back(text.substr(start, nl - start));
        start = nl + 1;
    }
    return lines;
}

// The file stays a valid INI file: every line the write added is blank, a section header or
// a key line, and it added at most one header and one key line.
void CheckAddedLines(const std::string& before, const std::string& after) {
    std::multiset<std::string_view> old;
    for (std::string_view line : Lines(before))
        old.insert(line);
    int headers = 0;
    int keys = 0;
    for (std::string_view line : Lines(after)) {
        auto it = old.find(line);
        if (it != old.end()) {
            old.erase(it);
            continue;
        }
        const size_t first = line.find_first_not_of(" \t\r");
        if (first == std::string_view::npos) continue;
        if (line[first] == '[' && line.find(']') != std::string_view::npos) {
            ++headers;
        } else {
            FUZZ_CHECK(line[first] != ';' && line.find('=') != std::string_view::npos,
                       "the write added a line that is neither header nor key");
            ++keys;
        }
    }
    FUZZ_CHECK(headers <= 1 && keys <= 1, "the write added more than one header or key line");
}

// The names of a NUL-separated list as GetPrivateProfileString returns it.
std::vector<std::string> ListEntries(const char* buf, unsigned long length) {
    std::vector<std::string> names;
    unsigned long i = 0;
    while (i < length && buf[i] != '\0') {
        names.emplace_back(buf + i);
        i += static_cast<unsigned long>(names.back().size()) + 1;
    }
    return names;
}

// Every (section, key) pair of the text that a reader can name, up to a limit, with its value.
struct Entry {
    std::string section;
    std::string key;
    bool found;
    std::string value;
};

std::vector<Entry> Entries(const std::string& file, const std::string& text) {
    std::vector<Entry> out;
    std::vector<char> buf(8192);
    unsigned long n =
        GetPrivateProfileString(nullptr, nullptr, nullptr, buf.data(), buf.size(), file.c_str());
    for (const std::string& section : ListEntries(buf.data(), n)) {
        std::vector<char> keys(8192);
        unsigned long k = GetPrivateProfileString(section.c_str(), nullptr, nullptr, keys.data(),
                                                  keys.size(), file.c_str());
        for (const std::string& key : ListEntries(keys.data(), k)) {
            Entry e{section, key, false, {}};
            e.found = brevic::FindProfileValue(text, section.c_str(), key.c_str(), e.value);
            out.push_back(std::move(e));
            if (out.size() >= 48) return out;
        }
    }
    return out;
}

void CheckSmallRead(const char* section, const char* key, const char* def, unsigned long size,
                    const std::string& file) {
    // Exactly `size` bytes on the heap, so that one byte too many is an ASan report.
    std::unique_ptr<char[]> out(new char[size + 1]);
    std::memset(out.get(), 'Z', size + 1);
    unsigned long n =
        GetPrivateProfileString(section, key, def, size ? out.get() : nullptr, size, file.c_str());
    if (size == 0) {
        FUZZ_CHECK(n == 0, "a zero-sized buffer got characters");
        return;
    }
    FUZZ_CHECK(n < size, "more characters reported than the buffer holds");
    FUZZ_CHECK(out[n] == '\0', "result not terminated where the count says");
    FUZZ_CHECK(out[size] == 'Z', "wrote beyond the buffer");
    if ((!key || !section) && size >= 2) {
        // A list ends with two NULs: the last name's and one more (or, cut short, two behind
        // the part that fitted).
        const bool doubleNul =
            (n >= 1 && out[n - 1] == '\0') || (n + 1 < size && out[n + 1] == '\0');
        FUZZ_CHECK(doubleNul, "list not ended by two NULs");
    }
}

void InMemory(const std::string& text, const char* section, const char* key, const char* value) {
    std::string found;
    if (brevic::FindProfileValue(text, section, key, found)) {
        FUZZ_CHECK(Stripped(found) == found, "a value came back with blanks around it");
        // A lone CR inside a line is text; only "\n" ends a line in memory.
        FUZZ_CHECK(found.find('\n') == std::string::npos, "a value came back with a line break");
    }
    std::string updated = text;
    brevic::SetProfileValue(updated, section, key, value);
    if (updated == text) return; // refused, or nothing to change
    CheckAddedLines(text, updated);
    std::string back;
    const bool present = key && brevic::FindProfileValue(updated, section, key, back);
    if (key && value) {
        FUZZ_CHECK(present && back == Stripped(value), "SetProfileValue value does not read back");
    } else if (key) {
        FUZZ_CHECK(!present, "a deleted key still reads back");
    }
}

void OnFile(const std::string& text, const char* section, const char* key, const char* value,
            unsigned flags) {
    const std::string file = fuzzutil::ScratchDir() + "p.ini";
    fuzzutil::RemoveTree(file);
    fuzzutil::WriteBytes(file, text);
    std::string mem;
    FUZZ_CHECK(brevic::ReadTextFile(file.c_str(), mem), "ReadTextFile failed on a plain file");

    // Reads: small and large buffers, a value and the name lists.
    const unsigned long small = flags >> 3;
    CheckSmallRead(section, key, "default", small, file);
    CheckSmallRead(section, nullptr, nullptr, small, file);
    CheckSmallRead((flags & 4) ? nullptr : section, nullptr, nullptr, small, file);
    CheckSmallRead(section, key, "default", 4096, file);
    CheckSmallRead(section, nullptr, nullptr, 4096, file);
    CheckSmallRead(nullptr, nullptr, nullptr, 4096, file);
    // `def` may be the caller's own output buffer.
    {
        char buf[64] = "the default";
        GetPrivateProfileString(section, key, buf, buf, sizeof buf, file.c_str());
        FUZZ_CHECK(std::memchr(buf, '\0', sizeof buf) != nullptr, "aliasing read not terminated");
    }
    (void)GetPrivateProfileInt(section, key, 7, file.c_str());
    std::string fileValue;
    std::string memValue;
    const bool inFile = brevic::ReadProfileValue(section, key, fileValue, file.c_str());
    const bool inMem = brevic::FindProfileValue(mem, section, key, memValue);
    FUZZ_CHECK(inFile == inMem && fileValue == memValue, "file and memory readers disagree");

    // The write.
    const std::vector<Entry> before = Entries(file, mem);
    const int written = WritePrivateProfileString(section, key, value, file.c_str());
    bool ok = false;
    const std::string afterBytes = fuzzutil::ReadBytes(file, &ok);
    if (!written) {
        FUZZ_CHECK(!ok || afterBytes == text, "a failed write changed the file");
        FUZZ_CHECK(!(Plain(section) && (!key || Plain(key)) && (!value || Plain(value))),
                   "a write of plain arguments failed");
        return;
    }
    std::string after;
    FUZZ_CHECK(brevic::ReadTextFile(file.c_str(), after), "written file unreadable");
    CheckAddedLines(mem, after);
    std::string back;
    const bool present = key && brevic::ReadProfileValue(section, key, back, file.c_str());
    if (key && value) {
        FUZZ_CHECK(present && back == Stripped(value), "written value does not read back");
    } else if (key) {
        FUZZ_CHECK(!present, "deleted key still reads back");
    } else {
        std::vector<char> keys(64, 'Z');
        GetPrivateProfileString(section, nullptr, nullptr, keys.data(), keys.size(), file.c_str());
        FUZZ_CHECK(keys[0] == '\0', "deleted section still lists keys");
    }
    // Every other key reads as before. The keys the write was about are told by how they
    // read now: as the written key does, or (a deleted section) not at all.
    std::string writtenValue;
    const bool writtenFound = key && brevic::FindProfileValue(after, section, key, writtenValue);
    for (const Entry& e : before) {
        std::string v;
        const bool f = brevic::FindProfileValue(after, e.section.c_str(), e.key.c_str(), v);
        if (f == e.found && v == e.value) continue;
        const bool concerned = key ? f == writtenFound && v == writtenValue : !f;
        if (!concerned) {
            std::fprintf(stderr, "entry [%s] %s changed\n", e.section.c_str(), e.key.c_str());
            FUZZ_CHECK(false, "a write changed another key");
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const unsigned flags = data[0];
    std::vector<std::string> parts = fuzzutil::Split(
        std::string_view(reinterpret_cast<const char*>(data) + 1, size - 1), '\0', 4);
    parts.resize(4);
    const char* section = parts[0].c_str();
    const char* key = (flags & 1) ? nullptr : parts[1].c_str();
    const char* value = (flags & 2) ? nullptr : parts[2].c_str();
    const std::string& text = parts[3];

    InMemory(text, section, key, value);
    InMemory(text, nullptr, key, value);
    OnFile(text, section, key, value, flags);
    return 0;
}
