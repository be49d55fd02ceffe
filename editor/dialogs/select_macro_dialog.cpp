#include "select_macro_dialog.h"

#include "organize_macros_dialog.h"
#include "ui_select_macro_dialog.h"

#include <QListWidget>

CSelectMacroDlg::CSelectMacroDlg(QWidget* parent, tLS_macrobase* base)
    : CPickListDlg(parent), ui_(std::make_unique<Ui::CSelectMacroDlg>()) {
    ui_->setupUi(this);
    ShowMacroNames(ui_->macroList, SortedMacroNames(base));
    SetPickList(ui_->macroList, ui_->cancelButton);
}

CSelectMacroDlg::~CSelectMacroDlg() = default;

void CSelectMacroDlg::Picked(const QListWidgetItem* item) {
    selectedName = item ? item->text() : QString();
    selectedBytes = item ? item->data(Qt::UserRole).toByteArray() : QByteArray();
}
