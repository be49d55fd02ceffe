// A document type: makes documents with their child frame and view inside the MDI area,
// opens files of its type and lists its open documents.
#pragma once

#include <QList>
#include <QString>
#include <functional>

class QMdiArea;
class QWidget;

namespace fw {

class Document;

class DocTemplate {
public:
    // The parts of the type's string: window title, document name, new-file name, filter
    // name, filter extension, type id, type name.
    enum DocString {
        WindowTitle,
        DocName,
        FileNewName,
        FilterName,
        FilterExt,
        RegFileTypeId,
        RegFileTypeName
    };

    using DocumentFactory = std::function<Document*(DocTemplate*)>;
    using ViewFactory = std::function<QWidget*(Document*)>;

    // `resourceId` names the type's string in the string table (its parts split at "\n").
    DocTemplate(int resourceId, DocumentFactory makeDocument, ViewFactory makeView);
    ~DocTemplate();
    DocTemplate(const DocTemplate&) = delete;
    DocTemplate& operator=(const DocTemplate&) = delete;

    void SetMdiArea(QMdiArea* area) { area_ = area; }
    QString GetDocString(DocString index) const;

    // Opens `path` (an empty path makes a new document). An open document of the same
    // path is activated instead. Null when the document could not be made or read.
    Document* OpenDocumentFile(const QString& path);
    const QList<Document*>& Documents() const { return documents_; }
    // Closes every document of this type without asking.
    void CloseAllDocuments();

    // Called by documents.
    void AddDocument(Document* doc) { documents_.append(doc); }
    void RemoveDocument(Document* doc) { documents_.removeAll(doc); }

private:
    QWidget* CreateFrame(Document* doc);

    QStringList strings_;
    DocumentFactory makeDocument_;
    ViewFactory makeView_;
    QMdiArea* area_ = nullptr;
    QList<Document*> documents_;
    int untitledCount_ = 0;
};

} // namespace fw
