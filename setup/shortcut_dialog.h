// Dialog 102, "Create Shortcut": Finish makes the desktop entries, Cancel leaves them out.
#pragma once

#include <QDialog>
#include <memory>

namespace Ui {
class CShortcutDlg;
}

class CShortcutDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kDialogId = 102;

    explicit CShortcutDlg(QWidget* parent);
    ~CShortcutDlg() override;

private:
    std::unique_ptr<Ui::CShortcutDlg> ui_;
};
