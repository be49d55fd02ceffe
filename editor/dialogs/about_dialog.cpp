#include "about_dialog.h"

#include "ui_about_dialog.h"

#include <QIcon>

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent), ui_(std::make_unique<Ui::CAboutDlg>()) {
    ui_->setupUi(this);
    ui_->picture->setPixmap(QIcon(QStringLiteral(":/icons/about.svg")).pixmap(96, 96));
}

CAboutDlg::~CAboutDlg() = default;
