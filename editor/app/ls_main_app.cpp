#include "ls_main_app.h"

#include "about_dialog.h"
#include "app_services.h"
#include "disk_watch.h"
#include "doc_template.h"
#include "document.h"
#include "file_dialogs.h"
#include "file_types.h"
#include "hint_dialog.h"
#include "html_document.h"
#include "ids.h"
#include "insert_commands.h"
#include "live_preview.h"
#include "ls_main_view.h"
#include "macro_document.h"
#include "main_frame.h"
#include "message_box.h"
#include "message_places.h"
#include "modal.h"
#include "multi_replace_dialog.h"
#include "places.h"
#include "printing.h"
#include "search_commands.h"
#include "settings.h"
#include "settings_commands.h"
#include "string_table.h"
#include "styles_command.h"
#include "tag_commands.h"
#include "translations_window.h"
#include "view_macro_commands.h"

#include <brevic/ls_files.h>
#include <brevic/ls_macrobase.h>

#include <brevic/ls_files.h>

#include <QApplication>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFileInfo>
#include <QFormLayout>
#include <QMdiArea>
#include <QScreen>
#include <QSet>
#include <cstring>

tLS_project theProject;
CLs_mainApp theApp;

namespace {

// Replaces `to` by a copy of `from` in one step, by the saving rule of every rewrite (a
// template that is a link stays one): a failure leaves `to` as it was.
bool CopyFileAtomic(const QString& from, const QString& to) {
    std::string bytes;
    return brevic::ReadBinaryFile(QFile::encodeName(from).constData(), bytes) &&
           brevic::WriteBinaryFileAtomic(QFile::encodeName(to).constData(), bytes);
}

CLs_mainView* MakeView(fw::Document* doc) {
    auto* view = new CLs_mainView(doc);
    RegisterMacroCommands(view);
    RegisterSearchCommands(view);
    RegisterTagCommands(view);
    RegisterAutotagCommand(*view);
    RegisterInsertCommands(view);
    RegisterStyleCommand(view);
    return view;
}
} // namespace

namespace app {
tLS_project& Project() {
    return theProject;
}
const NewDocumentRequest& PendingNewDocument() {
    return theApp.newDocument;
}
QWidget* MainWindow() {
    return theApp.MainFrame();
}
CCompilerMessagesDlg* CompilerMessages() {
    return theApp.MainFrame() ? theApp.MainFrame()->CompilerMessages() : nullptr;
}
QComboBox* SearchCombo() {
    return searchCombo;
}
QMarginsF PrintMargins() {
    const int* m = theApp.printMargins;
    return QMarginsF(m[0], m[1], m[2], m[3]);
}
const fw::ProfileFile& SettingsFile() {
    return theApp.Settings();
}
const settings::Editor& EditorSettings() {
    return theApp.editor;
}
fw::RecentFiles& RecentFileList() {
    return theApp.RecentFileList();
}
QString StartFolder(const fw::Document* document) {
    if (!document && theApp.MainFrame()) document = theApp.MainFrame()->ActiveDocument();
    if (document && !document->PathName().isEmpty())
        return QFileInfo(document->PathName()).absolutePath();
    const char* project = theProject.GetProjectPath();
    if (project && *project) return QFileInfo(QFile::decodeName(project)).absolutePath();
    return QString();
}
void ShowHelp(int topic) {
    if (CMainFrame* frame = theApp.MainFrame()) frame->OpenHelp(topic);
}
bool PickHtmlColor(QWidget* parent, int* colour, QString& text) {
    return CLs_mainApp::PickHtmlColor(parent, colour, text);
}
QAction* CommandAction(int id) {
    return theApp.MainFrame() ? theApp.MainFrame()->Router().Action(id) : nullptr;
}
void UpdateCommandStates() {
    if (CMainFrame* frame = theApp.MainFrame()) frame->Router().UpdateActions();
}
void ExecuteCommand(int id) {
    if (CMainFrame* frame = theApp.MainFrame()) frame->Router().Execute(id);
}
fw::Document* OpenDocumentFile(const QString& path) {
    return theApp.OpenDocumentFile(path);
}
void OpenMacroByName(const QByteArray& name) {
    theApp.NewMacroDocument(MacroOpenMode::ByName, name);
}
void StoreMacroDocuments() {
    theApp.StoreMacroDocuments();
}
bool SaveAllModified() {
    return theApp.SaveAllModified();
}
bool SaveTemplatesBeforeBuild() {
    return theApp.SaveTemplatesBeforeBuild();
}
bool HasUnsavedWindow(const QString& path) {
    const QString file = QFileInfo(path).absoluteFilePath();
    for (fw::Document* d : theApp.HtmlTemplate()->Documents()) {
        if (d->IsModified() && !d->PathName().isEmpty() &&
            QFileInfo(d->PathName()).absoluteFilePath() == file)
            return true;
    }
    return false;
}
void FilesRewritten(const QStringList& paths) {
    if (app::DiskWatch* watch = theApp.Watch()) watch->Recheck(paths);
}
void NoteDocumentFile(fw::Document* doc, const QString& path, const QByteArray& bytes) {
    if (app::DiskWatch* watch = theApp.Watch()) watch->NoteDocumentFile(doc, path, bytes);
}
bool SaveMacroFiles() {
    return ClsMacroDoc::SaveMacroFiles();
}
bool CloseAllDocuments() {
    return theApp.CloseAllDocuments();
}
void ActiveLanguageChanged(fw::Document* active) {
    theApp.ActiveLanguageChanged(active);
}
bool IsHtmlDocument(const fw::Document* doc) {
    return doc && doc->Template() == theApp.HtmlTemplate();
}
} // namespace app

CLs_mainApp::CLs_mainApp() {
    RegisterCommands();
}

CLs_mainApp::~CLs_mainApp() = default;

bool CLs_mainApp::InitInstance(const larkspan::CommandLine& commandLine, const Options& options) {
    exitStatus_ = 1;
    startedToPrint = false;
    settings_ = fw::ProfileFile(QFile::decodeName(larkspan::SettingsFilePath().c_str()),
                                fw::ProfileFile::Failures::Report);
    recent_ = std::make_unique<fw::RecentFiles>(settings_);
    recent_->Load();

    htmlTemplate_ = std::make_unique<fw::DocTemplate>(
        str::HtmlDocStrings, [](fw::DocTemplate* t) { return new CLs_mainDoc(t); },
        [](fw::Document* d) { return MakeView(d); });
    macroTemplate_ = std::make_unique<fw::DocTemplate>(
        str::MacroDocStrings, [](fw::DocTemplate* t) { return new ClsMacroDoc(t); },
        [](fw::Document* d) { return MakeView(d); });

    watch_ = std::make_unique<app::DiskWatch>();
    if (commandLine.unregister) {
        // Removes the registration, says so and quits.
        const bool removed = filetypes::Unregister();
        fw::ShowMessage(nullptr, removed ? str::UnregisterDone : str::UnregisterIncomplete,
                        removed ? fw::MessageKind::Information : fw::MessageKind::Error);
        exitStatus_ = removed ? 0 : 1;
        return false;
    }
    const bool withoutFile = commandLine.file.empty();
    mainFrame_ = std::make_unique<CMainFrame>(this, withoutFile);
    if (!mainFrame_->Create()) return false;
    mainFrame_->setAcceptDrops(true);
    htmlTemplate_->SetMdiArea(mainFrame_->MdiArea());
    macroTemplate_->SetMdiArea(mainFrame_->MdiArea());

    // The library's own message (a build with "Neutral" chosen in a project with languages)
    // is a message box of the editor.
    tLS_project::SetMessageHook([](const char*) {
        fw::ShowMessage(app::MainWindow(), str::NoLanguageSelected, fw::MessageKind::Error);
    });
    editor.Load(settings_);
    CLs_mainView::SetAutocharPath(
        QString::fromStdString(larkspan::WritableDataFile("autochar.txt")));
    SetStylesFilePath(QString::fromStdString(larkspan::WritableDataFile("styles.dat")));

    if (commandLine.print && !withoutFile) {
        // The shell's print command: print the file on the current printer, then exit.
        startedToPrint = true;
        fw::Document* doc = OpenDocumentFile(QFile::decodeName(commandLine.file.c_str()));
        auto* view = doc && !doc->Views().isEmpty()
                         ? qobject_cast<CLs_mainView*>(doc->Views().first())
                         : nullptr;
        exitStatus_ = view && view->PrintWithoutAsking() ? 0 : 1;
        return false;
    }
    if (options.showWindow) {
        // The window stands before anything the file opens (Organize Templates for a
        // project) shows over it. Without a window manager "maximised" means nothing: take
        // the screen's space.
        if (QScreen* screen = QGuiApplication::primaryScreen())
            mainFrame_->setGeometry(screen->availableGeometry());
        mainFrame_->showMaximized();
    }
    if (withoutFile) {
        Dispatch(cmd::FileNew);
    } else {
        OpenDocumentFile(QFile::decodeName(commandLine.file.c_str()));
    }
    mainFrame_->OnIdle();
    if (options.showHint) CHintDlg::Show(mainFrame_.get(), str::HintStartUp, settings_);
    if (options.registerFileTypes)
        filetypes::Register(QString::fromStdString(larkspan::ProgramDirectory()));
    exitStatus_ = 0;
    return true;
}

void CLs_mainApp::ExitInstance() {
    tLS_project::SetMessageHook(nullptr);
    preview_.reset(); // the server's threads end before the windows go
    if (recent_) recent_->Save();
    if (htmlTemplate_) htmlTemplate_->CloseAllDocuments();
    if (macroTemplate_) macroTemplate_->CloseAllDocuments();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    mainFrame_.reset();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    htmlTemplate_.reset();
    macroTemplate_.reset();
    watch_.reset();
    theProject.InitProject(nullptr);
}

void CLs_mainApp::RegisterCommands() {
    OnCommand({cmd::FileNew}, [this] {
        newDocument.fromDefaultPage = true;
        htmlTemplate_->OpenDocumentFile(QString());
    });
    OnCommand({cmd::NewDocument}, [this] {
        newDocument.fromDefaultPage = false;
        htmlTemplate_->OpenDocumentFile(QString());
    });
    OnCommand({cmd::FileOpen}, [this] {
        fw::FileDialogRequest r;
        r.caption = QApplication::translate("CLs_mainApp", "Open");
        r.directory = app::StartFolder();
        r.filter = htmlTemplate_->GetDocString(fw::DocTemplate::FilterName) + QStringLiteral(";;") +
                   QApplication::translate("CLs_mainApp", "All Files (*)");
        QString path = fw::AskFileName(mainFrame_.get(), r);
        if (!path.isEmpty()) OpenDocumentFile(path);
    });
    OnCommand({cmd::PrintSetup}, [this] { fw::PrinterSettings(mainFrame_.get()); });
    OnCommand({cmd::NewMacro, cmd::NewMacroTool},
              [this] { NewMacroDocument(app::MacroOpenMode::AskNew); });
    OnCommand({cmd::OrganizeMacros, cmd::OrganizeMacrosTool},
              [this] { NewMacroDocument(app::MacroOpenMode::Pick); });
    OnCommand({cmd::PageLayout}, [this] { PageLayout(); });
    OnCommand({cmd::CheckSite}, [this] { app::CheckSite(mainFrame_.get()); });
    OnCommand({cmd::Translations}, [this] {
        if (theProject.IsProject()) {
            app::ShowTranslations(mainFrame_.get());
        } else {
            fw::ShowMessage(mainFrame_.get(), str::NoProject, fw::MessageKind::Error);
        }
    });
    OnCommand({cmd::SaveAll}, [this] { SaveAll(); });
    OnCommand({cmd::MultipleFileReplace}, [this] {
        CHintDlg::Show(mainFrame_.get(), str::HintMultipleReplace, settings_);
        CMultiReplaceDlg dialog(mainFrame_.get());
        dialog.Run();
    });
    RegisterSettingsCommands(*this);
    OnCommand({cmd::About}, [this] {
        CAboutDlg about(mainFrame_.get());
        fw::RunModal(about);
    });
}

fw::Document* CLs_mainApp::OpenDocumentFile(const QString& named) {
    // Files named on the command line, dropped or chosen are kept by their full path: the
    // project's folder, its name in the caption and template paths depend on it.
    const QString path = named.isEmpty() ? named : QFileInfo(named).absoluteFilePath();
    openPath = path;
    const QString fileName = QFileInfo(path).fileName();
    const int dot = static_cast<int>(fileName.lastIndexOf('.'));
    const QString ext = dot >= 0 ? fileName.mid(dot) : QString();
    QWidget* parent = mainFrame_.get();

    if (ext.startsWith(QLatin1String(".htm"))) {
        if (!startedToPrint && fw::ShowMessage(parent, str::AskCopyToTemplate,
                                               fw::MessageKind::Question) == QMessageBox::Yes) {
            openPath = path.left(path.size() - ext.size()) + QStringLiteral(".tpl");
            const bool exists = QFileInfo::exists(openPath);
            if ((!exists || fw::ShowMessage(parent, str::AskOverwriteTemplate,
                                            fw::MessageKind::Question) == QMessageBox::Yes) &&
                !CopyFileAtomic(path, openPath)) {
                fw::ShowMessage(parent, str::TemplateNotCopied, fw::MessageKind::Error, openPath);
                return nullptr;
            }
        }
    } else if (ext == QLatin1String(".hpr")) {
        mainFrame_->OpenProjectFile(path);
        return nullptr;
    } else if (ext != QLatin1String(".tpl")) {
        if (fw::ShowMessage(parent, str::AskUnknownType, fw::MessageKind::WarnYesNo) !=
            QMessageBox::Yes)
            return nullptr;
    }
    fw::Document* doc = htmlTemplate_->OpenDocumentFile(openPath);
    if (doc) recent_->Add(QFileInfo(openPath).absoluteFilePath());
    return doc;
}

fw::Document* CLs_mainApp::OpenReadOnly(const QString& path) {
    const QString file = QFileInfo(path).absoluteFilePath();
    const auto documents = htmlTemplate_->Documents();
    const bool open = std::any_of(documents.begin(), documents.end(),
                                  [&](fw::Document* d) { return d->PathName() == file; });
    fw::Document* doc = htmlTemplate_->OpenDocumentFile(file);
    if (auto* html = qobject_cast<CLs_mainDoc*>(doc); html && !open) html->SetReadOnly(true);
    return doc;
}

void CLs_mainApp::WithMacroWindowTexts(const std::function<void()>& build) {
    std::vector<std::pair<std::string*, std::string>> lent; // each macro's own text meanwhile
    if (macroTemplate_) {
        for (fw::Document* d : macroTemplate_->Documents()) {
            auto* macro = qobject_cast<ClsMacroDoc*>(d);
            std::string* slot = nullptr;
            std::string bytes;
            if (!macro || !macro->PreviewText(slot, bytes)) continue;
            slot->swap(bytes);
            lent.emplace_back(slot, std::move(bytes));
        }
    }
    build();
    // Backwards: two windows on one macro give it back its own text, not the first window's.
    for (auto it = lent.rbegin(); it != lent.rend(); ++it)
        it->first->swap(it->second);
}

app::LivePreview& CLs_mainApp::Preview() {
    if (!preview_) preview_ = std::make_unique<app::LivePreview>();
    return *preview_;
}

void CLs_mainApp::StoreMacroDocuments() {
    if (!macroTemplate_) return;
    for (fw::Document* d : macroTemplate_->Documents()) {
        if (auto* macro = qobject_cast<ClsMacroDoc*>(d)) macro->StoreBack();
    }
}

void CLs_mainApp::NewMacroDocument(app::MacroOpenMode mode, const QByteArray& name) {
    newDocument.macroMode = mode;
    newDocument.macroName = name;
    macroTemplate_->OpenDocumentFile(QString());
}

bool CLs_mainApp::SaveAllModified() {
    for (fw::DocTemplate* t : {htmlTemplate_.get(), macroTemplate_.get()}) {
        if (!t) continue;
        const QList<fw::Document*> docs = t->Documents();
        for (fw::Document* d : docs) {
            if (d->IsModified()) d->Activate(); // the author sees what is asked about
            if (!d->SaveModified()) return false;
        }
    }
    return true;
}

bool CLs_mainApp::SaveTemplatesBeforeBuild() {
    QSet<QString> templates;
    for (int i = 0; i < theProject.GetSourceCount(); ++i) {
        char path[LS_PATH_MAX];
        if (theProject.GetSourcePath(i, path) == LS_OK)
            templates.insert(
                QDir::cleanPath(QFileInfo(QFile::decodeName(path)).absoluteFilePath()));
    }
    QList<fw::Document*> unsaved;
    QStringList names;
    for (fw::Document* d : htmlTemplate_->Documents()) {
        if (d->IsModified() && !d->PathName().isEmpty() &&
            templates.contains(QDir::cleanPath(QFileInfo(d->PathName()).absoluteFilePath()))) {
            unsaved.append(d);
            names.append(d->Title());
        }
    }
    if (unsaved.isEmpty()) return true;
    const int answer = fw::ShowMessage(mainFrame_.get(), str::AskSaveTemplatesBeforeBuild,
                                       fw::MessageKind::SaveChanges, names.join(QLatin1Char('\n')));
    if (answer == QMessageBox::No) return true;
    if (answer != QMessageBox::Yes) return false;
    for (fw::Document* d : unsaved) {
        if (!d->DoFileSave()) return false; // said why
    }
    return true;
}

void CLs_mainApp::CloseRetiredMacroWindows() {
    const QList<fw::Document*> docs = macroTemplate_->Documents();
    for (fw::Document* d : docs) {
        auto* macro = qobject_cast<ClsMacroDoc*>(d);
        if (!macro) continue;
        for (int g = 0; tLS_macrobase* base = theProject.GetGroup(g); ++g) {
            if (base == macro->MacroBase() && theProject.IsGroupRetired(g)) {
                macro->Activate(); // the author sees what is asked about
                if (macro->SaveModified()) macro->CloseViews();
                break;
            }
        }
    }
}

bool CLs_mainApp::CloseAllDocuments() {
    // Nothing closes until every document has been asked about and every macro file is
    // written: a Cancel or a failed write leaves every window and the project as they are.
    if (!SaveAllModified() || !ClsMacroDoc::SaveMacroFiles()) return false;
    if (htmlTemplate_) htmlTemplate_->CloseAllDocuments();
    if (macroTemplate_) macroTemplate_->CloseAllDocuments();
    return true;
}

void CLs_mainApp::ActiveLanguageChanged(fw::Document* active) {
    if (preview_) preview_->LanguageChanged();
    auto* macro = qobject_cast<ClsMacroDoc*>(active);
    if (!macro) return;
    if (macro->StoreBack()) {
        macro->SwitchLanguage();
        return;
    }
    if (!macro->FollowsActiveLanguage()) return;
    // The text could not be stored (StoreBack said why): following the language would drop
    // it, so the window and the language list stay on the window's language.
    theProject.SetActiveLanguageName(macro->MacroBase()->GetName());
    mainFrame_->ShowActiveLanguage();
    fw::ShowMessage(mainFrame_.get(), str::LanguageKeptForMacro, fw::MessageKind::Error,
                    macro->Title());
}

void CLs_mainApp::SaveAll() {
    const QList<fw::Document*> docs = htmlTemplate_->Documents();
    for (fw::Document* d : docs) {
        if (!d->PathName().isEmpty()) {
            if (d->IsModified()) d->DoSave(d->PathName());
        } else {
            d->SaveModified();
        }
    }
    // Every macro window stores its text; then every changed macro file is written once
    // (also those changed in Organize Macros), each failure reported with its path.
    StoreMacroDocuments();
    ClsMacroDoc::SaveMacroFiles();
}

void CLs_mainApp::PageLayout() {
    QDialog dialog(mainFrame_.get());
    dialog.setWindowTitle(QApplication::translate("CLs_mainApp", "Page Layout"));
    auto* form = new QFormLayout(&dialog);
    const char* labels[4] = {"&Left", "&Top", "&Right", "&Bottom"};
    QDoubleSpinBox* boxes[4];
    for (int i = 0; i < 4; ++i) {
        boxes[i] = new QDoubleSpinBox(&dialog);
        boxes[i]->setObjectName(QStringLiteral("margin%1").arg(i));
        boxes[i]->setRange(0.0, 10.0);
        boxes[i]->setDecimals(2);
        boxes[i]->setSingleStep(0.1);
        boxes[i]->setSuffix(QStringLiteral(" in"));
        boxes[i]->setValue(printMargins[i] / 1000.0);
        form->addRow(QApplication::translate("CLs_mainApp", labels[i]), boxes[i]);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    form->addRow(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    if (fw::RunModal(dialog) != QDialog::Accepted) return; // Cancel keeps the margins
    for (int i = 0; i < 4; ++i)
        printMargins[i] = static_cast<int>(boxes[i]->value() * 1000.0 + 0.5);
}

bool CLs_mainApp::PickHtmlColor(QWidget* parent, int* colour, QString& text) {
    QColorDialog dialog(Qt::black, parent);
    if (fw::RunModal(dialog) != QDialog::Accepted) return false;
    QColor c = dialog.selectedColor();
    if (colour) *colour = (c.blue() << 16) | (c.green() << 8) | c.red();
    text = QStringLiteral("#%1%2%3")
               .arg(c.red(), 2, 16, QLatin1Char('0'))
               .arg(c.green(), 2, 16, QLatin1Char('0'))
               .arg(c.blue(), 2, 16, QLatin1Char('0'))
               .toUpper();
    return true;
}

void MakeShortPath(std::string& path) {
    size_t last = path.find_last_of("\\/.");
    if (last == std::string::npos) return;
    std::string out;
    size_t start = 0;
    while (start <= last) {
        size_t sep = path.find_first_of("\\/.", start);
        std::string piece = path.substr(start, sep - start);
        if (piece.size() > 8) piece = piece.substr(0, 6) + "~1";
        out += piece;
        out += path[sep];
        start = sep + 1;
    }
    out += path.substr(last + 1);
    path.swap(out);
}
