// Macro base: loading, saving and the slot operations.
#include "brevic/ls_macrobase.h"

#include "brevic/ls_files.h"
#include "strings.h"

#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr size_t kPieceLength = 152; // characters per piece the reader judges on its own

// The base name of a path: no directory (either separator), no extension.
void BaseNameOf(const char* path, char* out, size_t size) {
    const char* file = brevic::AfterLastSeparator(path);
    const char* dot = std::strrchr(file, '.');
    size_t n = dot ? static_cast<size_t>(dot - file) : std::strlen(file);
    brevic::CopyTruncated(out, size, file, n);
}

// Leading signed decimal number, 0 when there is none; saturates instead of overflowing.
long LeadingNumber(const char* p, const char* end) {
    bool negative = false;
    if (p < end && (*p == '-' || *p == '+')) negative = (*p++ == '-');
    long value = 0;
    for (; p < end && *p >= '0' && *p <= '9'; ++p) {
        if (value > (2147483647L - (*p - '0')) / 10) return negative ? -2147483647L : 2147483647L;
        value = value * 10 + (*p - '0');
    }
    return negative ? -value : value;
}

// A name that reads back from a header line exactly as it is. Only ":" and a line feed end
// a name; a carriage return inside it (read from a hand-made file) is written before the ":"
// and so never meets the line feed that would turn it into a line end.
bool StorableName(const char* name) {
    size_t n = std::strlen(name);
    return n > 0 && n <= static_cast<size_t>(LS_MACRO_NAME_MAX) &&
           std::strpbrk(name, ":\n") == nullptr;
}

} // namespace

namespace brevic {

bool MacroTextStorable(std::string_view text) {
    if (text.substr(0, 2) == "{:") return false;
    for (size_t nl = text.find('\n'); nl != std::string_view::npos; nl = text.find('\n', nl + 1)) {
        if (text.substr(nl + 1, 2) == "{:") return false;
    }
    return true;
}

static tLS_Error ParseMacroPieces(const std::string& text, tBaseMember* members, int& lastIndex);

// Every text loses the line break the writer put behind it. Texts read before a damaged
// part are complete too, so they are treated alike.
static void DropFinalLineBreaks(tBaseMember* members, int lastIndex) {
    for (int i = 0; i <= lastIndex; ++i) {
        if (!members[i].content.empty()) members[i].content.pop_back();
    }
}

tLS_Error ParseMacroText(const std::string& text, tBaseMember* members, int& lastIndex) {
    tLS_Error result = ParseMacroPieces(text, members, lastIndex);
    DropFinalLineBreaks(members, lastIndex);
    return result;
}

static tLS_Error ParseMacroPieces(const std::string& text, tBaseMember* members, int& lastIndex) {
    try {
        const char* p = text.data();
        const char* end = p + text.size();
        bool atLineStart = true;
        while (p < end) {
            // One piece: up to and including a line break, at most 152 characters.
            size_t avail = static_cast<size_t>(end - p);
            size_t limit = avail < kPieceLength ? avail : kPieceLength;
            const void* nl = std::memchr(p, '\n', limit);
            const char* pieceEnd = nl ? static_cast<const char*>(nl) + 1 : p + limit;
            bool header = atLineStart && pieceEnd - p >= 2 && p[0] == '{' && p[1] == ':';
            if (header) {
                const char* nameStart = p + 2;
                const char* nameEnd = nameStart;
                while (nameEnd < pieceEnd && *nameEnd != ':' && *nameEnd != '\n')
                    ++nameEnd;
                size_t nameLength = static_cast<size_t>(nameEnd - nameStart);
                if (nameLength > static_cast<size_t>(LS_MACRO_NAME_MAX) ||
                    lastIndex >= LS_MAX_MACROS - 1) {
                    return LS_BASE_FORMAT;
                }
                long time = 0;
                if (nameEnd < pieceEnd && *nameEnd == ':')
                    time = LeadingNumber(nameEnd + 1, pieceEnd);
                tBaseMember& m = members[++lastIndex];
                m.content.clear();
                CopyTruncated(m.name, sizeof m.name, nameStart, nameLength);
                m.lastModified = time;
                // The rest of a header line longer than a piece belongs to the header and is
                // ignored like its bytes after the time: as a text it could begin with "{:",
                // which no macro file can hold (the writer's header lines are short).
                if (pieceEnd[-1] != '\n') {
                    const void* lineEnd =
                        std::memchr(pieceEnd, '\n', static_cast<size_t>(end - pieceEnd));
                    pieceEnd = lineEnd ? static_cast<const char*>(lineEnd) + 1 : end;
                }
            } else {
                if (lastIndex < 0) return LS_BASE_NO_HEADER;
                members[lastIndex].content.append(p, static_cast<size_t>(pieceEnd - p));
            }
            atLineStart = pieceEnd[-1] == '\n';
            p = pieceEnd;
        }
    } catch (const std::bad_alloc&) {
        return LS_OUT_OF_MEMORY;
    }
    return LS_OK;
}

} // namespace brevic

// Name to first slot, exactly and without letter case. Lookups check what they find against
// the slot itself, so a stale table cannot hand out a slot of another name.
namespace {
// One table: open addressing over the names as they were when it was made (the keys), a
// power of two of entries at most half full, so a lookup takes no allocation and no
// division.
class NameTable {
public:
    void Reserve(size_t names) {
        size_t size = 16;
        while (size < 2 * names)
            size *= 2;
        entries.assign(size, Entry{});
    }
    // Keeps the first slot of a key.
    void Add(std::string key, int slot) {
        for (size_t at = Hash(key) & (entries.size() - 1);; at = (at + 1) & (entries.size() - 1)) {
            Entry& e = entries[at];
            if (e.slot < 0) {
                e.key = std::move(key);
                e.slot = slot;
                return;
            }
            if (e.key == key) return;
        }
    }
    // The slot made for `key`, or -1.
    int Find(std::string_view key) const {
        for (size_t at = Hash(key) & (entries.size() - 1);; at = (at + 1) & (entries.size() - 1)) {
            const Entry& e = entries[at];
            if (e.slot < 0 || e.key == key) return e.slot;
        }
    }

private:
    struct Entry {
        std::string key;
        int slot = -1;
    };
    static size_t Hash(std::string_view s) {
        uint64_t h = 1469598103934665603ULL; // FNV-1a: names are short
        for (unsigned char c : s)
            h = (h ^ c) * 1099511628211ULL;
        return static_cast<size_t>(h ^ (h >> 29));
    }
    std::vector<Entry> entries;
};

std::string Folded(const char* name) {
    std::string s(name);
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// `name` without letter case into `buffer` when it fits (else into `spare`).
std::string_view FoldedView(const char* name, char* buffer, size_t size, std::string& spare) {
    size_t n = 0;
    for (; name[n] && n < size; ++n)
        buffer[n] = static_cast<char>(std::tolower(static_cast<unsigned char>(name[n])));
    if (!name[n]) return std::string_view(buffer, n);
    spare = Folded(name);
    return spare;
}
} // namespace

struct tLS_macrobase::NameIndex {
    NameTable exact;
    NameTable folded;
};

void tLS_macrobase::ForgetNames() const {
    delete names;
    names = nullptr;
}

int tLS_macrobase::FindName(const char* name, int caseSensitive) const {
    if (!names) {
        try {
            names = new NameIndex;
            names->exact.Reserve(static_cast<size_t>(lastIndex + 1));
            names->folded.Reserve(static_cast<size_t>(lastIndex + 1));
            for (int i = 0; i <= lastIndex; ++i) {
                if (members[i].name[0] == '\0') continue;
                names->exact.Add(members[i].name, i);
                names->folded.Add(Folded(members[i].name), i);
            }
        } catch (const std::bad_alloc&) {
            ForgetNames();
        }
    }
    if (names) {
        try {
            char buffer[64];
            std::string spare;
            const int found =
                caseSensitive ? names->exact.Find(name)
                              : names->folded.Find(FoldedView(name, buffer, sizeof buffer, spare));
            if (found >= 0) {
                const char* slot = members[found].name;
                if (caseSensitive ? std::strcmp(slot, name) == 0 : ::strcasecmp(slot, name) == 0)
                    return found;
            }
        } catch (const std::bad_alloc&) {
        }
    }
    // Not in the table (or the table is stale): the slots themselves decide. Most differ in
    // their first character already, which is compared here without a call.
    const unsigned char first = static_cast<unsigned char>(name[0]);
    const int foldedFirst = std::tolower(first);
    for (int i = 0; i <= lastIndex; ++i) {
        const char* slotName = members[i].name;
        const unsigned char c = static_cast<unsigned char>(slotName[0]);
        if (c == '\0' || (c != first && (caseSensitive || std::tolower(c) != foldedFirst)))
            continue;
        if (caseSensitive ? std::strcmp(slotName, name) == 0 : ::strcasecmp(slotName, name) == 0)
            return i;
    }
    return -1;
}

tLS_macrobase::tLS_macrobase(const char* path, tLS_Error* slot) : errorSlot(slot) {
    tLS_Error result = LS_OK;
    if (!path || !brevic::CopyChecked(filePath, sizeof filePath, path)) {
        result = LS_BASE_OPEN;
    } else {
        BaseNameOf(filePath, baseName, sizeof baseName);
        members = new (std::nothrow) tBaseMember[LS_MAX_MACROS];
        result = members ? Load() : LS_OUT_OF_MEMORY;
    }
    if (errorSlot) *errorSlot = result;
}

tLS_macrobase::~tLS_macrobase() {
    tLS_Error result = SaveMacroBase();
    if (errorSlot) *errorSlot = result;
    ForgetNames();
    delete[] members;
}

tLS_Error tLS_macrobase::Load() {
    if (!brevic::TouchFile(filePath)) return LS_BASE_OPEN;
    std::string text;
    try {
        if (!brevic::ReadTextFile(filePath, text)) return LS_BASE_OPEN;
    } catch (const std::bad_alloc&) {
        return LS_OUT_OF_MEMORY;
    }
    lastIndex = -1;
    tLS_Error result = brevic::ParseMacroText(text, members, lastIndex);
    if (result == LS_OK) loadFailed = 0;
    return result;
}

bool tLS_macrobase::CanStore() const {
    for (int i = 0; i <= lastIndex; ++i) {
        const tBaseMember& m = members[i];
        if (m.name[0] == '\0') continue;
        if (!StorableName(m.name) || !brevic::MacroTextStorable(m.content)) return false;
    }
    return true;
}

tLS_Error tLS_macrobase::SaveMacroBase() {
    if (!modified || loadFailed || !members) return LS_OK;
    // A failed save leaves the base modified, so the next save (or the destructor) tries again.
    if (!CanStore()) return LS_BASE_WRITE;
    try {
        std::string text;
        size_t total = 0;
        for (int i = 0; i <= lastIndex; ++i)
            total += members[i].content.size() + 48;
        text.reserve(total);
        char header[LS_NAME_FIELD + 40];
        for (int i = 0; i <= lastIndex; ++i) {
            const tBaseMember& m = members[i];
            if (m.name[0] == '\0') continue;
            int n = std::snprintf(header, sizeof header, "{:%s:%ld:}\n", m.name, m.lastModified);
            text.append(header, static_cast<size_t>(n));
            text.append(m.content);
            text.push_back('\n');
        }
        if (!brevic::WriteTextFileAtomic(filePath, text)) return LS_BASE_WRITE;
        modified = 0;
        return LS_OK;
    } catch (const std::bad_alloc&) {
        return LS_BASE_WRITE;
    }
}

bool tLS_macrobase::PrepareLookups() const {
    if (!members) return true; // nothing to look up: lookups end before the tables
    FindName("", 1);
    return names != nullptr;
}

tLS_Error tLS_macrobase::GetMacroIndex(int& index, const char* name, int caseSensitive) const {
    index = -1;
    if (!name || !*name || !members) return LS_MACRO_NOT_FOUND;
    index = FindName(name, caseSensitive);
    return index >= 0 ? LS_OK : LS_MACRO_NOT_FOUND;
}

tLS_Error tLS_macrobase::GetMacroIndex(int* indices, const char* prefix, int maxCount, int& found,
                                       int caseSensitive) const {
    found = 0;
    if (!indices) return LS_MACRO_NOT_FOUND;
    indices[0] = -1;
    if (!prefix || !*prefix || !members) return LS_MACRO_NOT_FOUND;
    size_t n = std::strlen(prefix);
    for (int i = 0; i <= lastIndex && found < maxCount; ++i) {
        const char* slotName = members[i].name;
        if (slotName[0] == '\0') continue;
        bool match = caseSensitive ? std::strncmp(slotName, prefix, n) == 0
                                   : ::strncasecmp(slotName, prefix, n) == 0;
        if (match) indices[found++] = i;
    }
    indices[found] = -1;
    return LS_OK;
}

tLS_Error tLS_macrobase::GetMacroContent(int index, tBaseMember*& member) {
    if (!IsValidIndex(index)) return LS_BAD_MACRO_INDEX;
    if (members[index].name[0] == '\0') return LS_MACRO_DELETED;
    member = &members[index];
    return LS_OK;
}

tLS_Error tLS_macrobase::GetMacroContent(int index, std::string*& content) {
    tBaseMember* member = nullptr;
    tLS_Error result = GetMacroContent(index, member);
    if (result == LS_OK) content = &member->content;
    return result;
}

long tLS_macrobase::GetLastModified(int index) const {
    return IsValidIndex(index) ? members[index].lastModified : 0;
}

tLS_Error tLS_macrobase::NewMacro(std::string*& content, const char* name, int& index) {
    if (!name || !members) return LS_BASE_FORMAT;
    for (int i = 0; i <= lastIndex; ++i) {
        if (std::strcmp(members[i].name, name) == 0) return LS_MACRO_EXISTS;
    }
    if (loadFailed) return LS_BASE_NOT_LOADED;
    if (lastIndex >= LS_MAX_MACROS - 1) return LS_BASE_FULL;
    if (!StorableName(name)) return LS_BASE_FORMAT;
    tBaseMember& m = members[++lastIndex];
    m.content.clear();
    brevic::CopyTruncated(m.name, sizeof m.name, name, std::strlen(name));
    ForgetNames();
    content = &m.content;
    index = lastIndex;
    return SetModified(index);
}

tLS_Error tLS_macrobase::DeleteMacro(int index) {
    if (!IsValidIndex(index)) return LS_BAD_DELETE_INDEX;
    std::string().swap(members[index].content); // release the storage
    members[index].name[0] = '\0';
    ForgetNames();
    return LS_OK;
}

tLS_Error tLS_macrobase::SetModified(int index) {
    if (!IsValidIndex(index)) {
        loadFailed = 1;
        return LS_BAD_MODIFIED_INDEX;
    }
    members[index].lastModified = brevic::CurrentTime();
    modified = 1;
    return LS_OK;
}

void tLS_macrobase::FillListBox(tLS_ListBox* list, int reset) const {
    if (!list) return;
    if (reset) list->ResetContent();
    if (!members) return;
    for (int i = 0; i <= lastIndex; ++i) {
        if (members[i].name[0] != '\0') list->AddString(members[i].name);
    }
}

void tLS_macrobase::SetBaseName(const char* name) {
    if (name) brevic::CopyTruncated(baseName, sizeof baseName, name, std::strlen(name));
}
