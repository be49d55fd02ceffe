#include "pick_list_dialog.h"

#include "modal.h"

#include <QAbstractButton>
#include <QKeyEvent>
#include <QListWidget>

void CPickListDlg::SetPickList(QListWidget* list, QAbstractButton* cancel) {
    list_ = list;
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    if (list->count() > 0) list->setCurrentRow(0);
    connect(list, &QListWidget::itemDoubleClicked, this, [this] { done(QDialog::Accepted); });
    connect(cancel, &QAbstractButton::clicked, this, &CPickListDlg::reject);
    list->setFocus();
}

int CPickListDlg::Run() {
    fw::RunModal(*this);
    return result(); // as done() settled it: 1, or 2 for every way of cancelling
}

void CPickListDlg::done(int result) {
    if (result == QDialog::Rejected) result = 2;
    if (result == QDialog::Accepted) {
        const QList<QListWidgetItem*> selected =
            list_ ? list_->selectedItems() : QList<QListWidgetItem*>();
        Picked(selected.isEmpty() ? nullptr : selected.first());
    }
    QDialog::done(result);
}

void CPickListDlg::reject() {
    done(2);
}

void CPickListDlg::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        done(QDialog::Accepted);
        return;
    }
    QDialog::keyPressEvent(event);
}
