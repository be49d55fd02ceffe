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
    ConsoleProgress(std::ostream& out, bool terminal, std::string root, bool writtenOnly = false,
                    const PageWrittenHook* hook = nullptr)
        : out_(out), terminal_(terminal), writtenOnly_(writtenOnly), root_(std::move(root)),
          hook_(hook) {}

    void SetPos(int percent) override {
        if (!terminal_) return;
        out_ << "\r  ["
             << (percent < 10    ? "  "
                 : percent < 100 ? " "
                                 : "")
             << percent << "%] " << std::flush;
    }

    void TargetDone(const tLS_Target& target, const std::string& messages) override {
        if (terminal_) out_ << "\r\033[K";
        out_ << VisibleText(messages, true);
        if (target.written || !writtenOnly_) {
            out_ << (target.written ? "  wrote      " : "  up to date ")
                 << VisibleText(Shorten(target.path)) << '\n';
        }
        ++targets_;
        if (target.written) ++written_;
        if (target.written && hook_ && *hook_ && target.path) (*hook_)(target.path);
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
    const PageWrittenHook* hook_;
    int targets_ = 0;
    int written_ = 0;
};

void Fail(std::ostream& out, const char* what, tLS_Error code, const std::string& file) {
    out << "larkspan: " << what << ": " << LS_ErrorName(code) << " (" << LS_ErrorText(code) << ")";
    if (!file.empty()) out << ": " << VisibleText(file);
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
    out << "larkspan: failed while building " << VisibleText(source);
    if (*project.GetFailedLanguage())
        out << " for the language " << VisibleText(project.GetFailedLanguage());
    out << '\n';
}

// The length of the valid UTF-8 sequence at text[at] that is no control character, or 0.
size_t PrintableSequence(std::string_view text, size_t at) {
    const auto byte = [&](size_t i) {
        return i < text.size() ? static_cast<unsigned char>(text[i]) : 0u;
    };
    const unsigned lead = byte(at);
    if (lead >= 0x20 && lead < 0x7F) return 1;
    size_t length = 0;
    unsigned low = 0x80, high = 0xBF; // the range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        if (lead == 0xC2) low = 0xA0; // U+0080 to U+009F are the C1 controls
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;  // overlong
        if (lead == 0xED) high = 0x9F; // surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;  // overlong
        if (lead == 0xF4) high = 0x8F; // above U+10FFFF
    } else {
        return 0;
    }
    if (byte(at + 1) < low || byte(at + 1) > high) return 0;
    for (size_t i = 2; i < length; ++i)
        if ((byte(at + i) & 0xC0) != 0x80) return 0;
    return length;
}

} // namespace

std::string VisibleText(std::string_view text, bool lines) {
    std::string out;
    out.reserve(text.size());
    for (size_t at = 0; at < text.size();) {
        const char c = text[at];
        const size_t length = PrintableSequence(text, at);
        if (length) {
            out.append(text.substr(at, length));
            at += length;
            continue;
        }
        if (c == '\t' || (lines && c == '\n')) {
            out += c;
        } else {
            static const char kHex[] = "0123456789ABCDEF";
            const auto b = static_cast<unsigned char>(c);
            out += "\\x";
            out += kHex[b >> 4];
            out += kHex[b & 15];
        }
        ++at;
    }
    return out;
}

bool OpenProject(tLS_project& project, const std::string& projectFile, std::ostream& out) {
    if (brevic::IsDirectory(projectFile.c_str())) {
        out << "larkspan: cannot open project: " << VisibleText(projectFile) << " is a directory\n";
        return false;
    }
    if (!brevic::FileExists(projectFile.c_str())) {
        out << "larkspan: cannot open project: " << VisibleText(projectFile) << ": no such file\n";
        return false;
    }
    tLS_Error opened = project.InitProject(projectFile.c_str());
    if (opened != LS_OK) {
        Fail(out, "cannot open project", opened, projectFile);
        return false;
    }
    return true;
}

int BuildAllPages(tLS_project& project, const std::string& projectFile, bool showProgress,
                  bool writtenOnly, std::ostream& out, const PageWrittenHook& written) {
    ConsoleProgress progress(out, showProgress, FolderOf(projectFile), writtenOnly, &written);
    tDebugContext context;
    context.progress = &progress;
    tLS_Error result = project.BuildAll(&context);
    if (showProgress) out << "\r\033[K";
    if (result != LS_OK && project.GetFailureReason() == LS_REASON_CANCELLED) {
        out << "larkspan: build interrupted; the next build builds the pages left\n";
        return 1;
    }
    if (result != LS_OK) {
        out << VisibleText(context.log, true); // the messages of the target that failed
        ReportFailure(out, project, FolderOf(projectFile));
        Fail(out, FailureSummary(project).c_str(), result, project.GetFailedFile());
        return 1;
    }
    out << "Built " << progress.targets() << " page(s), " << progress.written()
        << " written; build log: " << VisibleText(FolderOf(projectFile)) << "debug.txt\n";
    return 0;
}

int BuildTemplates(tLS_project& project, const std::vector<std::string>& templates,
                   const std::string& projectFile, std::ostream& out,
                   const PageWrittenHook& written) {
    ConsoleProgress progress(out, false, FolderOf(projectFile), true, &written);
    const std::string active = project.GetActiveLanguageName();
    const int groups = project.GetLoadedGroupCount();
    int status = 0;
    for (const std::string& path : templates) {
        std::string text;
        if (!brevic::ReadTextFile(path.c_str(), text)) {
            out << "larkspan: cannot read " << VisibleText(path) << '\n';
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
            // The watch saw the template change: its pages are written even when the
            // template came back with an older time (from a backup or another machine).
            if (r == LS_OK) r = project.Build(text, &context, target.c_str(), 0, location.c_str());
            if (r != LS_OK) {
                out << VisibleText(context.log, true);
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
        out << "larkspan: " << VisibleText(options.projectFile)
            << " is not a project file (.hpr); nothing to build\n";
    }
    if (!projectFile.empty()) out << "Building " << VisibleText(projectFile) << '\n';
    StopBuildsOnSignals();
    const int status = BuildAllPages(project, projectFile, options.showProgress, false, out);
    // Interrupted: 128 and the signal's number, as a shell reports a process it ended.
    if (const int signal = g_interrupted.load()) return 128 + signal;
    if (options.serve && !projectFile.empty())
        return RunHeadlessServe(project, projectFile, options.port, out);
    if (options.watch && !projectFile.empty()) return RunHeadlessWatch(project, projectFile, out);
    if (status != 0 || !options.check || projectFile.empty()) return status;
    const std::vector<SiteFinding> findings = CheckSite(project);
    for (const SiteFinding& finding : findings)
        out << VisibleText(finding.line) << '\n';
    out << "Checked the site: " << findings.size() << " problem(s) found\n";
    return findings.empty() ? 0 : 1;
}

} // namespace larkspan
