#include "system_macro_dialog.h"

#include "app_context.h"
#include "modal.h"
#include "ui_system_macro_dialog.h"

#include <brevic/ls_files.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

// clang-format off
// Row order is the order of the format box.
const std::array<const char*, 18> CSystemMacroDlg::dateFormats = {
    "%d.%m.%y",       "%d.%m.%Y",       "%m.%d.%y",   // 0-2
    "%m.%d.%Y",       "%B, %Y",         "%d %B, %Y",  // 3-5
    "%B %d, %Y",      "%A, %d %B, %Y",  "%A, %B %d, %Y", // 6-8
    "%b, %Y",         "%d %b, %Y",      "%b %d, %Y",  // 9-11
    "%A, %d %b, %Y",  "%A, %b %d, %Y",  "%H.%M.%S",   // 12-14
    "%H.%M",          "%I.%M.%S %p",    "%I.%M %p",   // 15-17
};
// clang-format on

CSystemMacroDlg::CSystemMacroDlg(QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::CSystemMacroDlg>()) {
    ui_->setupUi(this);
    QComboBox* box = ui_->formatCombo;
    // Enter in the box must not add what was typed as a new row.
    box->setInsertPolicy(QComboBox::NoInsert);
    // One moment for all rows, formatted as the compiler formats the placeholder (local
    // time, the locale's names).
    const long now = brevic::CurrentTime();
    for (const char* format : dateFormats) {
        box->addItem(QString::fromLocal8Bit(brevic::FormatLocalTime(format, now)));
    }
    box->setCurrentIndex(0);
    connect(box->lineEdit(), &QLineEdit::textEdited, this, [this] { typed_ = true; });
    connect(box, &QComboBox::activated, this, [this] { typed_ = false; });

    connect(ui_->macroButton, &QPushButton::clicked, this, &CSystemMacroDlg::OnMacro);
    connect(ui_->stringButton, &QPushButton::clicked, this, &CSystemMacroDlg::OnString);
    connect(ui_->helpButton, &QPushButton::clicked, this, [] { app::ShowDialogHelp(kDialogId); });
    connect(ui_->cancelButton, &QPushButton::clicked, this, &CSystemMacroDlg::reject);
    QPushButton* params[] = {ui_->param0Button, ui_->param1Button, ui_->param2Button,
                             ui_->param3Button, ui_->param4Button, ui_->param5Button,
                             ui_->param6Button, ui_->param7Button, ui_->param8Button,
                             ui_->param9Button};
    for (int digit = 0; digit < 10; ++digit) {
        // The digits must not take Enter from "Macro" when they get the focus.
        params[digit]->setAutoDefault(false);
        connect(params[digit], &QPushButton::clicked, this, [this, digit] { OnParameter(digit); });
    }
}

CSystemMacroDlg::~CSystemMacroDlg() = default;

int CSystemMacroDlg::Run() {
    fw::RunModal(*this);
    return result(); // as done() settled it: 1077, 1, or 2 for every way of cancelling
}

int CSystemMacroDlg::SelectedRow() const {
    const int row = ui_->formatCombo->currentIndex();
    if (typed_ || row < 0 || row >= static_cast<int>(dateFormats.size())) return 0;
    return row;
}

void CSystemMacroDlg::OnMacro() {
    resultText = QStringLiteral("{#\"") +
                 QString::fromLatin1(dateFormats[static_cast<size_t>(SelectedRow())]) +
                 QStringLiteral("\"_DATE_AND_TIME_}");
    QDialog::done(kMacroResult);
}

void CSystemMacroDlg::OnParameter(int digit) {
    resultText = QStringLiteral("{#_MACRO_PARAM_%1}").arg(digit);
    QDialog::done(kMacroResult);
}

void CSystemMacroDlg::OnString() {
    resultText = ui_->formatCombo->currentText();
    QDialog::done(kStringResult);
}

void CSystemMacroDlg::done(int result) {
    if (result == QDialog::Rejected) result = kCancelResult;
    // A run closed other than by the buttons (a test's answer) still hands back the text
    // that goes with its result; a text a button has made is kept.
    if (result == kMacroResult && resultText.isEmpty()) {
        OnMacro();
        return;
    }
    if (result == kStringResult && resultText.isEmpty())
        resultText = ui_->formatCombo->currentText();
    if (result == kCancelResult) resultText.clear();
    QDialog::done(result);
}

void CSystemMacroDlg::reject() {
    done(kCancelResult);
}
