#include "html_document.h"

#include "ls_main_view.h"
#include "message_box.h"
#include "places.h"

#include <brevic/ls_files.h>

#include <QApplication>
#include <QFile>

CLs_mainDoc::CLs_mainDoc(fw::DocTemplate* docTemplate) : fw::Document(docTemplate) {
    OnCommand({32901, 57603}, [this] { DoFileSave(); });
    OnCommand({57604}, [this] { DoSave(QString()); });
    OnCommand({57602}, [this] {
        if (SaveModified()) CloseViews();
    });
}

CLs_mainView* CLs_mainDoc::View() const {
    return Views().isEmpty() ? nullptr : qobject_cast<CLs_mainView*>(Views().first());
}

QString CLs_mainDoc::Text() const {
    CLs_mainView* v = View();
    return v ? v->GetText() : pendingText_;
}

void CLs_mainDoc::SetViewText(const QString& text) {
    if (CLs_mainView* v = View()) {
        v->SetText(text);
    } else {
        pendingText_ = text;
    }
}

void CLs_mainDoc::OnViewAdded(QWidget* view) {
    if (auto* v = qobject_cast<CLs_mainView*>(view)) {
        v->SetText(pendingText_);
        pendingText_.clear();
    }
}

bool CLs_mainDoc::ReadTextFile(const QString& path, QString& text, codec::Encoding& encoding) {
    std::string bytes;
    if (!brevic::ReadBinaryFile(QFile::encodeName(path).constData(), bytes)) return false;
    QByteArray raw = codec::FromTextMode(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
    encoding = codec::Detect(raw);
    text = codec::Decode(raw, encoding);
    return true;
}

bool CLs_mainDoc::OnNewDocument() {
    // A new page starts from the default start file beside the program.
    QString text;
    codec::Encoding enc = codec::Encoding::Utf8;
    ReadTextFile(QString::fromStdString(larkspan::DataFilePath("new-htm/default.htm")), text, enc);
    encoding_ = codec::Encoding::Utf8;
    SetViewText(text);
    SetModified(false);
    return true;
}

bool CLs_mainDoc::OnOpenDocument(const QString& path) {
    QString text;
    if (!ReadTextFile(path, text, encoding_)) {
        fw::ShowMessageText(QApplication::activeWindow(),
                            tr("The file %1 could not be read.").arg(path), fw::MessageKind::Error);
        return false;
    }
    SetViewText(text);
    return true;
}

bool CLs_mainDoc::OnSaveDocument(const QString& path) {
    QByteArray bytes = codec::ToTextMode(codec::Encode(Text(), encoding_));
    std::string data(bytes.constData(), static_cast<size_t>(bytes.size()));
    if (!brevic::WriteBinaryFileAtomic(QFile::encodeName(path).constData(), data)) {
        fw::ShowMessageText(QApplication::activeWindow(),
                            tr("The file %1 could not be written.\nThe previous file is unchanged.").arg(path),
                            fw::MessageKind::Error);
        return false;
    }
    if (CLs_mainView* v = View()) v->document()->setModified(false);
    return true;
}
