#include "table_dialog.h"

#include "app_context.h"
#include "ids.h"
#include "message_box.h"
#include "modal.h"
#include "string_table.h"
#include "ui_table_dialog.h"

#include <QPushButton>

#include <climits>

CTableDlg::CTableDlg(QWidget* parent) : QDialog(parent), ui_(std::make_unique<Ui::CTableDlg>()) {
    ui_->setupUi(this);
    connect(ui_->okButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui_->cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(ui_->colorButton, &QPushButton::clicked, this, &CTableDlg::ChooseColor);
    ShowValues();
}

CTableDlg::~CTableDlg() = default;

int CTableDlg::Run() {
    ShowValues();
    ui_->unitCombo->setCurrentIndex(0); // the dialog opens with "pixel"
    ui_->columnsEdit->setFocus();
    return fw::RunModal(*this) == QDialog::Accepted ? 1 : 2;
}

void CTableDlg::ShowValues() {
    ui_->columnsEdit->setText(QString::number(values.columns));
    ui_->rowsEdit->setText(QString::number(values.rows));
    ui_->captionEdit->setText(values.caption);
    ui_->backgroundCheck->setChecked(values.background);
    ui_->cellspacingEdit->setText(QString::number(values.cellspacing));
    ui_->cellpaddingEdit->setText(QString::number(values.cellpadding));
    ui_->widthEdit->setText(QString::number(values.width));
    ui_->unitCombo->setEditText(values.widthUnit);
    ui_->borderCheck->setChecked(values.border);
    ShowColor();
}

void CTableDlg::ShowColor() {
    // The button is filled with the chosen colour.
    ui_->colorButton->setStyleSheet(
        QStringLiteral("QPushButton { background-color: %1; }").arg(values.colorText));
}

void CTableDlg::ChooseColor() {
    // Choosing a colour does not tick the background box.
    if (app::PickHtmlColor(this, &values.colorValue, values.colorText)) ShowColor();
}

bool CTableDlg::ReadNumber(QLineEdit* edit, int min, int max, int& number) {
    bool ok = false;
    const int value = edit->text().trimmed().toInt(&ok);
    if (ok && value >= min && value <= max) {
        number = value;
        return true;
    }
    if (min == INT_MIN) {
        fw::ShowMessage(this, str::EnterInteger, fw::MessageKind::Error);
    } else {
        fw::ShowMessageText(this, fw::LoadString(str::EnterIntegerBetween).arg(min).arg(max),
                            fw::MessageKind::Error);
    }
    edit->setFocus();
    edit->selectAll();
    return false;
}

void CTableDlg::done(int result) {
    if (result == QDialog::Accepted) {
        TableValues read = values;
        if (!ReadNumber(ui_->columnsEdit, 0, kMaxColumns, read.columns) ||
            !ReadNumber(ui_->rowsEdit, 0, kMaxRows, read.rows) ||
            !ReadNumber(ui_->cellspacingEdit, INT_MIN, INT_MAX, read.cellspacing) ||
            !ReadNumber(ui_->cellpaddingEdit, INT_MIN, INT_MAX, read.cellpadding) ||
            !ReadNumber(ui_->widthEdit, INT_MIN, INT_MAX, read.width)) {
            return; // the dialog stays open
        }
        read.caption = ui_->captionEdit->text();
        read.background = ui_->backgroundCheck->isChecked();
        read.widthUnit = ui_->unitCombo->currentText();
        read.border = ui_->borderCheck->isChecked();
        values = read;
    }
    QDialog::done(result);
}
