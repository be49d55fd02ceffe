#include "organize_templates_dialog.h"

#include "app_context.h"
#include "file_dialogs.h"
#include "ids.h"
#include "message_box.h"
#include "modal.h"
#include "string_table.h"
#include "ui_organize_templates_dialog.h"

#include <brevic/ls_profile.h>
#include <brevic/ls_project.h>

#include <QFile>
#include <QListWidget>
#include <QPushButton>
#include <algorithm>
#include <string>

namespace {

// Item data: the source index in the project file the entry stands for.
constexpr int kSourceIndexRole = Qt::UserRole;

// Shows a string of the table with the path on a line of its own.
void ShowWithPath(QWidget* parent, int stringId, const QString& path) {
    fw::ShowMessageText(parent, fw::LoadString(stringId) + QLatin1Char('\n') + path,
                        fw::MessageKind::Error);
}
} // namespace

COrganizeTemplatesDlg::COrganizeTemplatesDlg(QWidget* parent, tLS_project* project)
    : QDialog(parent), ui_(std::make_unique<Ui::COrganizeTemplatesDlg>()), project_(project) {
    ui_->setupUi(this);
    ui_->templateList->setSelectionMode(QAbstractItemView::SingleSelection);
    connect(ui_->openButton, &QPushButton::clicked, this, &COrganizeTemplatesDlg::OnOpen);
    connect(ui_->removeButton, &QPushButton::clicked, this, &COrganizeTemplatesDlg::OnRemove);
    connect(ui_->addButton, &QPushButton::clicked, this, &COrganizeTemplatesDlg::OnAdd);
    connect(ui_->helpButton, &QPushButton::clicked, this, [] { app::ShowDialogHelp(kDialogId); });
    connect(ui_->closeButton, &QPushButton::clicked, this, &COrganizeTemplatesDlg::reject);
    connect(ui_->templateList, &QListWidget::itemDoubleClicked, this,
            &COrganizeTemplatesDlg::OnOpen);
    Fill();
}

COrganizeTemplatesDlg::~COrganizeTemplatesDlg() = default;

int COrganizeTemplatesDlg::Run() {
    fw::RunModal(*this);
    return result();
}

bool COrganizeTemplatesDlg::HaveProject() {
    return project_ && project_->IsProject();
}

void COrganizeTemplatesDlg::Fill() {
    QListWidget* list = ui_->templateList;
    list->clear();
    if (!HaveProject()) return;
    // Entries that cannot be read are left out, so every item carries its own source index:
    // Remove must unregister the template shown, not the one at the same list position.
    for (int index = 0; index < project_->GetSourceCount(); ++index) {
        QString path;
        char buffer[LS_PATH_MAX];
        if (project_->GetSourcePath(index, buffer) == LS_OK) {
            path = QFile::decodeName(buffer);
        } else {
            // A full path longer than the library's path buffer is still shown whole: the
            // project's folder and the stored path, with "/" for "\".
            std::string stored;
            const std::string key = "Source" + std::to_string(index);
            const char* projectPath = project_->GetProjectPath();
            if (!projectPath ||
                !brevic::ReadProfileValue("Sources", key.c_str(), stored, projectPath) ||
                stored.empty())
                continue;
            const QString project = QFile::decodeName(projectPath);
            const qsizetype cut = std::max(project.lastIndexOf(QLatin1Char('/')),
                                           project.lastIndexOf(QLatin1Char('\\')));
            path = project.left(cut + 1) + QFile::decodeName(QByteArray::fromStdString(stored))
                                               .replace(QLatin1Char('\\'), QLatin1Char('/'));
        }
        auto* item = new QListWidgetItem(path, list);
        item->setData(kSourceIndexRole, index);
        item->setToolTip(path);
    }
    if (list->count() > 0) list->setCurrentRow(0);
}

void COrganizeTemplatesDlg::OnAdd() {
    if (!HaveProject()) {
        fw::ShowMessage(this, str::NoProject, fw::MessageKind::Error);
        return;
    }
    fw::FileDialogRequest request;
    request.multiple = true;
    request.caption = fw::LoadString(str::AddFilesTitle);
    request.filter = QStringLiteral("HTML Templates (*.tpl);;All Files (*)");
    request.directory = app::StartFolder();
    const QStringList paths = fw::AskFileNames(this, request);
    if (paths.isEmpty()) return;
    for (const QString& path : paths) {
        const QByteArray bytes = QFile::encodeName(path);
        tLS_Error r = project_->AddSource(bytes.constData());
        if (r == LS_SOURCE_EXISTS) {
            ShowWithPath(this, str::TemplateExists, path);
        } else if (r != LS_OK) {
            ShowWithPath(this, str::SystemError, path);
        }
    }
    Fill();
}

void COrganizeTemplatesDlg::OnRemove() {
    QListWidgetItem* item = ui_->templateList->selectedItems().value(0);
    if (!item) return;
    if (!HaveProject()) {
        fw::ShowMessage(this, str::NoProject, fw::MessageKind::Error);
        return;
    }
    if (project_->DeleteSource(item->data(kSourceIndexRole).toInt()) != LS_OK) {
        fw::ShowMessage(this, str::SystemError, fw::MessageKind::Error);
        return;
    }
    Fill();
}

void COrganizeTemplatesDlg::OnOpen() {
    // Without a selection there is nothing to open; the dialog stays and says so.
    if (ui_->templateList->selectedItems().isEmpty()) {
        fw::ShowMessage(this, str::SelectTemplateToOpen, fw::MessageKind::Information);
        return;
    }
    done(QDialog::Accepted);
}

void COrganizeTemplatesDlg::done(int result) {
    if (result == QDialog::Accepted) {
        QListWidgetItem* item = ui_->templateList->selectedItems().value(0);
        selectedPath = item ? item->text() : QString();
        // Result 1 always comes with a path to open.
        if (selectedPath.isEmpty()) result = 2;
    }
    QDialog::done(result == QDialog::Rejected ? 2 : result);
}

void COrganizeTemplatesDlg::reject() {
    done(2);
}
