// The HTML document: a template or HTML file shown in one view. It reads and writes its
// file byte for byte as read (encoding and every line's end; lines made in the editor end
// like the file's first line; new files UTF-8 with CR LF) and builds its text: Build File,
// Build Project, View Browser and View HTML. A file holding NUL bytes is no text file: it
// is shown read-only and never written.
#pragma once

#include "document.h"
#include "text_codec.h"

#include <brevic/ls_types.h>

#include <string>

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
    // The text as the library reads the file: CR LF pairs as "\n".
    QString Text() const;
    // The text as the file holds it.
    QString FileText() const;
    // A window that only shows its file (a built page): its text cannot be edited.
    void SetReadOnly(bool readOnly);

    // The target of this template for the active language. 0, or the library's code after
    // telling the user (12 for an unsaved document; 13, not a template, silently).
    int ComputeTargetPath(QString& target);
    // Builds the current text into `target`; false (after telling the user) on failure.
    // `counts`, when given, is the build's context and keeps its error and warning counts.
    bool BuildIntoFile(const QString& target, tDebugContext* counts = nullptr);
    // The file a viewer gets, freshly built: the target in target mode, else the temporary
    // file. False (after message 140) when it could not be prepared.
    bool PreparePreviewFile(QString& path);

    // The file this document's page is: its target in the active language, or the file
    // itself when it is no template; computed only (no folder is made). False without a file.
    bool PageFile(std::string& file) const;
    // The page from the window's text, into `page` (the text itself when no template),
    // with the unsaved texts of the macro windows; nothing is written. The messages go to
    // the compiler-messages window as Build File's do, shown without taking the focus.
    // False when the expansion failed (the messages say why).
    bool BuildPreview(std::string& page);

    void BuildFile();
    void BuildProject();
    // The status-bar line after a build: pages built and written, errors, warnings.
    void ShowBuildSummary(int built, int written, int errors, int warnings);
    void ViewBrowser();
    void ViewHtml();

    // Reads a file as the document does: UTF-8 when valid, else Windows-1252, its line ends
    // kept. `binary` when it holds NUL bytes (shown as U+2400 in `text`).
    // `bytesRead`, when given, receives the file's bytes.
    static bool ReadDocumentFile(const QString& path, QString& text, codec::Encoding& encoding,
                                 bool& binary, QByteArray* bytesRead = nullptr);
    // Reads the file again (another program changed it), keeping the caret's line and the
    // scroll position; the window is unmodified afterwards. False (said) when unreadable.
    bool Reload();

private:
    QByteArray TextBytes() const; // the text in the document's encoding, for the library

    codec::Encoding encoding_ = codec::Encoding::Utf8;
    codec::LineEnd newLineEnd_ = codec::LineEnd::CrLf; // the end of lines made in the editor
    bool binary_ = false;
    bool readOnly_ = false;
    QString pendingText_; // the file's text read before the view exists
};
