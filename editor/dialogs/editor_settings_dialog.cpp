#include "editor_settings_dialog.h"

#include "app_context.h"
#include "int_field.h"
#include "modal.h"
#include "ui_editor_settings_dialog.h"

#include <QCheckBox>
#include <QPushButton>

CEditorSettingsDlg::CEditorSettingsDlg(QWidget* parent)
    : CSettingsDlg(parent), ui_(std::make_unique<Ui::CEditorSettingsDlg>()) {
    values.Load(app::SettingsFile());
    ui_->setupUi(this);
    ui_->autotagCheck->setChecked(values.autotagging != 0);
    intfield::Show(ui_->minSelEdit, values.autotagMinSel);
    ui_->caseSensitiveCheck->setChecked(values.caseSensitive != 0);
    ui_->typeThroughCheck->setChecked(values.typeThrough != 0);
    ui_->coloringCheck->setChecked(values.syntaxColoring != 0);
    connect(ui_->helpButton, &QPushButton::clicked, this, [] { app::ShowDialogHelp(kDialogId); });
    connect(ui_->closeButton, &QPushButton::clicked, this, &QDialog::reject);
}

CEditorSettingsDlg::~CEditorSettingsDlg() = default;

void CEditorSettingsDlg::WriteSettings() {
    values.autotagging = ui_->autotagCheck->isChecked() ? 1 : 0;
    values.autotagMinSel = intfield::Read(ui_->minSelEdit, values.autotagMinSel);
    values.caseSensitive = ui_->caseSensitiveCheck->isChecked() ? 1 : 0;
    values.typeThrough = ui_->typeThroughCheck->isChecked() ? 1 : 0;
    values.syntaxColoring = ui_->coloringCheck->isChecked() ? 1 : 0;
    values.Save(app::SettingsFile());
}
