#include "document.h"

#include "app_context.h"
#include "doc_template.h"
#include "file_dialogs.h"
#include "message_box.h"
#include "recent_files.h"

#include <QApplication>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QWidget>

namespace fw {

Document::Document(DocTemplate* docTemplate) : template_(docTemplate) {
    if (template_) template_->AddDocument(this);
}

Document::~Document() {
    if (template_) template_->RemoveDocument(this);
}

void Document::SetPathName(const QString& path) {
    path_ = path;
    SetTitle(QFileInfo(path).fileName());
}

void Document::SetTitle(const QString& title) {
    if (title_ == title) return;
    title_ = title;
    emit TitleChanged();
}

void Document::SetModified(bool modified) {
    if (modified_ == modified) return;
    modified_ = modified;
    emit ModifiedChanged(modified);
}

void Document::AddView(QWidget* view) {
    if (views_.contains(view)) return;
    views_.append(view);
    OnViewAdded(view);
}

void Document::RemoveView(QWidget* view) {
    if (!views_.removeAll(view)) return;
    if (views_.isEmpty()) {
        OnCloseDocument();
        if (template_) template_->RemoveDocument(this);
        template_ = nullptr;
        deleteLater();
    }
}

bool Document::OnNewDocument() {
    SetModified(false);
    return true;
}

bool Document::OnOpenDocument(const QString&) {
    return true;
}

bool Document::OnSaveDocument(const QString&) {
    return true;
}

int Document::AskSaveChanges() const {
    QString name = title_.isEmpty() ? path_ : title_;
    return ShowMessageText(QApplication::activeWindow(),
                           QApplication::translate("Document", "Save changes to %1?").arg(name),
                           MessageKind::SaveChanges);
}

bool Document::SaveModified() {
    if (!modified_) return true;
    const int answer = AskSaveChanges();
    if (answer == QMessageBox::Cancel) return false;
    if (answer == QMessageBox::No) return true;
    return DoFileSave();
}

bool Document::DoFileSave() {
    return DoSave(path_);
}

bool Document::DoSave(const QString& requested) {
    QString path = requested;
    if (path.isEmpty()) {
        path = AskSaveAsPath();
        if (path.isEmpty()) return false;
    }
    if (!OnSaveDocument(path)) return false;
    SetPathName(path);
    SetModified(false);
    // A file saved under a name of the user's choice is a recent file, as one opened.
    if (requested.isEmpty()) app::RecentFileList().Add(QFileInfo(path).absoluteFilePath());
    return true;
}

QString Document::AskSaveAsPath() {
    FileDialogRequest r;
    r.save = true;
    r.caption = QApplication::translate("Document", "Save As");
    // A file keeps its own name; only a new document's title gets the type's extension.
    QString name = path_.isEmpty() ? title_ : QFileInfo(path_).fileName();
    if (template_) {
        QString filterName = template_->GetDocString(DocTemplate::FilterName);
        if (!filterName.isEmpty()) r.filter = filterName + QStringLiteral(";;");
        QString ext = template_->GetDocString(DocTemplate::FilterExt);
        if (path_.isEmpty() && !ext.isEmpty() && !name.endsWith(ext)) name += ext;
    }
    r.filter += QApplication::translate("Document", "All Files (*)");
    // The proposed name in the document's folder, else in the project's.
    const QString folder = app::StartFolder(this);
    r.directory = folder.isEmpty() ? name : folder + QLatin1Char('/') + name;
    QWidget* parent = QApplication::activeWindow();
    return CompleteSavePath(parent, r, AskFileName(parent, r));
}

void Document::CloseViews() {
    const QList<QWidget*> views = views_;
    for (QWidget* v : views) {
        if (QWidget* frame = v->parentWidget()) {
            // The frame's own close asks nothing once the caller has decided.
            frame->setProperty("fwCloseWithoutAsking", true);
            frame->close();
        }
    }
}

void Document::Activate() {
    if (views_.isEmpty()) return;
    QWidget* view = views_.first();
    if (auto* frame = qobject_cast<QMdiSubWindow*>(view->parentWidget())) {
        if (QMdiArea* area = frame->mdiArea()) area->setActiveSubWindow(frame);
    }
    view->setFocus();
}

} // namespace fw
