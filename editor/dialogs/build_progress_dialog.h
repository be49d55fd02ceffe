// The build-progress window: shown while a build runs; its bar is the build's progress.
#pragma once

#include <brevic/ls_types.h>

#include <QDialog>
#include <memory>

namespace Ui {
class CBuildProgressDlg;
}

class CBuildProgressDlg : public QDialog, public tLS_Progress {
    Q_OBJECT
public:
    // Created and shown at once.
    explicit CBuildProgressDlg(QWidget* parent = nullptr);
    ~CBuildProgressDlg() override;

    void SetPos(int percent) override;
    void TargetDone(const char* targetPath, int written, const std::string& messages) override;
    int Position() const;

private:
    std::unique_ptr<Ui::CBuildProgressDlg> ui_;
};
