// The Editor settings dialog: the four keys of the settings file's EDITOR section
// (autotagging, its largest number of matches, case of autotags, colouring). They are read
// when the dialog is made (also without showing it) and written when it closes, whichever
// way: there is no Cancel. The caller then takes `values`.
#pragma once

#include "settings.h"

#include <QDialog>
#include <memory>

namespace Ui {
class CEditorSettingsDlg;
}

class CEditorSettingsDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kDialogId = 160;

    explicit CEditorSettingsDlg(QWidget* parent);
    ~CEditorSettingsDlg() override;

    // Shows the dialog; afterwards `values` holds what was written.
    void Run();

    settings::Editor values; // as read from the settings file, until the dialog closes

    // Closing reads the controls and writes the keys.
    void done(int result) override;

private:
    void Finish();

    std::unique_ptr<Ui::CEditorSettingsDlg> ui_;
    bool finished_ = false;
};
