// The Compiler settings dialog: the eight options of the settings file's COMPILER section,
// which every build reads. They are read when the dialog is made and all eight are written
// when it closes, whichever way (Close, Escape, the window's close button): there is no
// Cancel.
#pragma once

#include <brevic/ls_types.h>

#include <QDialog>
#include <memory>

namespace Ui {
class CCompilerSettingsDlg;
}

class CCompilerSettingsDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kDialogId = 158;

    explicit CCompilerSettingsDlg(QWidget* parent);
    ~CCompilerSettingsDlg() override;

    // Shows the dialog; afterwards `values` holds what was written.
    void Run();

    tCompilerSettings values; // as read from the settings file, until the dialog closes

    // Closing reads the controls and writes the keys.
    void done(int result) override;

private:
    // "Replace newlines by space" is open only while "Create unreadable HTML code" is off.
    void EnableNewLineOption();
    void Finish();

    std::unique_ptr<Ui::CCompilerSettingsDlg> ui_;
    bool finished_ = false;
};
