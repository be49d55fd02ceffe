#include "headless_build.h"

#include "command_line.h"
#include "places.h"

#include <brevic/ls_files.h>
#include <brevic/ls_project.h>

#include <cstdio>

namespace larkspan {

namespace {

// Prints what the build does: the messages of every target and the pages written.
class ConsoleProgress : public tLS_Progress {
public:
    ConsoleProgress(std::ostream& out, bool terminal, std::string root)
        : out_(out), terminal_(terminal), root_(std::move(root)) {}

    void SetPos(int percent) override {
        if (!terminal_) return;
        out_ << "\r  [" << (percent < 10 ? "  " : percent < 100 ? " " : "") << percent << "%] "
             << std::flush;
    }

    void TargetDone(const char* targetPath, int written, const std::string& messages) override {
        if (terminal_) out_ << "\r\033[K";
        out_ << messages;
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

int RunHeadlessBuild(const HeadlessBuildOptions& options, std::ostream& out) {
    tLS_project project;
    project.SetIniFilePath(options.settingsFile.c_str());

    std::string projectFile;
    if (!options.projectFile.empty() && IsProjectFile(options.projectFile)) {
        projectFile = AbsolutePath(options.projectFile);
        if (brevic::IsDirectory(projectFile.c_str())) {
            out << "larkspan: cannot open project: " << projectFile << " is a directory\n";
            return 1;
        }
        if (!brevic::FileExists(projectFile.c_str())) {
            out << "larkspan: cannot open project: " << projectFile << ": no such file\n";
            return 1;
        }
        tLS_Error opened = project.InitProject(projectFile.c_str());
        if (opened != LS_OK) {
            Fail(out, "cannot open project", opened, projectFile);
            return 1;
        }
    } else if (!options.projectFile.empty()) {
        out << "larkspan: " << options.projectFile
            << " is not a project file (.hpr); nothing to build\n";
    }

    ConsoleProgress progress(out, options.showProgress, DirectoryOf(projectFile));
    tDebugContext context;
    context.progress = &progress;
    if (!projectFile.empty()) out << "Building " << projectFile << '\n';
    tLS_Error result = project.BuildAll(&context);
    if (options.showProgress) out << "\r\033[K";
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

} // namespace larkspan
