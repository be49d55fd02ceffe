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
    void TargetDone(const tLS_Target& target, const std::string& messages) override;

    // The counts of the build so far; errors and warnings are read from `context` (the
    // build's own) as each page is done.
    struct Counts {
        int built = 0;
        int written = 0;
        int errors = 0;
        int warnings = 0;
    };
    void CountFrom(const tDebugContext* context) { context_ = context; }
    const Counts& Totals() const { return counts_; }

private:
    std::unique_ptr<Ui::CBuildProgressDlg> ui_;
    const tDebugContext* context_ = nullptr;
    Counts counts_;
};
