#include "doc_template.h"

#include "child_frame.h"
#include "document.h"
#include "string_table.h"

#include <QFileInfo>
#include <QMdiArea>

namespace fw {

DocTemplate::DocTemplate(int resourceId, DocumentFactory makeDocument, ViewFactory makeView)
    : strings_(LoadString(resourceId).split('\n')), makeDocument_(std::move(makeDocument)),
      makeView_(std::move(makeView)) {}

DocTemplate::~DocTemplate() {
    // Documents outliving their type (at program end) forget it.
    for (Document* d : documents_)
        d->disconnect();
}

QString DocTemplate::GetDocString(DocString index) const {
    return index < strings_.size() ? strings_[index] : QString();
}

Document* DocTemplate::OpenDocumentFile(const QString& path) {
    if (!path.isEmpty()) {
        const QString wanted = QFileInfo(path).absoluteFilePath();
        for (Document* d : documents_) {
            if (!d->PathName().isEmpty() && QFileInfo(d->PathName()).absoluteFilePath() == wanted) {
                if (!d->Views().isEmpty() && area_) {
                    if (auto* frame =
                            qobject_cast<QMdiSubWindow*>(d->Views().first()->parentWidget()))
                        area_->setActiveSubWindow(frame);
                }
                return d;
            }
        }
    }
    Document* doc = makeDocument_(this);
    if (!doc) return nullptr;
    bool ok;
    if (path.isEmpty()) {
        doc->SetTitle(GetDocString(DocName) + QString::number(++untitledCount_));
        ok = doc->OnNewDocument();
    } else {
        ok = doc->OnOpenDocument(path);
        if (ok) {
            doc->SetPathName(QFileInfo(path).absoluteFilePath());
            doc->SetModified(false);
        }
    }
    if (!ok) {
        delete doc;
        return nullptr;
    }
    if (!CreateFrame(doc)) {
        delete doc;
        return nullptr;
    }
    return doc;
}

QWidget* DocTemplate::CreateFrame(Document* doc) {
    if (!area_) return nullptr;
    QWidget* view = makeView_(doc);
    if (!view) return nullptr;
    auto* frame = new ChildFrame(doc, view);
    area_->addSubWindow(frame);
    // New windows fill the area when the active one does, as in a maximised MDI frame.
    QMdiSubWindow* active = area_->activeSubWindow();
    if (!active || active->isMaximized() || area_->subWindowList().size() == 1)
        frame->showMaximized();
    else
        frame->show();
    area_->setActiveSubWindow(frame);
    view->setFocus();
    return frame;
}

void DocTemplate::CloseAllDocuments() {
    const QList<Document*> docs = documents_;
    for (Document* d : docs)
        d->CloseViews();
}

} // namespace fw
