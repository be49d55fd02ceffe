#include "shortcut_dialog.h"

#include "ui_shortcut_dialog.h"

CShortcutDlg::CShortcutDlg(QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::CShortcutDlg>()) {
    ui_->setupUi(this);
    // At its own place on the screen, not centred over the window.
    move(100, 150);
    ui_->finish->setFocus();
}

CShortcutDlg::~CShortcutDlg() = default;
