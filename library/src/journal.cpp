// The build journal's file: one entry a line, fields separated by tabs, every tab, line
// break and backslash inside a field escaped, so that any path can be named.
#include "journal.h"

#include "brevic/ls_files.h"
#include "brevic/ls_macrobase.h"
#include "brevic/ls_types.h"
#include "platform/files_internal.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <unistd.h>

namespace brevic {

namespace {

constexpr char kHeader[] = "larkspan build journal 1";
constexpr char kName[] = ".larkspan-journal";

void Escape(std::string& out, const std::string& field) {
    for (char c : field) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += c;
        }
    }
}

std::string Unescape(const std::string& field) {
    std::string out;
    for (size_t i = 0; i < field.size(); ++i) {
        char c = field[i];
        if (c == '\\' && i + 1 < field.size()) {
            c = field[++i];
            c = c == 't' ? '\t' : c == 'n' ? '\n' : c == 'r' ? '\r' : c;
        }
        out += c;
    }
    return out;
}

// The tab-separated fields of one line.
std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> fields;
    size_t at = 0;
    for (size_t tab; (tab = line.find('\t', at)) != std::string::npos; at = tab + 1)
        fields.push_back(Unescape(line.substr(at, tab - at)));
    fields.push_back(Unescape(line.substr(at)));
    return fields;
}

} // namespace

std::string BuildJournal::PathIn(const std::string& folder) {
    return folder + kName;
}

std::string BuildJournal::NewId() {
    static std::atomic<unsigned> counter{0};
    unsigned long long random = 0;
    if (::getrandom(&random, sizeof random, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof random))
        random = static_cast<unsigned long long>(::time(nullptr));
    return std::to_string(::getpid()) + "-" + std::to_string(counter.fetch_add(1)) + "-" +
           std::to_string(random);
}

bool BuildJournal::Read(const std::string& path) {
    *this = BuildJournal{};
    internal::Unfaulted unfaulted;
    std::string data;
    if (!ReadBinaryFile(path.c_str(), data)) return false;
    size_t at = 0;
    bool first = true;
    for (size_t nl; (nl = data.find('\n', at)) != std::string::npos; at = nl + 1) {
        const std::vector<std::string> f = Fields(data.substr(at, nl - at));
        if (first) {
            // Not a journal of ours: it names nothing.
            if (f.size() != 2 || f[0] != kHeader) return false;
            id = f[1];
            first = false;
        } else if (f.size() == 2 && f[0] == "P") {
            pages.push_back(f[1]);
        } else if (f.size() == 4 && f[0] == "M") {
            macros.push_back({f[2], f[3], std::strtol(f[1].c_str(), nullptr, 10)});
        }
    }
    return !first;
}

bool BuildJournal::Write(const std::string& path) const {
    std::string text = kHeader;
    text += '\t';
    Escape(text, id);
    text += '\n';
    for (const std::string& page : pages) {
        text += "P\t";
        Escape(text, page);
        text += '\n';
    }
    for (const JournalMacro& m : macros) {
        text += "M\t" + std::to_string(m.time) + "\t";
        Escape(text, m.file);
        text += '\t';
        Escape(text, m.name);
        text += '\n';
    }
    internal::Unfaulted unfaulted;
    return WriteBinaryFileAtomic(path.c_str(), text);
}

void BuildJournal::RemoveIfOwn(const std::string& path) const {
    BuildJournal there;
    if (there.Read(path) && there.id == id) ::unlink(path.c_str());
}

void BuildJournal::Apply(tLS_macrobase* const* groups, int count) const {
    for (const JournalMacro& m : macros) {
        for (int g = 0; g < count; ++g) {
            if (!groups[g] || m.file != groups[g]->GetFilePath()) continue;
            int index = -1;
            tBaseMember* member = nullptr;
            if (groups[g]->GetMacroIndex(index, m.name.c_str(), 1) == LS_OK &&
                groups[g]->GetMacroContent(index, member) == LS_OK)
                member->lastModified = std::max(member->lastModified, m.time);
        }
    }
}

void BuildJournal::AddMacro(const std::string& file, const std::string& name, long time) {
    for (JournalMacro& m : macros) {
        if (m.file == file && m.name == name) {
            m.time = std::max(m.time, time);
            return;
        }
    }
    macros.push_back({file, name, time});
}

JournalHold::JournalHold(const std::string& path) {
    fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0) ::flock(fd, LOCK_SH | LOCK_NB);
}

JournalHold::~JournalHold() {
    if (fd >= 0) ::close(fd);
}

bool JournalHeld(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    const bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0;
    ::close(fd);
    return held;
}

} // namespace brevic
