#include "live_preview.h"

#include "doc_template.h"
#include "external_program.h"
#include "html_document.h"
#include "ids.h"
#include "live_server.h"
#include "ls_main_app.h"
#include "ls_main_view.h"
#include "macro_document.h"
#include "message_box.h"
#include "places.h"
#include "settings.h"
#include "string_table.h"

#include <brevic/ls_project.h>

#include <QApplication>
#include <QDesktopServices>
#include <QFile>
#include <QMainWindow>
#include <QStatusBar>
#include <QTextDocument>
#include <QUrl>

namespace app {

namespace {
QWidget* Parent() {
    return app::MainWindow();
}
} // namespace

LivePreview::LivePreview() {
    pause_.setSingleShot(true);
    pause_.setInterval(kPauseMs);
    pause_.setTimerType(Qt::PreciseTimer); // the pause as set, not 5 % either way
    connect(&pause_, &QTimer::timeout, this, &LivePreview::Rebuild);
    // A macro window opened later is watched once it takes the focus, before a key reaches it.
    connect(qApp, &QApplication::focusChanged, this, &LivePreview::WatchWindows);
}

LivePreview::~LivePreview() = default;

std::string LivePreview::PagePath() const {
    std::string file;
    if (!doc_ || !server_ || !doc_->PageFile(file)) return "";
    return server_->UrlPathOf(file);
}

bool LivePreview::Show(CLs_mainDoc* doc) {
    if (!theProject.IsProject()) {
        fw::ShowMessage(Parent(), str::LivePreviewNeedsProject, fw::MessageKind::Error);
        return false;
    }
    if (doc->PathName().isEmpty()) {
        fw::ShowMessage(Parent(), str::SaveFirst, fw::MessageKind::Error);
        return false;
    }
    const std::string root = larkspan::FolderOf(theProject.GetProjectPath());
    if (!server_ || server_->Root() != root) {
        // Another project: its folder is served from now on (a browser on the old one loses it).
        int port = server_ ? server_->Port() : 0;
        server_.reset();
        auto server = std::make_unique<larkspan::LiveServer>(root);
        std::string error;
        if (!server->Start(port, error)) {
            fw::ShowMessage(Parent(), str::LivePreviewNoServer, fw::MessageKind::Error,
                            QString::fromStdString(error));
            return false;
        }
        server_ = std::move(server);
    }
    const std::string old = page_;
    doc_ = doc;
    const std::string page = PagePath();
    if (page.empty()) {
        std::string file;
        doc->PageFile(file);
        fw::ShowMessage(Parent(), str::LivePreviewOutsideProject, fw::MessageKind::Error,
                        QFile::decodeName(QByteArray::fromStdString(file)));
        doc_ = nullptr;
        return false;
    }
    if (!old.empty() && old != page) server_->DropPage(old);
    page_ = page;
    // Closed, the window's text is gone: the file as the last build left it is served again.
    connect(doc, &QObject::destroyed, this, &LivePreview::Closed, Qt::UniqueConnection);
    WatchWindows();
    Rebuild();
    const QString address = QString::fromStdString(server_->Address(page_));
    OpenBrowser(address);
    if (auto* frame = qobject_cast<QMainWindow*>(Parent()))
        frame->statusBar()->showMessage(fw::LoadString(str::LivePreviewShowing).arg(address));
    return true;
}

void LivePreview::OpenBrowser(const QString& address) {
    if (!opensBrowser_) return;
    settings::Browser browser;
    browser.Load(app::SettingsFile());
    if (browser.browserPath.isEmpty() || !fw::StartProgram(browser.browserPath, {address}))
        QDesktopServices::openUrl(QUrl(address));
}

void LivePreview::WatchWindows() {
    if (!doc_) return;
    auto watch = [this](CLs_mainView* view) {
        if (!view) return;
        connect(view->document(), &QTextDocument::contentsChanged, this, &LivePreview::Touched,
                Qt::UniqueConnection);
    };
    watch(doc_->View());
    if (fw::DocTemplate* macros = theApp.MacroTemplate()) {
        for (fw::Document* d : macros->Documents())
            if (auto* macro = qobject_cast<ClsMacroDoc*>(d)) watch(macro->View());
    }
}

void LivePreview::Closed(QObject* doc) {
    if (doc != doc_.data() && doc_) return; // an earlier previewed window
    if (server_ && !page_.empty()) server_->DropPage(page_);
    page_.clear();
}

void LivePreview::Touched() {
    // Edits elsewhere (another template's window) leave the page as it is.
    if (!doc_ || !server_) return;
    auto* text = qobject_cast<QTextDocument*>(sender());
    CLs_mainView* view = doc_->View();
    if (view && text == view->document()) {
        pause_.start();
        return;
    }
    if (fw::DocTemplate* macros = theApp.MacroTemplate()) {
        for (fw::Document* d : macros->Documents()) {
            auto* macro = qobject_cast<ClsMacroDoc*>(d);
            if (macro && macro->View() && macro->View()->document() == text) pause_.start();
        }
    }
}

void LivePreview::Rebuild() {
    if (!server_ || page_.empty()) return;
    if (!doc_ || !theProject.IsProject()) return;
    std::string page;
    if (!doc_->BuildPreview(page)) return; // the page stays as it was; the messages say why
    server_->SetPage(page_, std::move(page));
    server_->PageChanged(page_);
}

void LivePreview::LanguageChanged() {
    if (!doc_ || !server_ || page_.empty()) return;
    const std::string page = PagePath();
    if (page.empty() || page == page_) return;
    const std::string old = page_;
    page_ = page;
    Rebuild();
    server_->PageMoved(old, page_);
    server_->DropPage(old);
}

std::string LivePreview::PageAddress() const {
    return server_ && !page_.empty() ? server_->Address(page_) : "";
}

int LivePreview::Port() const {
    return server_ ? server_->Port() : 0;
}

} // namespace app
