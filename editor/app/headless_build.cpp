#include "headless_build.h"

#include "command_line.h"
#include "places.h"
#include "site_check.h"

#include <brevic/ls_files.h>
#include <brevic/ls_project.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>

namespace larkspan {

namespace {

// Prints what the build does: the messages of every target and the pages written.
class ConsoleProgress : public tLS_Progress {
public:
    ConsoleProgress(std::ostream& out, bool terminal, std::string root, bool writtenOnly = false)
        : out_(out), terminal_(terminal), writtenOnly_(writtenOnly), root_(std::move(root)) {}

    void SetPos(int percent) override {
        if (!terminal_) return;
        out_ << "\r  [" << (percent < 10 ? "  " : percent < 100 ? " " : "") << percent << "%] "
             << std::flush;
    }

    void TargetDone(const char* targetPath, int written, const std::string& messages) override {
        if (terminal_) out_ << "\r\033[K";
        out_ << messages;
        if (written || !writtenOnly_)
            out_ << (written ? "  wrote      " : "  up to date ") << Shorten(targetPath) << '\n';
        ++targets_;
        if (written) ++written_;
    }

    int targets() const { return targets_; }
    int written() const { return written_; }

private:
    std::string Shorten(const char* path) const {
        std::string p = path ? path : "";
        return p.compare(0, root_.size(), root_) == 0 ? p.substr(root_.size()) : p;
    }

    std::ostream& out_;
    bool terminal_;
    bool writtenOnly_;
    std::string root_;
    int targets_ = 0;
    int written_ = 0;
};

std::string DirectoryOf(const std::string& path) { return path.substr(0, path.rfind('/') + 1); }

void Fail(std::ostream& out, const char* what, tLS_Error code, const std::string& file) {
    out << "larkspan: " << what << ": " << LS_ErrorName(code) << " (" << LS_ErrorText(code) << ")";
    if (!file.empty()) out << ": " << file;
    out << '\n';
}

// The signal that interrupted the build (0: none).
std::atomic<int> g_interrupted{0};
static_assert(std::atomic<int>::is_always_lock_free);

void OnInterrupt(int signal) {
    g_interrupted.store(signal);
    brevic::CancelBuilds();
}

// Until the build ends, SIGINT and SIGTERM stop it at the page in hand rather than the
// process at once: the page being written is abandoned and the journal keeps what is left.
void StopBuildsOnSignals() {
    struct sigaction stop {};
    stop.sa_handler = OnInterrupt;
    ::sigaction(SIGINT, &stop, nullptr);
    ::sigaction(SIGTERM, &stop, nullptr);
}

// "build failed" and why, as far as that is known.
std::string FailureSummary(const tLS_project& project) {
    std::string what = "build failed";
    std::string reason = tLS_project::FailureReasonText(project.GetFailureReason());
    if (reason.empty() && *project.GetFailedFile())
        reason = project.FailedFileWasWrite() ? "cannot write" : "cannot read";
    if (!reason.empty()) what += " (" + reason + ")";
    return what;
}

// The template and language being built when the build failed.
void ReportFailure(std::ostream& out, const tLS_project& project, const std::string& root) {
    std::string source = project.GetFailedTemplate();
    if (source.empty()) return;
    if (!root.empty() && source.compare(0, root.size(), root) == 0) source.erase(0, root.size());
    out << "larkspan: failed while building " << source;
    if (*project.GetFailedLanguage()) out << " for the language " << project.GetFailedLanguage();
    out << '\n';
}

} // namespace

bool OpenProject(tLS_project& project, const std::string& projectFile, std::ostream& out) {
    if (brevic::IsDirectory(projectFile.c_str())) {
        out << "larkspan: cannot open project: " << projectFile << " is a directory\n";
        return false;
    }
    if (!brevic::FileExists(projectFile.c_str())) {
        out << "larkspan: cannot open project: " << projectFile << ": no such file\n";
        return false;
    }
    tLS_Error opened = project.InitProject(projectFile.c_str());
    if (opened != LS_OK) {
        Fail(out, "cannot open project", opened, projectFile);
        return false;
    }
    return true;
}

int BuildAllPages(tLS_project& project, const std::string& projectFile, bool showProgress, bool writtenOnly,
                  std::ostream& out) {
    ConsoleProgress progress(out, showProgress, DirectoryOf(projectFile), writtenOnly);
    tDebugContext context;
    context.progress = &progress;
    tLS_Error result = project.BuildAll(&context);
    if (showProgress) out << "\r\033[K";
    if (result != LS_OK && project.GetFailureReason() == LS_REASON_CANCELLED) {
        out << "larkspan: build interrupted; the next build builds the pages left\n";
        return 1;
    }
    if (result != LS_OK) {
        out << context.log; // the messages of the target that failed
        ReportFailure(out, project, DirectoryOf(projectFile));
        Fail(out, FailureSummary(project).c_str(), result, project.GetFailedFile());
        return 1;
    }
    out << "Built " << progress.targets() << " page(s), " << progress.written()
        << " written; build log: " << DirectoryOf(projectFile) << "debug.txt\n";
    return 0;
}

int BuildTemplates(tLS_project& project, const std::vector<std::string>& templates, const std::string& projectFile,
                   std::ostream& out) {
    ConsoleProgress progress(out, false, DirectoryOf(projectFile), true);
    const std::string active = project.GetActiveLanguageName();
    const int groups = project.GetLoadedGroupCount();
    int status = 0;
    for (const std::string& path : templates) {
        std::string text;
        long modified = 0;
        if (!brevic::ReadTextFile(path.c_str(), text) || !brevic::FileModTime(path.c_str(), modified)) {
            out << "larkspan: cannot read " << path << '\n';
            status = 1;
            continue;
        }
        const std::string location = path.substr(path.rfind('/') + 1);
        for (int g = groups > 1 ? 1 : 0; g < std::max(groups, 1); ++g) {
            char name[LS_PATH_MAX];
            if (project.GetGroupName(g, name) != LS_OK) continue;
            project.SetActiveLanguageName(name);
            std::string target = path;
            tDebugContext context;
            context.progress = &progress;
            tLS_Error r = project.CreateTargetPath(target);
            if (r == LS_OK) r = project.Build(text, &context, target.c_str(), modified, location.c_str());
            if (r != LS_OK) {
                out << context.log;
                Fail(out, "build failed", r, target);
                status = 1;
            }
        }
    }
    project.SetActiveLanguageName(active.c_str());
    out << "Built " << progress.targets() << " page(s), " << progress.written() << " written\n";
    return status;
}

int RunHeadlessBuild(const HeadlessBuildOptions& options, std::ostream& out) {
    tLS_project project;
    project.SetIniFilePath(options.settingsFile.c_str());

    std::string projectFile;
    if (!options.projectFile.empty() && IsProjectFile(options.projectFile)) {
        projectFile = AbsolutePath(options.projectFile);
        if (!OpenProject(project, projectFile, out)) return 1;
    } else if (!options.projectFile.empty()) {
        out << "larkspan: " << options.projectFile
            << " is not a project file (.hpr); nothing to build\n";
    }
    if (!projectFile.empty()) out << "Building " << projectFile << '\n';
    StopBuildsOnSignals();
    const int status = BuildAllPages(project, projectFile, options.showProgress, false, out);
    // Interrupted: 128 and the signal's number, as a shell reports a process it ended.
    if (const int signal = g_interrupted.load()) return 128 + signal;
    if (options.watch && !projectFile.empty()) return RunHeadlessWatch(project, projectFile, out);
    if (status != 0 || !options.check || projectFile.empty()) return status;
    const std::vector<SiteFinding> findings = CheckSite(project);
    for (const SiteFinding& finding : findings) out << finding.line << '\n';
    out << "Checked the site: " << findings.size() << " problem(s) found\n";
    return findings.empty() ? 0 : 1;
}

} // namespace larkspan
