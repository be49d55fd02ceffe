#include "select_macro_dialog.h"

#include "modal.h"
#include "organize_macros_dialog.h"
#include "ui_select_macro_dialog.h"

#include <QKeyEvent>
#include <QPushButton>

CSelectMacroDlg::CSelectMacroDlg(QWidget* parent, tLS_macrobase* base)
    : QDialog(parent), ui_(std::make_unique<Ui::CSelectMacroDlg>()) {
    ui_->setupUi(this);
    ui_->macroList->setSelectionMode(QAbstractItemView::SingleSelection);
    ShowMacroNames(ui_->macroList, SortedMacroNames(base));
    if (ui_->macroList->count() > 0) ui_->macroList->setCurrentRow(0);
    connect(ui_->macroList, &QListWidget::itemDoubleClicked, this,
            [this] { done(QDialog::Accepted); });
    connect(ui_->cancelButton, &QPushButton::clicked, this, &CSelectMacroDlg::reject);
    ui_->macroList->setFocus();
}

CSelectMacroDlg::~CSelectMacroDlg() = default;

int CSelectMacroDlg::Run() {
    fw::RunModal(*this);
    return result(); // as done() settled it: 1, or 2 for every way of cancelling
}

void CSelectMacroDlg::done(int result) {
    if (result == QDialog::Rejected) result = 2;
    if (result == QDialog::Accepted) {
        const QList<QListWidgetItem*> selected = ui_->macroList->selectedItems();
        selectedName = selected.isEmpty() ? QString() : selected.first()->text();
        selectedBytes = selected.isEmpty() ? QByteArray() : selected.first()->data(Qt::UserRole).toByteArray();
    }
    QDialog::done(result);
}

void CSelectMacroDlg::reject() {
    done(2);
}

void CSelectMacroDlg::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        done(QDialog::Accepted);
        return;
    }
    QDialog::keyPressEvent(event);
}
