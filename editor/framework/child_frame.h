// The MDI child window around one view of a document. Closing the last view of a modified
// document asks whether to save it first.
#pragma once

#include <QMdiSubWindow>

namespace fw {

class Document;

class ChildFrame : public QMdiSubWindow {
    Q_OBJECT
public:
    ChildFrame(Document* doc, QWidget* view);

    Document* GetDocument() const { return document_; }
    QWidget* View() const { return widget(); }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void UpdateTitle();

    Document* document_;
};

} // namespace fw
