#include "message_places.h"

#include "app_services.h"
#include "build_progress_dialog.h"
#include "compiler_messages_dialog.h"
#include "document.h"
#include "ids.h"
#include "ls_main_app.h"
#include "ls_main_view.h"
#include "macro_text.h"
#include "main_frame.h"
#include "message_box.h"
#include "site_check.h"
#include "string_table.h"

#include <brevic/ls_project.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QListWidget>
#include <QStatusBar>
#include <QTextBlock>
#include <memory>

namespace app {

namespace {

void SelectLine(fw::Document* doc, int line) {
    if (!doc || doc->Views().isEmpty()) return;
    auto* view = qobject_cast<CLs_mainView*>(doc->Views().first());
    if (!view) return;
    const QTextBlock block = view->document()->findBlockByNumber(std::max(0, line - 1));
    if (!block.isValid()) return;
    view->SetSel(block.position(), block.position() + block.length() - 1);
    view->ensureCursorVisible();
    view->setFocus();
}

// The folder of a file, with its "/".
QString FolderOf(const QString& path) {
    return QFileInfo(path).absolutePath() + QLatin1Char('/');
}

QString ProjectFolder() {
    const char* path = theProject.GetProjectPath();
    return path ? FolderOf(QFile::decodeName(path)) : QString();
}

} // namespace

void MessagePlaces::TargetDone(const tLS_Target& target, const std::string& messages) {
    inner_.TargetDone(target, messages);
    const QString source = QFile::decodeName(target.templatePath);
    const QByteArray language(target.language);
    if (list_) list_->NoteTarget(FolderOf(source), language);
    if (keep_ && !messages.empty()) pages_.push_back({source, language, messages});
}

void GoToMessagePlace(const QString& location, int line, const QString& folder,
                      const QByteArray& language, bool readOnly) {
    CMainFrame* frame = theApp.MainFrame();
    if (!frame) return;
    if (location.startsWith(QLatin1String("{#")) && location.endsWith(QLatin1Char('}'))) {
        if (!theProject.IsProject()) return;
        if (!language.isEmpty() && language != QByteArray(theProject.GetActiveLanguageName())) {
            // The macro window shows the language the message came from.
            theProject.SetActiveLanguageName(language.constData());
            frame->ShowActiveLanguage();
            ActiveLanguageChanged(frame->ActiveDocument());
        }
        QByteArray name;
        if (!macrotext::Encode(location.mid(2, location.size() - 3),
                               macrotext::EncodingOf(theProject.GetActiveGroup()), name))
            return;
        OpenMacroByName(name);
        SelectLine(frame->ActiveDocument(), line);
        return;
    }
    const QString path = QDir::isAbsolutePath(location)
                             ? location
                             : (folder.isEmpty() ? ProjectFolder() : folder) + location;
    if (!QFileInfo(path).isFile()) return;
    if (readOnly) {
        SelectLine(theApp.OpenReadOnly(path), line);
        frame->statusBar()->showMessage(fw::LoadString(str::PageShownReadOnly));
        return;
    }
    SelectLine(OpenDocumentFile(path), line);
}

void ListPageMessages(CCompilerMessagesDlg* list, const MessagePlaces& places) {
    list->ResetContent();
    list->setWindowTitle(fw::LoadString(str::CompilerMessagesOf) +
                         QFileInfo(QFile::decodeName(theProject.GetProjectPath())).fileName());
    const QDir root(ProjectFolder());
    for (const auto& [templatePath, language, messages] : places.Pages()) {
        const QString folder = FolderOf(templatePath);
        const QString source = root.relativeFilePath(templatePath);
        const QString heading =
            language.isEmpty()
                ? source
                : fw::LoadString(str::BuildMessagesOf).arg(source, QString::fromUtf8(language));
        list->AddString(heading.toUtf8().constData());
        list->NoteTarget(QString(), QByteArray());
        for (const QString& line :
             QString::fromStdString(messages).split(QLatin1Char('\n'), Qt::SkipEmptyParts))
            list->AddString(line.toUtf8().constData());
        list->NoteTarget(folder, language);
    }
}

void CheckSite(QMainWindow* window) {
    auto* frame = qobject_cast<CMainFrame*>(window);
    if (!frame) return;
    if (!theProject.IsProject()) {
        fw::ShowMessage(frame, str::NoProject, fw::MessageKind::Error);
        return;
    }
    if (!SaveTemplatesBeforeBuild()) return;
    StoreMacroDocuments();
    CCompilerMessagesDlg* list = frame->CompilerMessages();
    auto bar = std::make_unique<CBuildProgressDlg>(frame);
    MessagePlaces places(*bar, nullptr, true);
    tDebugContext context;
    context.progress = &places;
    const tLS_Error built = theProject.BuildAll(&context);
    bar.reset();
    ListPageMessages(list, places);
    const QString root = ProjectFolder();
    if (built != LS_OK) {
        // The messages of the pages built before the failure are shown too.
        if (list->List()->count() > 0) list->show();
        fw::ShowMessage(frame, built == LS_NO_SOURCES ? str::NoTemplates : str::SystemError,
                        fw::MessageKind::Error);
        return;
    }
    const std::vector<larkspan::SiteFinding> findings = larkspan::CheckSite(theProject);
    for (const larkspan::SiteFinding& finding : findings) {
        list->AddString(finding.line.c_str());
        list->NoteTarget(root, QByteArray::fromStdString(finding.language));
        // A finding on a page leads to where its line came from, else to the page as built.
        if (!finding.source.empty())
            list->NotePlace(QString::fromStdString(finding.source),
                            static_cast<int>(finding.sourceLine),
                            QByteArray::fromStdString(finding.sourceLanguage), false);
        else if (!finding.page.empty())
            list->NotePlace(QFile::decodeName(finding.page.c_str()), 1, QByteArray(), true);
    }
    const QString summary = fw::CountsRead(fw::LoadString(str::SiteChecked).arg(findings.size()));
    // The list says how the check ended too, so that it is never shown empty.
    list->AddString(summary.toUtf8().constData());
    frame->statusBar()->showMessage(summary);
    list->show();
    list->raise();
}

} // namespace app
