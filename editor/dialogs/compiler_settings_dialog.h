// The Compiler settings dialog: the eight options of the settings file's COMPILER section,
// which every build reads. They are read when the dialog is made and all eight are written
// when it closes, whichever way (Close, Escape, the window's close button): there is no
// Cancel.
#pragma once

#include "settings_dialog.h"

#include <brevic/ls_types.h>

#include <memory>

namespace Ui {
class CCompilerSettingsDlg;
}

class CCompilerSettingsDlg : public CSettingsDlg {
    Q_OBJECT
public:
    static constexpr int kDialogId = 158;

    explicit CCompilerSettingsDlg(QWidget* parent);
    ~CCompilerSettingsDlg() override;

    tCompilerSettings values; // as read from the settings file, until the dialog closes

private:
    // "Replace newlines by space" is open only while "Create unreadable HTML code" is off.
    void EnableNewLineOption();
    // Closing, whichever way: the controls' values are written.
    void WriteSettings() override;

    std::unique_ptr<Ui::CCompilerSettingsDlg> ui_;
};
