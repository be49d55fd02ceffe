// The Editor settings dialog: the four keys of the settings file's EDITOR section
// (autotagging, its largest number of matches, case of autotags, colouring). They are read
// when the dialog is made (also without showing it) and written when it closes, whichever
// way: there is no Cancel. The caller then takes `values`.
#pragma once

#include "settings.h"
#include "settings_dialog.h"

#include <memory>

namespace Ui {
class CEditorSettingsDlg;
}

class CEditorSettingsDlg : public CSettingsDlg {
    Q_OBJECT
public:
    static constexpr int kDialogId = 160;

    explicit CEditorSettingsDlg(QWidget* parent);
    ~CEditorSettingsDlg() override;

    settings::Editor values; // as read from the settings file, until the dialog closes

private:
    // Closing, whichever way: the controls' values are written.
    void WriteSettings() override;

    std::unique_ptr<Ui::CEditorSettingsDlg> ui_;
};
