#include "child_frame.h"

#include <QMenu>

#include "document.h"
#include "ids.h"

#include <QCloseEvent>
#include <QIcon>

namespace fw {

ChildFrame::ChildFrame(Document* doc, QWidget* view) : document_(doc) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWidget(view);
    setWindowIcon(QIcon(QStringLiteral(":/icons/cmd-%1.svg").arg(cmd::FileNew)));
    doc->AddView(view);
    // The window menu's own keys (Ctrl+F4, Ctrl+W) would make the accelerator table's keys
    // ambiguous; its commands stay in the menu.
    if (QMenu* menu = systemMenu()) {
        for (QAction* action : menu->actions())
            action->setShortcuts({});
    }
    UpdateTitle();
    connect(doc, &Document::TitleChanged, this, &ChildFrame::UpdateTitle);
    connect(doc, &Document::ModifiedChanged, this, &ChildFrame::UpdateTitle);
    connect(view, &QObject::destroyed, doc, [doc, view] { doc->RemoveView(view); });
}

void ChildFrame::UpdateTitle() {
    // "[*]" shows the modified mark the desktop's way.
    setWindowTitle(document_->Title() + QStringLiteral("[*]"));
    setWindowModified(document_->IsModified());
}

void ChildFrame::closeEvent(QCloseEvent* event) {
    bool ask = !property("fwCloseWithoutAsking").toBool() && document_->Views().size() == 1;
    if (ask && !document_->SaveModified()) {
        event->ignore();
        return;
    }
    event->accept();
    QMdiSubWindow::closeEvent(event);
    // The window goes later; the document lets go of it now, so that the file can be
    // opened again at once.
    if (QWidget* view = widget()) document_->RemoveView(view);
}

} // namespace fw
