// The HTML document: a template or HTML file shown in one view. It reads and writes its
// file in text mode and in the encoding it was read in (new files: UTF-8).
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

    // The file's text as the editor shows it (encoding detected, line ends "\n"); false
    // when it cannot be read.
    static bool ReadTextFile(const QString& path, QString& text, codec::Encoding& encoding);

private:
    void SetViewText(const QString& text);

    codec::Encoding encoding_ = codec::Encoding::Utf8;
    QString pendingText_; // the text read before the view exists
};
