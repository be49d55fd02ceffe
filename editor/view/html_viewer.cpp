#include "html_viewer.h"

#include "color_stream.h"
#include "rich_edit.h"
#include "text_codec.h"

#include <brevic/ls_files.h>

#include <QFile>
#include <QVBoxLayout>

CHtmlViewer::CHtmlViewer(QWidget* parent, const QString& path)
    : QDialog(parent), text_(new CRichEditCtrl(this)), path_(path) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(path);
    setModal(false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(text_);
    text_->setReadOnly(true);
    resize(800, 600);

    std::string bytes;
    if (!brevic::ReadBinaryFile(QFile::encodeName(path).constData(), bytes)) {
        text_->setPlainText(tr("The file %1 could not be read.").arg(path));
        return;
    }
    QByteArray raw =
        codec::FromTextMode(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
    QByteArray utf8 = codec::Decode(raw, codec::Detect(raw)).toUtf8();
    std::string rtf = view::ColorToRtf(utf8.constData());
    text_->StreamInRtf(rtf.data(), rtf.size(), false);
}

CHtmlViewer* CHtmlViewer::Open(QWidget* parent, const QString& path) {
    auto* viewer = new CHtmlViewer(parent, path);
    viewer->show();
    return viewer;
}
