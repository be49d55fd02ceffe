// Watch builds: the kernel's file notifications on the folders of the project file, the
// templates and the macro files. Folders rather than files are watched, so that an editor
// that saves through a temporary file and a rename is seen; the events of one save are
// gathered until the folder has been quiet for a moment, so such a save counts once.
#include "headless_build.h"

#include <brevic/ls_macrobase.h>
#include <brevic/ls_project.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <map>
#include <poll.h>
#include <set>
#include <sys/inotify.h>
#include <unistd.h>
#include <vector>

namespace larkspan {

namespace {

// The events of a save; a moment of quiet ends them.
constexpr int kQuietMs = 30;

int g_stopPipe[2] = {-1, -1};

void OnStop(int) {
    const char byte = 1;
    [[maybe_unused]] ssize_t n = ::write(g_stopPipe[1], &byte, 1);
}

std::string FolderOf(const std::string& path) { return path.substr(0, path.rfind('/') + 1); }

// The files whose change means a rebuild, and the watches on their folders.
class Watches {
public:
    Watches() : fd_(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {}
    ~Watches() {
        if (fd_ >= 0) ::close(fd_);
    }
    Watches(const Watches&) = delete;
    Watches& operator=(const Watches&) = delete;

    int fd() const { return fd_; }

    // Watches the project file, every template and every macro file of the open project.
    bool Set(tLS_project& project, const std::string& projectFile) {
        for (const auto& entry : folders_) ::inotify_rm_watch(fd_, entry.first);
        folders_.clear();
        templates_.clear();
        others_ = {projectFile};
        for (int s = 0; s < project.GetSourceCount(); ++s) {
            char path[LS_PATH_MAX];
            if (project.GetSourcePath(s, path) == LS_OK) templates_.insert(path);
        }
        for (int g = 0; g < project.GetLoadedGroupCount(); ++g)
            if (tLS_macrobase* base = project.GetGroup(g)) others_.insert(base->GetFilePath());
        std::set<std::string> folders;
        for (const std::string& path : templates_) folders.insert(FolderOf(path));
        for (const std::string& path : others_) folders.insert(FolderOf(path));
        for (const std::string& folder : folders) {
            const int wd = ::inotify_add_watch(fd_, folder.c_str(), IN_CLOSE_WRITE | IN_MOVED_TO | IN_DELETE);
            if (wd >= 0) folders_[wd] = folder;
        }
        return fd_ >= 0 && !folders_.empty();
    }

    // Reads the waiting events: the changed templates go to `templates`; a change of any
    // other watched file sets `other`.
    void Read(std::set<std::string>& templates, bool& other) {
        alignas(inotify_event) char buffer[16384];
        for (;;) {
            const ssize_t n = ::read(fd_, buffer, sizeof buffer);
            if (n <= 0) return;
            for (ssize_t at = 0; at < n;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
                if (event->mask & IN_Q_OVERFLOW) other = true; // lost events: rebuild everything
                auto folder = folders_.find(event->wd);
                if (folder == folders_.end() || event->len == 0) continue;
                const std::string path = folder->second + event->name;
                if (templates_.count(path)) templates.insert(path);
                if (others_.count(path)) other = true;
            }
        }
    }

private:
    int fd_;
    std::map<int, std::string> folders_;
    std::set<std::string> templates_;
    std::set<std::string> others_;
};

// The live macros of a base.
std::vector<tBaseMember*> MembersOf(tLS_macrobase& base) {
    std::vector<tBaseMember*> members;
    for (int i = 0;; ++i) {
        tBaseMember* member = nullptr;
        const tLS_Error r = base.GetMacroContent(i, member);
        if (r == LS_MACRO_DELETED) continue;
        if (r != LS_OK) return members;
        members.push_back(member);
    }
}

// Each macro's text, by macro file and name.
using MacroTexts = std::map<std::string, std::map<std::string, std::string>>;

MacroTexts TextsOf(tLS_project& project) {
    MacroTexts texts;
    for (int g = 0; g < project.GetLoadedGroupCount(); ++g) {
        tLS_macrobase* base = project.GetGroup(g);
        if (!base) continue;
        auto& macros = texts[base->GetFilePath()];
        for (const tBaseMember* member : MembersOf(*base)) macros[member->name] = member->content;
    }
    return texts;
}

// An author who edits a macro file by hand leaves the times stored in it as they were, so
// the out-of-date rule alone would rebuild nothing. Every macro whose text differs from
// `before`, or that is new, gets the current time in memory (the file is not written).
// A macro that is gone cannot be seen by the rule: every macro of its file counts as
// changed then.
void DateChangedMacros(tLS_project& project, const MacroTexts& before) {
    const long now = static_cast<long>(::time(nullptr));
    for (int g = 0; g < project.GetLoadedGroupCount(); ++g) {
        tLS_macrobase* base = project.GetGroup(g);
        if (!base) continue;
        const std::vector<tBaseMember*> members = MembersOf(*base);
        const auto old = before.find(base->GetFilePath());
        bool allChanged = old == before.end();
        if (!allChanged) {
            std::set<std::string> names;
            for (const tBaseMember* member : members) names.insert(member->name);
            for (const auto& entry : old->second) allChanged = allChanged || !names.count(entry.first);
        }
        for (tBaseMember* member : members) {
            bool changed = allChanged;
            if (!changed) {
                const auto text = old->second.find(member->name);
                changed = text == old->second.end() || text->second != member->content;
            }
            if (changed) member->lastModified = std::max(member->lastModified, now);
        }
    }
}

// Waits for `fd` or the stop pipe; -1 forever. False when told to stop.
bool WaitFor(int fd, int timeoutMs, bool& ready) {
    pollfd fds[2] = {{fd, POLLIN, 0}, {g_stopPipe[0], POLLIN, 0}};
    int n;
    do {
        n = ::poll(fds, 2, timeoutMs);
    } while (n < 0 && errno == EINTR);
    ready = n > 0 && (fds[0].revents & POLLIN);
    return !(n > 0 && (fds[1].revents & POLLIN));
}

} // namespace

int RunHeadlessWatch(tLS_project& project, const std::string& projectFile, std::ostream& out) {
    if (g_stopPipe[0] < 0 && ::pipe2(g_stopPipe, O_CLOEXEC | O_NONBLOCK) != 0) return 1;
    struct sigaction stop {};
    stop.sa_handler = OnStop;
    ::sigaction(SIGINT, &stop, nullptr);
    ::sigaction(SIGTERM, &stop, nullptr);
    Watches watches;
    if (!watches.Set(project, projectFile)) {
        out << "larkspan: cannot watch the project's files\n";
        return 1;
    }
    out << "Watching " << projectFile << " (Ctrl+C ends)" << std::endl;
    for (;;) {
        bool ready = false;
        if (!WaitFor(watches.fd(), -1, ready)) break;
        std::set<std::string> templates;
        bool other = false;
        // One save may come as several events: gather them until the folders are quiet.
        bool stopping = false;
        while (ready && !stopping) {
            watches.Read(templates, other);
            stopping = !WaitFor(watches.fd(), kQuietMs, ready);
        }
        if (stopping) break;
        if (other) {
            // The project file or a macro file: the project is read again and every page
            // is built by the out-of-date rule.
            out << "Changed: rebuilding " << projectFile << '\n';
            const MacroTexts before = TextsOf(project);
            if (OpenProject(project, projectFile, out)) {
                const long since = static_cast<long>(::time(nullptr));
                DateChangedMacros(project, before);
                project.JournalChangedMacros(since); // the dates outlive this process
                BuildAllPages(project, projectFile, false, true, out);
                watches.Set(project, projectFile);
            }
        } else if (!templates.empty()) {
            BuildTemplates(project, {templates.begin(), templates.end()}, projectFile, out);
        }
        out.flush();
    }
    out << "Stopped watching\n";
    out.flush();
    return 0;
}

} // namespace larkspan
