#include "html_document.h"

#include "app_services.h"
#include "build_progress_dialog.h"
#include "compiler_messages_dialog.h"
#include "external_program.h"
#include "html_viewer.h"
#include "ids.h"
#include "live_preview.h"
#include "ls_main_app.h"
#include "ls_main_view.h"
#include "message_box.h"
#include "message_places.h"
#include "new_document_dialog.h"
#include "places.h"
#include "settings.h"
#include "string_table.h"

#include <brevic/ls_files.h>
#include <brevic/ls_project.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMainWindow>
#include <QPointer>
#include <QProcess>
#include <QScrollBar>
#include <QStatusBar>
#include <QTextBlock>
#include <QTextCursor>
#include <memory>

namespace {
QWidget* Parent() {
    return app::MainWindow();
}
} // namespace

CLs_mainDoc::CLs_mainDoc(fw::DocTemplate* docTemplate) : fw::Document(docTemplate) {
    // Nothing is written from the text of a file that is no text file.
    auto text = [this](fw::CommandUi& ui) { ui.enabled = !binary_; };
    OnCommand(
        {cmd::Save}, [this] { DoFileSave(); }, text);
    OnCommand(
        {cmd::FileSaveAs}, [this] { DoSave(QString()); }, text);
    OnCommand({cmd::FileClose}, [this] {
        if (SaveModified()) CloseViews();
    });
    OnCommand(
        {cmd::BuildFile, cmd::BuildFileTool}, [this] { BuildFile(); }, text);
    OnCommand({cmd::BuildProject, cmd::BuildProjectTool}, [this] { BuildProject(); });
    OnCommand(
        {cmd::ViewBrowser, cmd::ViewBrowserTool}, [this] { ViewBrowser(); }, text);
    OnCommand(
        {cmd::ViewHtml}, [this] { ViewHtml(); }, text);
    OnCommand(
        {cmd::LivePreview, cmd::LivePreviewTool}, [this] { theApp.Preview().Show(this); }, text);
}

CLs_mainView* CLs_mainDoc::View() const {
    return Views().isEmpty() ? nullptr : qobject_cast<CLs_mainView*>(Views().first());
}

QString CLs_mainDoc::FileText() const {
    CLs_mainView* v = View();
    return v ? v->FileText(newLineEnd_) : pendingText_;
}

QString CLs_mainDoc::Text() const {
    QString text = FileText();
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return text;
}

QByteArray CLs_mainDoc::TextBytes() const {
    return codec::Encode(Text(), encoding_);
}

void CLs_mainDoc::OnViewAdded(QWidget* view) {
    if (auto* v = qobject_cast<CLs_mainView*>(view)) {
        v->SetFileText(pendingText_);
        v->setReadOnly(binary_ || readOnly_);
        pendingText_.clear();
    }
}

void CLs_mainDoc::SetReadOnly(bool readOnly) {
    readOnly_ = readOnly;
    if (CLs_mainView* v = View()) v->setReadOnly(binary_ || readOnly_);
}

bool CLs_mainDoc::ReadDocumentFile(const QString& path, QString& text, codec::Encoding& encoding,
                                   bool& binary, QByteArray* bytesRead) {
    std::string bytes;
    if (!brevic::ReadBinaryFile(QFile::encodeName(path).constData(), bytes)) return false;
    const QByteArray raw =
        QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size()));
    if (bytesRead) *bytesRead = QByteArray(raw.constData(), raw.size());
    binary = raw.contains('\0');
    encoding = codec::Detect(raw);
    text = codec::Decode(raw, encoding);
    if (binary) text.replace(QChar(0), QChar(0x2400)); // the symbol for NUL, to be seen
    return true;
}

bool CLs_mainDoc::OnNewDocument() {
    // A new page starts from a start file beside the program: the default one, or the one
    // chosen in the New Document dialog ("Empty Page" and Escape: no text).
    std::string name = "default";
    if (!app::PendingNewDocument().fromDefaultPage) {
        CNewDocumentDlg dialog(Parent(), QString::fromStdString(larkspan::DataFilePath("new-htm")));
        dialog.Run();
        name = dialog.selectedName.toStdString();
    }
    std::string text;
    if (!name.empty())
        tLS_project::LoadFile(text, larkspan::DataFilePath("new-htm/" + name + ".htm").c_str());
    QByteArray raw(text.data(), static_cast<qsizetype>(text.size()));
    const QString decoded = codec::Decode(raw, codec::Detect(raw));
    encoding_ = codec::Encoding::Utf8; // new files are UTF-8 with CR LF
    newLineEnd_ = codec::LineEnd::CrLf;
    if (CLs_mainView* v = View()) {
        v->SetFileText(decoded);
    } else {
        pendingText_ = decoded;
    }
    SetModified(false);
    return true;
}

bool CLs_mainDoc::OnOpenDocument(const QString& path) {
    QString text;
    QByteArray bytes;
    if (!ReadDocumentFile(path, text, encoding_, binary_, &bytes)) {
        fw::ShowMessage(Parent(), str::FileNotRead, fw::MessageKind::Error, path);
        return false;
    }
    app::NoteDocumentFile(this, path, bytes);
    newLineEnd_ = codec::FirstLineEnd(text, codec::LineEnd::CrLf);
    if (binary_) fw::ShowMessage(Parent(), str::NotATextFile, fw::MessageKind::Error, path);
    if (CLs_mainView* v = View()) {
        v->SetFileText(text);
        v->setReadOnly(binary_ || readOnly_);
    } else {
        pendingText_ = text;
    }
    return true;
}

bool CLs_mainDoc::OnSaveDocument(const QString& path) {
    if (binary_) return false; // its commands are off; nothing writes such a text
    const QString text = FileText();
    if (!codec::CanEncode(text, encoding_)) {
        // Never a "?" in place of a character: UTF-8, or nothing written.
        if (fw::ShowMessage(Parent(), str::AskSaveAsUtf8, fw::MessageKind::Question, path) !=
            QMessageBox::Yes)
            return false;
        encoding_ = codec::Encoding::Utf8;
    }
    const QByteArray bytes = codec::Encode(text, encoding_);
    std::string data(bytes.constData(), static_cast<size_t>(bytes.size()));
    if (!brevic::WriteBinaryFileAtomic(QFile::encodeName(path).constData(), data)) {
        fw::ShowMessage(Parent(), str::FileNotWritten, fw::MessageKind::Error, path);
        return false;
    }
    app::NoteDocumentFile(this, path, bytes);
    if (CLs_mainView* v = View()) v->document()->setModified(false);
    return true;
}

bool CLs_mainDoc::Reload() {
    CLs_mainView* v = View();
    const int line = v ? v->textCursor().blockNumber() : 0;
    const int scroll = v ? v->verticalScrollBar()->value() : 0;
    if (!OnOpenDocument(PathName())) return false;
    if (v) {
        v->document()->setModified(false);
        QTextBlock block = v->document()->findBlockByNumber(line);
        if (!block.isValid()) block = v->document()->lastBlock();
        v->setTextCursor(QTextCursor(block));
        v->verticalScrollBar()->setValue(scroll);
    }
    SetModified(false);
    return true;
}

int CLs_mainDoc::ComputeTargetPath(QString& target) {
    if (PathName().isEmpty()) {
        fw::ShowMessage(Parent(), str::SaveFirst, fw::MessageKind::Error);
        return LS_BAD_TARGET_PATH;
    }
    std::string path = QFile::encodeName(PathName()).toStdString();
    tLS_Error r = theProject.CreateTargetPath(path);
    if (r != LS_OK) {
        if (r != LS_NOT_A_TEMPLATE)
            fw::ShowMessage(Parent(), str::SystemError, fw::MessageKind::Error);
        return r;
    }
    target = QFile::decodeName(QByteArray::fromStdString(path));
    return LS_OK;
}

bool CLs_mainDoc::BuildIntoFile(const QString& target, tDebugContext* counts) {
    if (target.isEmpty()) return false;
    app::StoreMacroDocuments();
    const std::string text = TextBytes().toStdString();
    CCompilerMessagesDlg* messages = app::CompilerMessages();
    tDebugContext own;
    tDebugContext& context = counts ? *counts : own;
    context.messageList = messages;
    auto progress = std::make_unique<CBuildProgressDlg>(Parent());
    context.progress = progress.get();
    messages->setWindowTitle(fw::LoadString(str::CompilerMessagesOf) + Title());
    tLS_Error r = theProject.Build(text, &context, QFile::encodeName(target).constData(), 0,
                                   Title().toUtf8().constData());
    bool ok = r == LS_OK;
    // Its messages lead into this document (by its name, in its folder).
    if (!PathName().isEmpty())
        messages->NoteTarget(QFileInfo(PathName()).absolutePath() + QLatin1Char('/'),
                             QByteArray(theProject.GetActiveLanguageName()));
    if (!ok) fw::ShowMessage(Parent(), str::CompileError, fw::MessageKind::Error);
    if (context.errors || context.warnings || !ok) messages->show();
    return ok;
}

bool CLs_mainDoc::PageFile(std::string& file) const {
    if (PathName().isEmpty()) return false;
    file = QFile::encodeName(QFileInfo(PathName()).absoluteFilePath()).toStdString();
    std::string target = file;
    if (theProject.TargetPathOf(target) == LS_OK) file = target;
    return true;
}

bool CLs_mainDoc::BuildPreview(std::string& page) {
    const std::string text = TextBytes().toStdString();
    std::string source = QFile::encodeName(PathName()).toStdString();
    if (theProject.TargetPathOf(source) != LS_OK) {
        page = text; // no template: the file shows as it is
        return true;
    }
    CCompilerMessagesDlg* messages = app::CompilerMessages();
    tDebugContext context;
    context.messageList = messages;
    messages->setWindowTitle(fw::LoadString(str::CompilerMessagesOf) + Title());
    tLS_Error r = LS_OK;
    theApp.WithMacroWindowTexts(
        [&] { r = theProject.BuildToText(text, &context, Title().toUtf8().constData(), page); });
    messages->NoteTarget(QFileInfo(PathName()).absolutePath() + QLatin1Char('/'),
                         QByteArray(theProject.GetActiveLanguageName()));
    if ((context.errors || context.warnings || r != LS_OK) && !messages->isVisible()) {
        // Typing goes on in the template while the messages show: the window that had the
        // keyboard gets it back, whatever the window system made of the new one.
        QPointer<QWidget> typing = QApplication::focusWidget();
        messages->setAttribute(Qt::WA_ShowWithoutActivating);
        messages->show();
        messages->setAttribute(Qt::WA_ShowWithoutActivating, false);
        if (typing) {
            typing->activateWindow();
            typing->setFocus();
        }
    }
    return r == LS_OK;
}

void CLs_mainDoc::BuildFile() {
    QString target;
    if (ComputeTargetPath(target) != LS_OK) return;
    tDebugContext context;
    if (!BuildIntoFile(target, &context)) return;
    // Said like Build Project's summary, so that a build without messages is seen to run.
    if (auto* frame = qobject_cast<QMainWindow*>(Parent()))
        frame->statusBar()->showMessage(fw::CountsRead(fw::LoadString(str::BuildFileWritten)
                                                           .arg(QDir::toNativeSeparators(target))
                                                           .arg(context.errors)
                                                           .arg(context.warnings)));
}

void CLs_mainDoc::BuildProject() {
    if (!app::SaveTemplatesBeforeBuild()) return;
    app::StoreMacroDocuments();
    // The messages of every page are kept and listed together afterwards; each page's
    // counts come with its messages.
    tDebugContext context;
    auto progress = std::make_unique<CBuildProgressDlg>(Parent());
    app::MessagePlaces places(*progress, nullptr, true);
    context.progress = &places;
    progress->CountFrom(&context);
    tLS_Error r = theProject.BuildAll(&context);
    const CBuildProgressDlg::Counts counts = progress->Totals();
    progress.reset();
    app::ListPageMessages(app::CompilerMessages(), places);
    if (r == LS_OK) ShowBuildSummary(counts.built, counts.written, counts.errors, counts.warnings);
    if (r == LS_NO_SOURCES) {
        fw::ShowMessage(Parent(), str::NoTemplates, fw::MessageKind::Error);
    } else if (r != LS_OK) {
        fw::ShowMessage(Parent(), str::SystemError, fw::MessageKind::Error);
    }
}

void CLs_mainDoc::ShowBuildSummary(int built, int written, int errors, int warnings) {
    auto* frame = qobject_cast<QMainWindow*>(Parent());
    if (!frame) return;
    QString text = fw::CountsRead(
        fw::LoadString(str::BuildSummary).arg(built).arg(written).arg(errors).arg(warnings));
    if (errors || warnings) text += fw::LoadString(str::BuildSummaryShowMessages);
    frame->statusBar()->showMessage(text);
}

bool CLs_mainDoc::PreparePreviewFile(QString& path) {
    bool ok = true;
    settings::Browser browser;
    browser.Load(app::SettingsFile());
    bool useTemp = true;
    if (!PathName().isEmpty() && browser.useTempOrTargetPath) {
        int r = ComputeTargetPath(path);
        if (r == LS_OK) {
            useTemp = false;
        } else if (r != LS_NOT_A_TEMPLATE) {
            ok = false;
            useTemp = false;
        }
    }
    if (useTemp) {
        path = browser.tempFilePath;
        if (path.isEmpty()) {
            // temp.htm in the data folder, or in the user's data folder when that folder
            // cannot be written.
            QString dir = QString::fromStdString(larkspan::DataDirectory());
            if (!QFileInfo(dir).isWritable()) {
                dir = QString::fromStdString(larkspan::UserDataDirectory());
                larkspan::MakePath(dir.toStdString());
            }
            if (dir.isEmpty()) {
                fw::ShowMessage(Parent(), str::TempFileError, fw::MessageKind::Error);
                ok = false;
            } else {
                path = dir + QStringLiteral("temp.htm");
                settings::Browser::SaveTempFilePath(app::SettingsFile(), path);
            }
        }
    }
    if (ok) ok = BuildIntoFile(path);
    if (!ok) fw::ShowMessage(Parent(), str::SystemError, fw::MessageKind::Error);
    return ok;
}

void CLs_mainDoc::ViewBrowser() {
    settings::Browser browser;
    browser.Load(app::SettingsFile());
    if (browser.browserPath.isEmpty()) {
        fw::ShowMessage(Parent(), str::NoBrowser, fw::MessageKind::Error);
        app::ExecuteCommand(cmd::OptionsBrowser); // Options > Browser, when it exists
        return;
    }
    QString path;
    // A failed preparation starts no viewer: the file would be stale or missing.
    if (!PreparePreviewFile(path)) return;
    fw::StartProgram(browser.browserPath, {path});
}

void CLs_mainDoc::ViewHtml() {
    QString path;
    if (!PreparePreviewFile(path)) return;
    CHtmlViewer::Open(Parent(), path);
}
