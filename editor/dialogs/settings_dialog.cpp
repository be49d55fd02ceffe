#include "settings_dialog.h"

#include "modal.h"

void CSettingsDlg::Run() {
    fw::RunModal(*this);
    WriteOnce(); // also when the dialog was never closed through done()
}

void CSettingsDlg::done(int result) {
    WriteOnce();
    QDialog::done(result);
}

void CSettingsDlg::WriteOnce() {
    if (written_) return;
    written_ = true;
    WriteSettings();
}
