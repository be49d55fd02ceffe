#include "compiler_messages_dialog.h"

#include "ui_compiler_messages_dialog.h"

#include <QFontDatabase>

CCompilerMessagesDlg::CCompilerMessagesDlg(QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::CCompilerMessagesDlg>()) {
    ui_->setupUi(this);
    setModal(false);
    // Messages hold a tab between location and line: a fixed font keeps them aligned.
    ui_->messages->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
}

CCompilerMessagesDlg::~CCompilerMessagesDlg() = default;

void CCompilerMessagesDlg::ResetContent() { ui_->messages->clear(); }

void CCompilerMessagesDlg::AddString(const char* line) {
    QString text = QString::fromUtf8(line);
    text.replace('\t', QStringLiteral("    "));
    ui_->messages->addItem(text);
}

QListWidget* CCompilerMessagesDlg::List() const { return ui_->messages; }

QStringList CCompilerMessagesDlg::Lines() const {
    QStringList lines;
    for (int i = 0; i < ui_->messages->count(); ++i) lines << ui_->messages->item(i)->text();
    return lines;
}
