#include "new_macro_dialog.h"

#include "app_context.h"
#include "modal.h"
#include "name_check.h"
#include "ui_new_macro_dialog.h"

#include <QPushButton>

CNewMacroDlg::CNewMacroDlg(QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::CNewMacroDlg>()) {
    ui_->setupUi(this);
    new NameCheck(ui_->nameEdit, NameCheck::kMacroNameMax, NameCheck::kMacroForbidden);
    connect(ui_->okButton, &QPushButton::clicked, this, &CNewMacroDlg::accept);
    connect(ui_->helpButton, &QPushButton::clicked, this, [] { app::ShowDialogHelp(kDialogId); });
    connect(ui_->closeButton, &QPushButton::clicked, this, &CNewMacroDlg::reject);
    ui_->nameEdit->setFocus();
}

CNewMacroDlg::~CNewMacroDlg() = default;

int CNewMacroDlg::Run() {
    fw::RunModal(*this);
    return result(); // as done() settled it: 1, or 2 for every way of cancelling
}

void CNewMacroDlg::done(int result) {
    if (result == QDialog::Rejected) result = 2;
    if (result == QDialog::Accepted) nameText = ui_->nameEdit->text();
    QDialog::done(result);
}

void CNewMacroDlg::reject() {
    done(2);
}
