#include "multi_replace_dialog.h"

#include "app_context.h"
#include "file_dialogs.h"
#include "ids.h"
#include "message_box.h"
#include "modal.h"
#include "plain_text.h"
#include "settings.h"
#include "string_table.h"
#include "text_search.h"
#include "ui_multi_replace_dialog.h"

#include <QApplication>
#include <QPushButton>

namespace {
const char kFolderKey[] = "MultipleReplacePath";
}

CMultiReplaceDlg::CMultiReplaceDlg(QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::CMultiReplaceDlg>()) {
    ui_->setupUi(this);
    connect(ui_->addButton, &QPushButton::clicked, this, &CMultiReplaceDlg::AddFiles);
    connect(ui_->removeButton, &QPushButton::clicked, this, &CMultiReplaceDlg::RemoveSelected);
    connect(ui_->replaceButton, &QPushButton::clicked, this, &CMultiReplaceDlg::ReplaceInAll);
    connect(ui_->closeButton, &QPushButton::clicked, this, &QDialog::reject);
}

CMultiReplaceDlg::~CMultiReplaceDlg() = default;

void CMultiReplaceDlg::Run() {
    fw::RunModal(*this);
}

void CMultiReplaceDlg::AddFiles() {
    fw::FileDialogRequest request;
    request.multiple = true;
    request.caption = fw::LoadString(str::AddFilesTitle);
    request.filter =
        QStringLiteral("HTML Templates (*.tpl);;HTML Documents (*.htm*);;All Files (*)");
    const QStringList files =
        settings::AskInRememberedFolder(this, request, app::Project(), kFolderKey);
    if (files.isEmpty()) return;
    ui_->fileList->addItems(files);
    ui_->fileList->setCurrentRow(0);
}

void CMultiReplaceDlg::RemoveSelected() {
    const int row = ui_->fileList->currentRow();
    if (row < 0 || !ui_->fileList->currentItem()->isSelected()) return;
    delete ui_->fileList->takeItem(row);
    if (ui_->fileList->count() > 0) ui_->fileList->setCurrentRow(std::max(0, row - 1));
}

void CMultiReplaceDlg::ReplaceInAll() {
    if (fw::ShowMessage(this, str::AskReplaceInAllFiles, fw::MessageKind::AskOkCancel) !=
        QMessageBox::Ok)
        return;
    // A file whose window holds unsaved edits is left alone: the next save there would undo
    // the replacement, or the replacement the edits.
    QStringList files;
    QStringList skipped;
    for (int i = 0; i < ui_->fileList->count(); ++i) {
        const QString file = ui_->fileList->item(i)->text();
        (app::HasUnsavedWindow(file) ? skipped : files).append(file);
    }
    const search::FilesResult result = search::ReplaceInFiles(
        files, fw::ExactText(*ui_->searchEdit->document()),
        fw::ExactText(*ui_->replaceEdit->document()), ui_->caseCheck->isChecked(),
        ui_->wordsCheck->isChecked(), [this](int i) {
            // The list shows which file is being worked on.
            ui_->fileList->setCurrentRow(i);
            QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        });
    const bool failed = !result.failed.isEmpty();
    QString text =
        fw::CountsRead(fw::LoadString(failed ? str::FilesNotChanged : str::ReplaceSummary)
                           .arg(result.replacements)
                           .arg(result.filesChanged));
    if (failed) text = text.arg(result.failed.join(QLatin1Char('\n')));
    if (!result.changedMeanwhile.isEmpty()) {
        text += QLatin1Char('\n') + fw::LoadString(str::FilesChangedMeanwhile)
                                        .arg(result.changedMeanwhile.join(QLatin1Char('\n')));
    }
    if (!skipped.isEmpty())
        text +=
            QLatin1Char('\n') +
            fw::LoadString(str::FilesOpenWithUnsavedChanges).arg(skipped.join(QLatin1Char('\n')));
    app::FilesRewritten(files); // open windows of the changed files show the new text
    const bool clean = !failed && result.changedMeanwhile.isEmpty() && skipped.isEmpty();
    fw::ShowMessageText(this, text, clean ? fw::MessageKind::Information : fw::MessageKind::Error);
}
