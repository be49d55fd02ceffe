// The build journal: what a build (or a watch) has decided to rebuild, kept on disk while
// that is not done, so that a killed process or a power cut never leaves a page that a
// later build trusts.
//
// A full build writes it (flushed, replaced atomically) before it puts its first page in
// place, naming every page it is about to build; pages then go in place by rename without a
// flush of their own. At its end the build flushes the file systems it wrote to and removes
// the journal; a build that stops early leaves the pages it did not reach in it. A build of
// any process that finds a journal writes the pages it names whatever their times say, and
// counts the macros it names as changed at their times.
#pragma once

#include <string>
#include <unordered_set>
#include <vector>

class tLS_macrobase;

namespace brevic {

// A macro changed in memory only (its file keeps an older time).
struct JournalMacro {
    std::string file; // the macro file of its group
    std::string name;
    long time = 0;
};

struct BuildJournal {
    std::string id;                 // the writer's: a build removes only its own journal
    std::vector<std::string> pages; // targets to write whatever their times
    std::vector<JournalMacro> macros;

    // The journal's path beside the build log, in the project folder `folder` (with its "/").
    static std::string PathIn(const std::string& folder);
    // A new writer id, different in every process and call.
    static std::string NewId();
    // Reads the journal at `path`; false (and empty) when there is none or it cannot be read.
    bool Read(const std::string& path);
    // Replaces the journal at `path`, flushed to disk. False when it cannot be written.
    bool Write(const std::string& path) const;
    // Removes the journal at `path` when it is still the one with this id.
    void RemoveIfOwn(const std::string& path) const;
    // Raises the times of the named macros in the groups to the journal's.
    void Apply(tLS_macrobase* const* groups, int count) const;
    // Adds a macro, or raises its time when it is named already.
    void AddMacro(const std::string& file, const std::string& name, long time);
};

// Holds the journal at `path` for a build's duration (a shared lock on it), so that other
// builds know it is being worked on: they leave the temporary files of its pages alone.
class JournalHold {
public:
    explicit JournalHold(const std::string& path);
    ~JournalHold();
    JournalHold(const JournalHold&) = delete;
    JournalHold& operator=(const JournalHold&) = delete;

private:
    int fd = -1;
};

// Whether a build holds the journal at `path` (is still running).
bool JournalHeld(const std::string& path);

} // namespace brevic
