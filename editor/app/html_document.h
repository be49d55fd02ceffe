// The HTML document: a template or HTML file shown in one view. It reads and writes its
// file (encoding and line ends as read; new files UTF-8 with CR LF) and builds its text:
// Build File, Build Project, View Browser and View HTML.
#pragma once

#include "document.h"
#include "text_codec.h"

class CLs_mainView;

class CLs_mainDoc : public fw::Document {
    Q_OBJECT
public:
    explicit CLs_mainDoc(fw::DocTemplate* docTemplate);

    bool OnNewDocument() override;
    bool OnOpenDocument(const QString& path) override;
    bool OnSaveDocument(const QString& path) override;
    void OnViewAdded(QWidget* view) override;

    CLs_mainView* View() const;
    QString Text() const;
    codec::Encoding GetEncoding() const { return encoding_; }
    bool UsesCrLf() const { return crlf_; }

    // The target of this template for the active language. 0, or the library's code after
    // telling the user (12 for an unsaved document; 13, not a template, silently).
    int ComputeTargetPath(QString& target);
    // Builds the current text into `target`; false (after telling the user) on failure.
    bool BuildIntoFile(const QString& target);
    // The file a viewer gets, freshly built: the target in target mode, else the temporary
    // file. False (after message 140) when it could not be prepared.
    bool PreparePreviewFile(QString& path);

    void BuildFile();
    void BuildProject();
    void ViewBrowser();
    void ViewHtml();

    // Reads a file as the document does: 10,000-byte blocks (a NUL ends its block's text),
    // CR LF to "\n", UTF-8 when valid, else Windows-1252.
    static bool ReadDocumentFile(const QString& path, QString& text, codec::Encoding& encoding, bool& crlf);

private:
    QByteArray TextBytes() const; // the text in the document's encoding, for the library

    codec::Encoding encoding_ = codec::Encoding::Utf8;
    bool crlf_ = true;
    QString pendingText_; // the text read before the view exists
};
