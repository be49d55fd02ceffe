#include "browser_settings_dialog.h"

#include "app_context.h"
#include "file_dialogs.h"
#include "ids.h"
#include "message_box.h"
#include "modal.h"
#include "string_table.h"
#include "ui_browser_settings_dialog.h"

#include <QApplication>
#include <QFileInfo>
#include <QPushButton>
#include <QStandardPaths>

CBrowserSettingsDlg::CBrowserSettingsDlg(QWidget* parent)
    : CSettingsDlg(parent), ui_(std::make_unique<Ui::CBrowserSettingsDlg>()) {
    values.Load(app::SettingsFile());
    ui_->setupUi(this);
    (values.useTempOrTargetPath ? ui_->targetFileRadio : ui_->tempFileRadio)->setChecked(true);
    ui_->desktopBrowserButton->setEnabled(!DesktopBrowser().isEmpty());
    ShowPaths();
    connect(ui_->newBrowserButton, &QPushButton::clicked, this, &CBrowserSettingsDlg::OnNewBrowser);
    connect(ui_->desktopBrowserButton, &QPushButton::clicked, this,
            &CBrowserSettingsDlg::OnDesktopBrowser);
    connect(ui_->newTempFileButton, &QPushButton::clicked, this,
            &CBrowserSettingsDlg::OnNewTempFile);
    connect(ui_->helpButton, &QPushButton::clicked, this, [] { app::ShowDialogHelp(kDialogId); });
    connect(ui_->closeButton, &QPushButton::clicked, this, &QDialog::reject);
}

CBrowserSettingsDlg::~CBrowserSettingsDlg() = default;

QString CBrowserSettingsDlg::DesktopBrowser() {
    return QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
}

void CBrowserSettingsDlg::OnNewBrowser() {
    fw::FileDialogRequest r;
    r.caption = fw::LoadString(str::BrowserTempFileTitle);
    r.filter = QApplication::translate("CBrowserSettingsDlg", "Programs (*)");
    const QString path = fw::AskFileName(this, r);
    if (path.isEmpty()) return;
    const QFileInfo file(path);
    if (!file.isFile() || !file.isExecutable()) {
        fw::ShowMessage(this, str::NotAProgram, fw::MessageKind::Error, path);
        return;
    }
    ChooseBrowser(path);
}

void CBrowserSettingsDlg::OnDesktopBrowser() {
    const QString path = DesktopBrowser();
    if (!path.isEmpty()) ChooseBrowser(path);
}

void CBrowserSettingsDlg::ChooseBrowser(const QString& path) {
    values.browserPath = path;
    settings::Browser::SaveBrowserPath(app::SettingsFile(), path);
    ShowPaths();
}

void CBrowserSettingsDlg::OnNewTempFile() {
    fw::FileDialogRequest r;
    r.save = true;
    r.caption = fw::LoadString(str::SelectTempFileTitle);
    r.filter =
        QApplication::translate("CBrowserSettingsDlg", "HTML Templates (*.tpl);;All Files (*)");
    const QString path = fw::CompleteSavePath(this, r, fw::AskFileName(this, r));
    if (path.isEmpty()) return;
    values.tempFilePath = path;
    settings::Browser::SaveTempFilePath(app::SettingsFile(), path);
    ShowPaths();
}

void CBrowserSettingsDlg::ShowPaths() {
    const QString undefined = fw::LoadString(str::Undefined);
    ui_->browserPathLabel->setText(values.browserPath.isEmpty() ? undefined : values.browserPath);
    ui_->tempPathLabel->setText(values.tempFilePath.isEmpty() ? undefined : values.tempFilePath);
}

void CBrowserSettingsDlg::WriteSettings() {
    values.useTempOrTargetPath = ui_->targetFileRadio->isChecked() ? 1 : 0;
    settings::Browser::SaveUseTempOrTargetPath(app::SettingsFile(), values.useTempOrTargetPath);
}
