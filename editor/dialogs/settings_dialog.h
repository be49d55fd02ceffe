// The base of the dialogs that have no Cancel (the settings dialogs, the autotag table's):
// they keep what the author set however they are closed (OK, Close, Escape, the window's
// close button) and also when the dialog is ended without being closed at all. The writing
// happens once per dialog.
#pragma once

#include <QDialog>

class CSettingsDlg : public QDialog {
public:
    explicit CSettingsDlg(QWidget* parent) : QDialog(parent) {}

    // Shows the dialog modally; afterwards its settings are written.
    void Run();
    void done(int result) override;

protected:
    // Reads the controls and writes the settings (called once).
    virtual void WriteSettings() = 0;

private:
    void WriteOnce();
    bool written_ = false;
};
