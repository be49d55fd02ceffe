#include "build_progress_dialog.h"

#include "ui_build_progress_dialog.h"

#include <QApplication>
#include <QFileInfo>

CBuildProgressDlg::CBuildProgressDlg(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint),
      ui_(std::make_unique<Ui::CBuildProgressDlg>()) {
    ui_->setupUi(this);
    ui_->progress->setRange(0, 100);
    setModal(false);
    show();
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

CBuildProgressDlg::~CBuildProgressDlg() = default;

void CBuildProgressDlg::SetPos(int percent) {
    ui_->progress->setValue(percent);
    // Builds run on the user-interface thread: let the bar repaint.
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void CBuildProgressDlg::TargetDone(const tLS_Target& target, const std::string& messages) {
    ++counts_.built;
    if (target.written) ++counts_.written;
    // A page that was not expanded has no messages, and its context counts are old.
    if (context_ && !messages.empty()) {
        counts_.errors += context_->errors;
        counts_.warnings += context_->warnings;
    }
    ui_->label->setText(tr("update...") + QLatin1Char(' ') +
                        QFileInfo(QString::fromUtf8(target.path)).fileName());
}
