// The hint dialog: shows one help text of the string table at a time, until the user
// ticks "Don't show this message anymore." (then the TIP setting of that text is 0).
#pragma once

#include "profile_file.h"

#include <QDialog>
#include <memory>

namespace Ui {
class CHintDlg;
}

class CHintDlg : public QDialog {
    Q_OBJECT
public:
    // Reads the TIP setting "ID_<stringId>" (missing: 1) from the settings file.
    CHintDlg(QWidget* parent, int stringId, const fw::ProfileFile& settings);
    ~CHintDlg() override;

    // Shows the hint modally; 2 at once, without any window, when it is switched off.
    int Run();

    // Shows hint `stringId` once (the usual way to use the dialog).
    static int Show(QWidget* parent, int stringId, const fw::ProfileFile& settings);

protected:
    void done(int result) override;

private:
    std::unique_ptr<Ui::CHintDlg> ui_;
    fw::ProfileFile settings_;
    QString tipKey_;
    int showTip_ = 1;
    bool stored_ = false;
};
