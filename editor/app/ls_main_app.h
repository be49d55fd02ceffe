// The application: start-up and shutdown, the two document types, routing of files by
// extension, the application's commands, and the project the whole editor works on.
#pragma once

#include "app_services.h"
#include "command_line.h"
#include "command_target.h"
#include "profile_file.h"
#include "recent_files.h"
#include "settings.h"

#include <brevic/ls_project.h>

#include <QString>
#include <functional>
#include <memory>

class CMainFrame;
class QWidget;
namespace app {
class DiskWatch;
class LivePreview;
} // namespace app

namespace fw {
class DocTemplate;
class Document;
} // namespace fw

class CLs_mainApp : public fw::CommandTarget {
public:
    // Start-up choices; tests switch off what needs a person.
    struct Options {
        bool showHint = true;
        bool registerFileTypes = true;
        bool showWindow = true;
    };

    CLs_mainApp();
    ~CLs_mainApp() override;

    // Start-up: settings, document types, main window, EDITOR settings, the file argument
    // (or a new document), the window, the start-up hint, the file types. False ends the
    // program, with ExitStatus() as its status: 0 when a switch that does its work at once
    // (removing the registration, printing) succeeded, 1 when it or the start failed.
    bool InitInstance(const larkspan::CommandLine& commandLine, const Options& options);
    int ExitStatus() const { return exitStatus_; }
    // What watches the open files on disk (null outside InitInstance..ExitInstance).
    app::DiskWatch* Watch() const { return watch_.get(); }
    // Closes everything the start-up made (before the Qt application ends).
    void ExitInstance();

    CMainFrame* MainFrame() const { return mainFrame_.get(); }
    fw::DocTemplate* HtmlTemplate() const { return htmlTemplate_.get(); }
    fw::DocTemplate* MacroTemplate() const { return macroTemplate_.get(); }
    const fw::ProfileFile& Settings() const { return settings_; }
    fw::RecentFiles& RecentFileList() { return *recent_; }

    // Opens a file by its extension: ".htm…" asks to copy it into a template first,
    // ".hpr" opens the project (null result), ".tpl" opens, anything else asks first.
    fw::Document* OpenDocumentFile(const QString& path);
    // Opens a file as it is, in a window that cannot edit it (an open window of it is only
    // shown), whatever its extension.
    fw::Document* OpenReadOnly(const QString& path);
    // Every macro window stores its modified text into its macro base.
    void StoreMacroDocuments();
    // Runs `build` with the modified texts of the macro windows in their macros, which get
    // their own texts back afterwards: the bases and the windows stay as they were.
    void WithMacroWindowTexts(const std::function<void()>& build);
    // Live Preview (made on first use).
    app::LivePreview& Preview();
    // A new macro window, made as `mode` says (the name for MacroOpenMode::ByName).
    void NewMacroDocument(app::MacroOpenMode mode, const QByteArray& name = {});
    // Before a project change: asks about every modified document in turn (macro windows
    // store their text back), then writes every modified macro file, then closes every
    // document. False, with nothing closed, after a Cancel, a failed save or a refused
    // store-back (each said why).
    bool CloseAllDocuments();
    // Asks to save each modified document in turn; false at the first Cancel, failed save or
    // refused store-back.
    bool SaveAllModified();
    // See app::SaveTemplatesBeforeBuild.
    bool SaveTemplatesBeforeBuild();
    // Closes, after the usual question, the macro windows of languages deleted meanwhile.
    void CloseRetiredMacroWindows();
    // The language list changed the active language.
    void ActiveLanguageChanged(fw::Document* active);

    // The colour dialog (starting at black): "#RRGGBB" into `text`, the value into
    // *colour when asked for. False (nothing changed) when cancelled.
    static bool PickHtmlColor(QWidget* parent, int* colour, QString& text);

    // How the next new document is made.
    app::NewDocumentRequest newDocument;
    QString openPath;
    // Print margins in thousandths of an inch: left, top, right, bottom.
    int printMargins[4] = {1000, 1000, 1000, 1000};
    // The EDITOR settings, read at start-up; the views read them from here.
    settings::Editor editor;
    bool startedToPrint = false;

private:
    void RegisterCommands();
    void SaveAll();
    void PageLayout();

    fw::ProfileFile settings_;
    std::unique_ptr<fw::RecentFiles> recent_;
    std::unique_ptr<fw::DocTemplate> htmlTemplate_;
    std::unique_ptr<fw::DocTemplate> macroTemplate_;
    std::unique_ptr<CMainFrame> mainFrame_;
    std::unique_ptr<app::DiskWatch> watch_;
    std::unique_ptr<app::LivePreview> preview_;
    int exitStatus_ = 1;
};

extern CLs_mainApp theApp;

// Rewrites `path` with every piece between "\", "/" or "." longer than 8 characters cut
// to its first 6 and "~1"; the piece after the last separator stays whole.
void MakeShortPath(std::string& path);
