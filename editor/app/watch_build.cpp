// Watch builds: the kernel's file notifications on the folders of the project file, the
// templates and the macro files. Folders rather than files are watched, so that an editor
// that saves through a temporary file and a rename is seen; the events of one save are
// gathered until the folder has been quiet for a moment, so such a save counts once.
// A folder that goes away is waited for in its nearest existing parent, a file reached
// through symbolic links is watched in the folder of every link and of its final file, and
// the watches are made again from the project file after every change.
#include "headless_build.h"
#include "places.h"

#include <brevic/ls_files.h>
#include <brevic/ls_macrobase.h>
#include <brevic/ls_project.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <map>
#include <poll.h>
#include <set>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace larkspan {

namespace {

// The events of a save; a moment of quiet ends them.
constexpr int kQuietMs = 30;
// However the writes go on, the build starts this long after the first event.
constexpr int kGatherMs = 200;
// What a watched folder reports: files written, moved in or out, made (links too) and
// removed, and the folder itself going away. A change of times or modes alone is no save.
constexpr uint32_t kWatchMask = IN_CLOSE_WRITE | IN_MOVED_TO | IN_MOVED_FROM | IN_CREATE |
                                IN_DELETE | IN_DELETE_SELF | IN_MOVE_SELF;
// Links followed from one path at most (the kernel's own limit).
constexpr int kMaxLinks = 40;

int g_stopPipe[2] = {-1, -1};

void OnStop(int) {
    const char byte = 1;
    [[maybe_unused]] ssize_t n = ::write(g_stopPipe[1], &byte, 1);
}

// The path and, while it is a symbolic link, each path it leads to.
std::vector<std::string> LinkChain(const std::string& path) {
    std::vector<std::string> chain{path};
    for (int i = 0; i < kMaxLinks; ++i) {
        char target[LS_PATH_MAX];
        const ssize_t n = ::readlink(chain.back().c_str(), target, sizeof target);
        if (n <= 0 || n >= static_cast<ssize_t>(sizeof target)) break;
        std::string next(target, static_cast<size_t>(n));
        if (next[0] != '/') next = FolderOf(chain.back()) + next; // relative to the link's folder
        chain.push_back(next);
    }
    return chain;
}

// Whether a file just made came whole, as a symbolic link or a further name of a file does;
// a file made empty and then written reports the end of the write as well.
bool MadeWhole(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && (S_ISLNK(st.st_mode) || st.st_nlink > 1);
}

// The files whose change means a rebuild, as the project file names them.
struct WatchedFiles {
    std::vector<std::string> templates;
    std::vector<std::string> others; // the project file and the macro files
};

WatchedFiles FilesOf(tLS_project& project, const std::string& projectFile) {
    WatchedFiles files;
    files.others.push_back(projectFile);
    const int groups = std::min(project.GetGroupCount(), LS_MAX_GROUPS);
    for (int g = 0; g < groups; ++g) {
        char name[LS_PATH_MAX];
        if (project.GetGroupNameFromIni(g, name) == LS_OK)
            files.others.push_back(FolderOf(projectFile) + name + ".mcr");
    }
    const int sources = std::min(project.GetSourceCount(), LS_MAX_SOURCES);
    for (int s = 0; s < sources; ++s) {
        char path[LS_PATH_MAX];
        if (project.GetSourcePath(s, path) == LS_OK) files.templates.push_back(path);
    }
    return files;
}

// What a batch of events changed.
struct Changes {
    std::set<std::string> templates; // templates (their project paths) whose file changed
    bool other = false;   // the project file or a macro file changed, or events were lost
    bool folders = false; // a watched folder went away, or events were lost
};

// The watches on the folders of the watched files.
class Watches {
public:
    Watches() : fd_(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {}
    ~Watches() {
        if (fd_ >= 0) ::close(fd_);
    }
    Watches(const Watches&) = delete;
    Watches& operator=(const Watches&) = delete;

    int fd() const { return fd_; }
    bool Any() const { return fd_ >= 0 && !folders_.empty(); }

    // Watches the folders of `files` and of every link on the way to them; a folder that is
    // missing is waited for in its nearest existing parent (any event there makes the caller
    // set the watches again). Watches no longer needed are removed. True when a folder is
    // watched that was not before: its files may have changed unseen.
    bool Set(const WatchedFiles& files) {
        roles_.clear();
        std::set<std::string> folders;
        auto add = [&](const std::string& file, const std::string& role) {
            for (const std::string& path : LinkChain(file)) {
                roles_.emplace(path, role);
                folders.insert(FolderOf(path));
            }
        };
        for (const std::string& path : files.templates)
            add(path, path);
        for (const std::string& path : files.others)
            add(path, "");
        std::map<int, std::set<std::string>> watched;
        for (const std::string& folder : folders)
            Watch(folder, watched);
        bool added = false;
        for (const auto& entry : watched)
            added = added || !folders_.count(entry.first);
        for (const auto& entry : folders_)
            if (!watched.count(entry.first)) ::inotify_rm_watch(fd_, entry.first);
        folders_.swap(watched);
        return added;
    }

    // Reads the waiting events into `changes`.
    void Read(Changes& changes) {
        alignas(inotify_event) char buffer[16384];
        for (;;) {
            const ssize_t n = ::read(fd_, buffer, sizeof buffer);
            if (n <= 0) return;
            for (ssize_t at = 0; at < n;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
                Take(*event, changes);
            }
        }
    }

private:
    // Watches `folder`, or while it is missing its nearest existing parent.
    void Watch(const std::string& folder, std::map<int, std::set<std::string>>& watched) {
        std::string at = folder;
        for (;;) {
            const int wd = ::inotify_add_watch(fd_, at.c_str(), kWatchMask);
            if (wd >= 0) {
                watched[wd].insert(at); // one folder may be reached by several paths
                return;
            }
            if ((errno != ENOENT && errno != ENOTDIR) || at.size() <= 1) return;
            at = FolderOf(at.substr(0, at.size() - 1));
        }
    }

    void Take(const inotify_event& event, Changes& changes) {
        if (event.mask & IN_Q_OVERFLOW) { // events were lost: everything may have changed
            changes.other = changes.folders = true;
            return;
        }
        const auto folder = folders_.find(event.wd);
        if (folder == folders_.end()) return; // a watch removed here
        if (event.mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED | IN_UNMOUNT)) {
            changes.folders = true;
            return;
        }
        if (event.len == 0) return;
        for (const std::string& path : folder->second) {
            const std::string file = path + event.name;
            if ((event.mask & IN_CREATE) && !(event.mask & IN_ISDIR) && !MadeWhole(file))
                continue; // a file being written: the end of the write tells
            const auto role = roles_.find(file);
            if (role != roles_.end()) {
                if (role->second.empty())
                    changes.other = true;
                else
                    changes.templates.insert(role->second);
            }
        }
    }

    int fd_;
    std::map<int, std::set<std::string>>
        folders_; // watch → the folder paths (with "/") reaching it
    std::map<std::string, std::string>
        roles_; // a path reaching a file → its template, "" for others
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
        for (const tBaseMember* member : MembersOf(*base))
            macros[member->name] = member->content;
    }
    return texts;
}

// The names of the macros gone from each loaded group.
using RemovedNames = std::vector<std::set<std::string>>;

// An author who edits a macro file by hand leaves the times stored in it as they were, so
// the out-of-date rule alone would rebuild nothing. Every macro whose text differs from
// `before`, or that is new, gets the current time in memory (the file is not written).
// Returns the macros that are gone, which the rule cannot see at all.
RemovedNames DateChangedMacros(tLS_project& project, const MacroTexts& before) {
    const long now = static_cast<long>(::time(nullptr));
    RemovedNames removed(static_cast<size_t>(std::max(project.GetLoadedGroupCount(), 0)));
    for (int g = 0; g < project.GetLoadedGroupCount(); ++g) {
        tLS_macrobase* base = project.GetGroup(g);
        if (!base) continue;
        const auto old = before.find(base->GetFilePath());
        std::set<std::string> names;
        for (tBaseMember* member : MembersOf(*base)) {
            names.insert(member->name);
            bool changed = old == before.end();
            if (!changed) {
                const auto text = old->second.find(member->name);
                changed = text == old->second.end() || text->second != member->content;
            }
            if (changed) member->lastModified = std::max(member->lastModified, now);
        }
        if (old == before.end()) continue;
        for (const auto& entry : old->second)
            if (!names.count(entry.first)) removed[static_cast<size_t>(g)].insert(entry.first);
    }
    return removed;
}

std::string Lower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

bool HoldsAny(const std::string& lowerText, const std::set<std::string>& lowerNames) {
    for (const std::string& name : lowerNames)
        if (lowerText.find(name) != std::string::npos) return true;
    return false;
}

// A page built with a macro that is gone is out of date, but no time can say so: the macro
// is not there to be newer than the page. Such a page gets the oldest time instead, so that
// this build, or the next by any process when this one fails or is killed, builds it
// again; its text stays until then. A page counts as using a name when its template or a
// macro text of its two bases holds the name, case aside: more pages than used it, never
// fewer.
void AgePagesUsing(tLS_project& project, const RemovedNames& removed) {
    const int groups = project.GetLoadedGroupCount();
    const int first = groups > 1 ? 1 : 0;
    std::vector<std::set<std::string>> names(static_cast<size_t>(groups)); // by language
    std::vector<std::string> bases(static_cast<size_t>(groups));           // every text, lower case
    bool any = false;
    for (int g = 0; g < groups; ++g) {
        for (const std::string& name : removed[0])
            names[static_cast<size_t>(g)].insert(Lower(name));
        for (const std::string& name : removed[static_cast<size_t>(g)])
            names[static_cast<size_t>(g)].insert(Lower(name));
        any = any || !names[static_cast<size_t>(g)].empty();
        if (tLS_macrobase* base = project.GetGroup(g))
            for (const tBaseMember* member : MembersOf(*base))
                bases[static_cast<size_t>(g)] += Lower(member->content) + '\n';
    }
    if (!any) return;
    const std::string active = project.GetActiveLanguageName();
    const int sources = std::min(project.GetSourceCount(), LS_MAX_SOURCES);
    for (int s = 0; s < sources; ++s) {
        char path[LS_PATH_MAX];
        if (project.GetSourcePath(s, path) != LS_OK) continue;
        std::string text;
        brevic::ReadTextFile(path, text); // unreadable: the build reports it
        text = Lower(text);
        for (int g = first; g < groups; ++g) {
            const std::set<std::string>& used = names[static_cast<size_t>(g)];
            if (!HoldsAny(text, used) && !HoldsAny(bases[0], used) &&
                !HoldsAny(bases[static_cast<size_t>(g)], used))
                continue;
            char name[LS_PATH_MAX];
            std::string target = path;
            if (project.GetGroupName(g, name) != LS_OK) continue;
            project.SetActiveLanguageName(name);
            if (project.CreateTargetPath(target) != LS_OK) continue;
            const timespec times[2] = {{0, UTIME_OMIT}, {0, 0}};
            ::utimensat(AT_FDCWD, target.c_str(), times, 0); // no page yet: it is built anyway
        }
    }
    project.SetActiveLanguageName(active.c_str());
}

// The library creates a missing macro file empty when it opens a project; a watch must not
// bring back a file the author removed. False, after saying which, when a macro file the
// project file names is missing or not a file.
bool MacroFilesThere(tLS_project& project, const std::string& projectFile, std::ostream& out) {
    const int groups = std::min(project.GetGroupCount(), LS_MAX_GROUPS);
    for (int g = 0; g < groups; ++g) {
        char name[LS_PATH_MAX];
        if (project.GetGroupNameFromIni(g, name) != LS_OK) continue; // the opening reports it
        const std::string path = FolderOf(projectFile) + name + ".mcr";
        struct stat st {};
        if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) continue;
        out << "larkspan: cannot open project: " << VisibleText(path);
        out << (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) ? " is a directory\n"
                                                                      : ": no such file\n");
        return false;
    }
    return true;
}

// The project file, a macro file or the folders changed: the project is read again and
// every page is built by the out-of-date rule. `texts` are the macros of the last opening
// that succeeded; a project that cannot be opened stays closed until it can.
void Rebuild(tLS_project& project, const std::string& projectFile, MacroTexts& texts,
             std::ostream& out, const WatchHooks& hooks) {
    out << "Changed: rebuilding " << VisibleText(projectFile) << '\n';
    if (!MacroFilesThere(project, projectFile, out) || !OpenProject(project, projectFile, out)) {
        project.InitProject(nullptr); // nothing builds against what the files no longer say
        return;
    }
    const long since = static_cast<long>(::time(nullptr));
    AgePagesUsing(project, DateChangedMacros(project, texts));
    project.JournalChangedMacros(since); // the dates given in memory outlive this process
    texts = TextsOf(project);
    if (hooks.reopened) hooks.reopened();
    BuildAllPages(project, projectFile, false, true, out, hooks.written);
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

// Waits for events and gathers those of one save: until the folders have been quiet for a
// moment, but no longer than kGatherMs after the first, so that a file written on and on
// is built all the same. False when told to stop.
bool Gather(Watches& watches, Changes& changes) {
    bool ready = false;
    if (!WaitFor(watches.fd(), -1, ready)) return false;
    const auto first = std::chrono::steady_clock::now();
    while (ready) {
        watches.Read(changes);
        const auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now() - first);
        const int left = kGatherMs - static_cast<int>(spent.count());
        if (left <= 0) break;
        if (!WaitFor(watches.fd(), std::min(kQuietMs, left), ready)) return false;
    }
    return true;
}

} // namespace

int RunHeadlessWatch(tLS_project& project, const std::string& projectFile, std::ostream& out,
                     const WatchHooks& hooks) {
    if (g_stopPipe[0] < 0 && ::pipe2(g_stopPipe, O_CLOEXEC | O_NONBLOCK) != 0) return 1;
    struct sigaction stop {};
    stop.sa_handler = OnStop;
    ::sigaction(SIGINT, &stop, nullptr);
    ::sigaction(SIGTERM, &stop, nullptr);
    Watches watches;
    WatchedFiles files = FilesOf(project, projectFile);
    watches.Set(files);
    if (!watches.Any()) {
        out << "larkspan: cannot watch the project's files\n";
        return 1;
    }
    MacroTexts texts = TextsOf(project);
    out << "Watching " << VisibleText(projectFile) << " (Ctrl+C ends)" << std::endl;
    for (;;) {
        Changes changes;
        if (!Gather(watches, changes)) break;
        // While the project file is gone or no file, what it named last is still watched.
        if (brevic::FileExists(projectFile.c_str())) files = FilesOf(project, projectFile);
        if (watches.Set(files)) changes.folders = true;
        if (changes.other || changes.folders ||
            (!project.IsProject() && !changes.templates.empty()))
            Rebuild(project, projectFile, texts, out, hooks);
        else if (!changes.templates.empty())
            BuildTemplates(project, {changes.templates.begin(), changes.templates.end()},
                           projectFile, out, hooks.written);
        out.flush();
    }
    out << "Stopped watching\n";
    out.flush();
    return 0;
}

} // namespace larkspan
