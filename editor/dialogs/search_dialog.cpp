#include "search_dialog.h"

#include "modal.h"
#include "ui_search_dialog.h"

#include <QPushButton>

CSearchDlg::CSearchDlg(QWidget* parent) : QDialog(parent), ui_(std::make_unique<Ui::CSearchDlg>()) {
    ui_->setupUi(this);
    connect(ui_->forwardButton, &QPushButton::clicked, this,
            [this] { emit SearchRequested(true); });
    connect(ui_->backwardButton, &QPushButton::clicked, this,
            [this] { emit SearchRequested(false); });
    connect(ui_->closeButton, &QPushButton::clicked, this, &QDialog::hide);
}

CSearchDlg::~CSearchDlg() = default;

void CSearchDlg::Present() {
    fw::ShowModeless(*this, ui_->searchEdit);
}

SearchValues CSearchDlg::Values() const {
    return {ui_->searchEdit->text(), ui_->caseCheck->isChecked(), ui_->wordsCheck->isChecked()};
}
