#include "compiler_settings_dialog.h"

#include "app_context.h"
#include "int_field.h"
#include "modal.h"
#include "settings.h"
#include "ui_compiler_settings_dialog.h"

#include <QCheckBox>
#include <QPushButton>

#include <array>

namespace {
// Each check box with the option it shows.
struct Flag {
    QCheckBox* box;
    int32_t tCompilerSettings::*option;
};
std::array<Flag, 7> FlagsOf(const Ui::CCompilerSettingsDlg& ui) {
    return {{
        {ui.removeAttrCheck, &tCompilerSettings::RemoveAttr},
        {ui.caseSensitiveCheck, &tCompilerSettings::CaseSensitive},
        {ui.removeNewLineCheck, &tCompilerSettings::RemoveNewLineOnTags},
        {ui.convertIsoCheck, &tCompilerSettings::ConvertISO},
        {ui.removeTabCheck, &tCompilerSettings::RemoveTab},
        {ui.syntaxCheck, &tCompilerSettings::SyntaxCheck},
        {ui.scrambleCheck, &tCompilerSettings::ScrambleCode},
    }};
}
} // namespace

CCompilerSettingsDlg::CCompilerSettingsDlg(QWidget* parent)
    : CSettingsDlg(parent), values(settings::LoadCompilerSettings(app::SettingsFile())),
      ui_(std::make_unique<Ui::CCompilerSettingsDlg>()) {
    ui_->setupUi(this);
    for (const Flag& f : FlagsOf(*ui_))
        f.box->setChecked(values.*f.option != 0);
    intfield::Show(ui_->blockWidthEdit, values.ScrambleBlockSize);
    EnableNewLineOption();
    connect(ui_->scrambleCheck, &QCheckBox::toggled, this,
            &CCompilerSettingsDlg::EnableNewLineOption);
    connect(ui_->helpButton, &QPushButton::clicked, this, [] { app::ShowDialogHelp(kDialogId); });
    connect(ui_->closeButton, &QPushButton::clicked, this, &QDialog::reject);
}

CCompilerSettingsDlg::~CCompilerSettingsDlg() = default;

void CCompilerSettingsDlg::EnableNewLineOption() {
    ui_->removeNewLineCheck->setEnabled(!ui_->scrambleCheck->isChecked());
}

void CCompilerSettingsDlg::WriteSettings() {
    // A greyed box keeps its state and is written like the others.
    for (const Flag& f : FlagsOf(*ui_))
        values.*f.option = f.box->isChecked() ? 1 : 0;
    values.ScrambleBlockSize = intfield::Read(ui_->blockWidthEdit, values.ScrambleBlockSize);
    settings::SaveCompilerSettings(app::SettingsFile(), values);
}
