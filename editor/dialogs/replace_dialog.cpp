#include "replace_dialog.h"

#include "modal.h"
#include "plain_text.h"
#include "ui_replace_dialog.h"

#include <QPushButton>

CReplaceDlg::CReplaceDlg(QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::CReplaceDlg>()) {
    ui_->setupUi(this);
    connect(ui_->searchButton, &QPushButton::clicked, this, &CReplaceDlg::SearchRequested);
    connect(ui_->replaceButton, &QPushButton::clicked, this, &CReplaceDlg::ReplaceRequested);
    connect(ui_->replaceAllButton, &QPushButton::clicked, this, &CReplaceDlg::ReplaceAllRequested);
    connect(ui_->closeButton, &QPushButton::clicked, this, &QDialog::hide);
}

CReplaceDlg::~CReplaceDlg() = default;

void CReplaceDlg::Present() {
    fw::ShowModeless(*this, ui_->findEdit);
}

SearchValues CReplaceDlg::Values() const {
    return {fw::ExactText(*ui_->findEdit->document()), ui_->caseCheck->isChecked(),
            ui_->wordsCheck->isChecked()};
}

QString CReplaceDlg::Replacement() const {
    return fw::ExactText(*ui_->replaceEdit->document());
}

bool CReplaceDlg::SelectionOnly() const {
    return ui_->selectionCheck->isChecked();
}
