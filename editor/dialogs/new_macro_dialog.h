// The New macro dialog: asks for the name of a new macro. It creates nothing itself.
#pragma once

#include <QDialog>
#include <QString>
#include <memory>

namespace Ui {
class CNewMacroDlg;
}

class CNewMacroDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kDialogId = 136;

    explicit CNewMacroDlg(QWidget* parent);
    ~CNewMacroDlg() override;

    // 1 after OK or Enter (nameText holds the name, possibly empty); 2 after Close or Escape.
    int Run();

    QString nameText; // the name typed; the edit refuses what a macro file cannot hold

    // Accepting (result 1) reads the edit, whichever way the dialog is closed.
    void done(int result) override;
    // Close, Escape and the window's close button give result 2.
    void reject() override;

private:
    std::unique_ptr<Ui::CNewMacroDlg> ui_;
};
