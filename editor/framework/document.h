// Documents: the data behind one or more views, with a path, a title and a modified flag.
// Subclasses read and write their file and may handle commands (they are command targets).
#pragma once

#include "command_target.h"

#include <QList>
#include <QObject>
#include <QString>

class QWidget;

namespace fw {

class DocTemplate;

class Document : public QObject, public CommandTarget {
    Q_OBJECT
public:
    explicit Document(DocTemplate* docTemplate);
    ~Document() override;

    DocTemplate* Template() const { return template_; }
    const QString& PathName() const { return path_; }
    // Sets the path and the title (the file name).
    void SetPathName(const QString& path);
    const QString& Title() const { return title_; }
    void SetTitle(const QString& title);
    bool IsModified() const { return modified_; }
    void SetModified(bool modified);

    const QList<QWidget*>& Views() const { return views_; }
    void AddView(QWidget* view);
    void RemoveView(QWidget* view);

    // Fills a new, empty document; false stops its creation.
    virtual bool OnNewDocument();
    // Reads the file; false stops the opening (the subclass has said why).
    virtual bool OnOpenDocument(const QString& path);
    // Writes the file; false when it could not be written (the subclass has said why).
    virtual bool OnSaveDocument(const QString& path);
    // Called once when the last view closes or the document is closed.
    virtual void OnCloseDocument() {}
    // Called when a view has been attached (to hand it the document's contents).
    virtual void OnViewAdded(QWidget*) {}

    // Asks whether to save a modified document. True when it may be closed (saved, or
    // the user chose not to save); false for Cancel or a failed save.
    virtual bool SaveModified();
    // The question of SaveModified ("Save changes to ...?"): QMessageBox::Yes, No or Cancel.
    int AskSaveChanges() const;
    // Save: to its path, or through Save As when it has none. True when written.
    bool DoFileSave();
    // Save As (empty path: ask for one). True when written.
    bool DoSave(const QString& path);
    // Asks for a Save As path: the dialog starts in the document's folder (else the
    // project's), the chosen filter's extension is added to a name without one, and an
    // existing file is replaced only when the user agrees. Empty when cancelled.
    QString AskSaveAsPath();

    // Closes every view; the document deletes itself with the last one.
    void CloseViews();
    // Makes the window of the first view the active one and gives the view the focus.
    void Activate();

signals:
    void TitleChanged();
    void ModifiedChanged(bool modified);

private:
    DocTemplate* template_;
    QString path_;
    QString title_;
    bool modified_ = false;
    QList<QWidget*> views_;
};

} // namespace fw
