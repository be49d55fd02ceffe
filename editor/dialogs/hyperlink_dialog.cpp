#include "hyperlink_dialog.h"

#include "app_context.h"
#include "file_dialogs.h"
#include "ids.h"
#include "link_paths.h"
#include "message_box.h"
#include "modal.h"
#include "settings.h"
#include "string_table.h"
#include "ui_hyperlink_dialog.h"

#include <QFile>
#include <QPushButton>

#include <string>

namespace {
const char kFolderKey[] = "LinkPath";
}

QString BuildAnchorTag(const HyperlinkValues& v) {
    QString tag = QStringLiteral("<A HREF=\"") + v.url;
    if (!v.anchor.isEmpty()) tag += QLatin1Char('#') + v.anchor;
    tag += QLatin1Char('"');
    if (!v.target.isEmpty()) tag += QStringLiteral(" TARGET=\"") + v.target + QLatin1Char('"');
    if (!v.status.isEmpty()) {
        tag += QStringLiteral(" onMouseOver=\"window.status='") + v.status +
               QStringLiteral("';return true;\"");
    }
    return tag + QLatin1Char('>');
}

CHyperlinkDlg::CHyperlinkDlg(QWidget* parent, const QString& documentPath)
    : QDialog(parent), ui_(std::make_unique<Ui::CHyperlinkDlg>()), documentPath_(documentPath) {
    ui_->setupUi(this);
    ui_->targetCombo->model()->sort(0);
    ui_->targetCombo->setCurrentIndex(-1);
    ui_->targetCombo->setEditText(QString());
    connect(ui_->okButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui_->cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(ui_->browseButton, &QPushButton::clicked, this, &CHyperlinkDlg::ChooseLinkTarget);
    ui_->urlEdit->setFocus();
}

CHyperlinkDlg::~CHyperlinkDlg() = default;

int CHyperlinkDlg::Run() {
    return fw::RunModal(*this) == QDialog::Accepted ? 1 : 2;
}

void CHyperlinkDlg::ChooseLinkTarget() {
    // The link is relative to the page the document is built into; working that out makes
    // no folder.
    std::string built = QFile::encodeName(documentPath_).toStdString();
    if (documentPath_.isEmpty() || app::Project().TargetPathOf(built) != LS_OK) {
        fw::ShowMessage(this, str::NoLinkPath, fw::MessageKind::Stop);
        return;
    }
    fw::FileDialogRequest request;
    request.caption = fw::LoadString(str::SelectHyperlinkTitle);
    request.filter = QStringLiteral("HTML Documents (*.htm*)");
    const QStringList files =
        settings::AskInRememberedFolder(nullptr, request, app::Project(), kFolderKey);
    if (files.isEmpty()) return;
    const QString& chosen = files.first();
    QString relative;
    if (!fw::RelativeLinkPath(QFile::decodeName(built.c_str()), chosen, relative)) {
        fw::ShowMessage(this, str::PathTooLong, fw::MessageKind::Error, chosen);
        return;
    }
    ui_->urlEdit->setText(relative);
    ui_->urlEdit->home(false);
}

void CHyperlinkDlg::done(int result) {
    if (result == QDialog::Accepted) {
        resultTag = BuildAnchorTag({ui_->urlEdit->text(), ui_->anchorEdit->text(),
                                    ui_->targetCombo->currentText(), ui_->statusEdit->text()});
    }
    QDialog::done(result);
}
