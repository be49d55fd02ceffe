#include "hint_dialog.h"

#include "modal.h"
#include "string_table.h"
#include "ui_hint_dialog.h"

#include <QIcon>

namespace {
const char kSection[] = "TIP";
}

CHintDlg::CHintDlg(QWidget* parent, int stringId, const fw::ProfileFile& settings)
    : QDialog(parent), settings_(settings), tipKey_(QStringLiteral("ID_%1").arg(stringId)) {
    showTip_ = settings_.ReadInt(kSection, tipKey_, 1);
    if (!showTip_) return; // never shown: no window is set up
    ui_ = std::make_unique<Ui::CHintDlg>();
    ui_->setupUi(this);
    // The bulb beside the heading, the program's own picture under it.
    ui_->picture->setPixmap(QIcon(QStringLiteral(":/icons/hint.svg")).pixmap(48, 48));
    ui_->secondPicture->setPixmap(QIcon(QStringLiteral(":/icons/app.svg")).pixmap(48, 48));
    ui_->tipText->setPlainText(fw::LoadString(stringId));
}

CHintDlg::~CHintDlg() = default;

int CHintDlg::Run() {
    if (!showTip_) return 2;
    return fw::RunModal(*this);
}

int CHintDlg::Show(QWidget* parent, int stringId, const fw::ProfileFile& settings) {
    CHintDlg dialog(parent, stringId, settings);
    return dialog.Run();
}

void CHintDlg::done(int result) {
    // Every way of closing stores the choice once.
    if (ui_ && !stored_) {
        stored_ = true;
        if (ui_->dontShowAgain->isChecked())
            settings_.WriteString(kSection, tipKey_, QStringLiteral("0"));
    }
    QDialog::done(result);
}
