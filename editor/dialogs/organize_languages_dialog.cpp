#include "organize_languages_dialog.h"

#include "app_context.h"
#include "ids.h"
#include "message_box.h"
#include "modal.h"
#include "name_check.h"
#include "ui_organize_languages_dialog.h"

#include <brevic/ls_project.h>

#include <QListWidget>
#include <QPushButton>

namespace {} // namespace

COrganizeLanguagesDlg::COrganizeLanguagesDlg(QWidget* parent, tLS_project* project)
    : QDialog(parent), ui_(std::make_unique<Ui::COrganizeLanguagesDlg>()), project_(project) {
    ui_->setupUi(this);
    ui_->languageList->setSelectionMode(QAbstractItemView::SingleSelection);
    new NameCheck(ui_->nameEdit, NameCheck::kLanguageNameMax, NameCheck::kLanguageForbidden,
                  ui_->languageList);
    connect(ui_->newButton, &QPushButton::clicked, this, &COrganizeLanguagesDlg::OnNew);
    connect(ui_->deleteButton, &QPushButton::clicked, this, &COrganizeLanguagesDlg::OnDelete);
    connect(ui_->helpButton, &QPushButton::clicked, this, [] { app::ShowDialogHelp(kDialogId); });
    connect(ui_->closeButton, &QPushButton::clicked, this, &COrganizeLanguagesDlg::reject);
    Fill();
    ui_->nameEdit->setFocus();
}

COrganizeLanguagesDlg::~COrganizeLanguagesDlg() = default;

int COrganizeLanguagesDlg::Run() {
    fw::RunModal(*this);
    return result();
}

bool COrganizeLanguagesDlg::HaveProject() {
    return project_ && project_->IsProject();
}

void COrganizeLanguagesDlg::Fill() {
    QListWidget* list = ui_->languageList;
    list->clear();
    if (!HaveProject()) return;
    // Up to the first entry that cannot be read, so that position p stays group p + 1.
    char name[LS_PATH_MAX];
    for (int index = 1; project_->GetGroupNameFromIni(index, name) == LS_OK; ++index) {
        list->addItem(QString::fromUtf8(name));
    }
    if (list->count() > 0) list->setCurrentRow(0);
}

void COrganizeLanguagesDlg::OnNew() {
    nameText = ui_->nameEdit->text();
    if (!HaveProject()) {
        fw::ShowMessage(this, str::NoProject, fw::MessageKind::Error);
        return;
    }
    // The project file trims its values: a name with blanks around it would be stored as a
    // different file name than the macro file made for it.
    const QString name = nameText.trimmed();
    const QByteArray bytes = name.toUtf8();
    // A name the project file could not give back (".." among them) would leave a project
    // that cannot be opened: refused before anything is written.
    if (!tLS_project::IsStorableGroupName(bytes.constData())) {
        fw::ShowMessage(this, str::ProjectInitError, fw::MessageKind::Error);
        return;
    }
    const int before = project_->GetGroupCount();
    tLS_Error r = project_->AddAndActivateGroup(bytes.constData());
    if (r != LS_OK) {
        // A group whose macro file does not load stays in the project file, and a project
        // with such a group can no longer be opened: the entry just written is taken back.
        if (r != LS_GROUP_EXISTS && project_->GetGroupCount() == before + 1)
            project_->DeleteGroup(before);
        fw::ShowMessage(this, r == LS_GROUP_EXISTS ? str::LanguageExists : str::ProjectInitError,
                        fw::MessageKind::Error);
        return;
    }
    Fill();
    QListWidget* list = ui_->languageList;
    // The new entry is the last one with its name; else the first that begins with it.
    QListWidgetItem* found = nullptr;
    for (int row = list->count() - 1; row >= 0 && !found; --row) {
        if (list->item(row)->text() == name) found = list->item(row);
    }
    for (int row = 0; row < list->count() && !found; ++row) {
        if (list->item(row)->text().startsWith(name, Qt::CaseInsensitive)) found = list->item(row);
    }
    if (found) list->setCurrentItem(found);
    ui_->nameEdit->clear(); // ready for the next name
    ui_->nameEdit->setFocus();
}

void COrganizeLanguagesDlg::OnDelete() {
    QListWidget* list = ui_->languageList;
    QListWidgetItem* item = list->selectedItems().value(0);
    if (!item) return;
    if (!HaveProject()) {
        fw::ShowMessage(this, str::NoProject, fw::MessageKind::Error);
        return;
    }
    const int position = list->row(item);
    if (project_->DeleteGroup(position + 1) != LS_OK) {
        fw::ShowMessage(this, str::SystemError, fw::MessageKind::Error);
        return;
    }
    fw::ShowMessage(this, str::LanguageDeletedAtNextStart, fw::MessageKind::Error);
    Fill();
    if (list->count() > 0) list->setCurrentRow(position > 0 ? position - 1 : 0);
}

void COrganizeLanguagesDlg::done(int result) {
    QDialog::done(result == QDialog::Rejected ? 2 : result);
}

void COrganizeLanguagesDlg::reject() {
    done(2);
}
