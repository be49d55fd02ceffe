#include "organize_macros_dialog.h"

#include "app_context.h"
#include "ids.h"
#include "macro_text.h"
#include "message_box.h"
#include "modal.h"
#include "name_check.h"
#include "ui_organize_macros_dialog.h"

#include <brevic/ls_macrobase.h>

#include <QKeyEvent>
#include <QListWidget>
#include <QPushButton>
#include <algorithm>

namespace {

// Collects the names the base hands to a list, shown in the base's encoding.
class NameCollector : public tLS_ListBox {
public:
    explicit NameCollector(codec::Encoding encoding) : encoding_(encoding) {}
    void ResetContent() override { entries.clear(); }
    void AddString(const char* line) override {
        QByteArray bytes(line);
        entries.push_back({macrotext::Decode(bytes, encoding_), bytes});
    }
    QVector<MacroListEntry> entries;

private:
    codec::Encoding encoding_;
};
} // namespace

QVector<MacroListEntry> SortedMacroNames(tLS_macrobase* base) {
    NameCollector names(macrotext::EncodingOf(base));
    if (base) base->FillListBox(&names, 1);
    SortMacroNames(names.entries);
    return names.entries;
}

void SortMacroNames(QVector<MacroListEntry>& entries) {
    // Without regard to case, as a sorted list box orders; names that differ only in case
    // keep a fixed order among themselves.
    std::stable_sort(entries.begin(), entries.end(),
                     [](const MacroListEntry& a, const MacroListEntry& b) {
                         int c = QString::compare(a.text, b.text, Qt::CaseInsensitive);
                         if (c != 0) return c < 0;
                         return a.bytes < b.bytes;
                     });
}

void ShowMacroNames(QListWidget* list, const QVector<MacroListEntry>& entries) {
    list->clear();
    for (const MacroListEntry& e : entries) {
        auto* item = new QListWidgetItem(e.text, list);
        item->setData(Qt::UserRole, e.bytes);
    }
}

COrganizeMacrosDlg::COrganizeMacrosDlg(QWidget* parent, tLS_macrobase* base)
    : QDialog(parent), ui_(std::make_unique<Ui::COrganizeMacrosDlg>()), base_(base) {
    ui_->setupUi(this);
    ui_->macroList->setSelectionMode(QAbstractItemView::SingleSelection);
    new NameCheck(ui_->nameEdit, NameCheck::kMacroNameMax, NameCheck::kMacroForbidden,
                  ui_->macroList);
    connect(ui_->newButton, &QPushButton::clicked, this, &COrganizeMacrosDlg::OnNew);
    connect(ui_->editButton, &QPushButton::clicked, this, &COrganizeMacrosDlg::OnEdit);
    connect(ui_->deleteButton, &QPushButton::clicked, this, &COrganizeMacrosDlg::OnDelete);
    connect(ui_->helpButton, &QPushButton::clicked, this, [] { app::ShowDialogHelp(kDialogId); });
    connect(ui_->closeButton, &QPushButton::clicked, this, &COrganizeMacrosDlg::reject);
    connect(ui_->macroList, &QListWidget::itemDoubleClicked, this, &COrganizeMacrosDlg::OnEdit);
    Fill();
    if (ui_->macroList->count() > 0) ui_->macroList->setCurrentRow(0);
    ui_->nameEdit->installEventFilter(this);
    ui_->nameEdit->setFocus();
}

bool COrganizeMacrosDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ui_->nameEdit && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        const QString name = ui_->nameEdit->text();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && !name.isEmpty()) {
            const QList<QListWidgetItem*> found =
                ui_->macroList->findItems(name, Qt::MatchFixedString | Qt::MatchCaseSensitive);
            if (found.isEmpty()) {
                OnNew();
            } else {
                ui_->macroList->setCurrentItem(found.first());
                OnEdit();
            }
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

COrganizeMacrosDlg::~COrganizeMacrosDlg() = default;

int COrganizeMacrosDlg::Run() {
    fw::RunModal(*this);
    return result(); // as done() settled it: 1, or 2 for every way of cancelling
}

void COrganizeMacrosDlg::ReadControls() {
    nameText = ui_->nameEdit->text();
    const QList<QListWidgetItem*> selected = ui_->macroList->selectedItems();
    selectedName = selected.isEmpty() ? QString() : selected.first()->text();
    selectedBytes =
        selected.isEmpty() ? QByteArray() : selected.first()->data(Qt::UserRole).toByteArray();
}

void COrganizeMacrosDlg::Fill() {
    ShowMacroNames(ui_->macroList, SortedMacroNames(base_));
}

void COrganizeMacrosDlg::SelectName(const QByteArray& name) {
    QListWidget* list = ui_->macroList;
    // The exact name first: names may differ only in case.
    for (int row = 0; row < list->count(); ++row) {
        if (list->item(row)->data(Qt::UserRole).toByteArray() == name) {
            list->setCurrentRow(row);
            return;
        }
    }
    for (int row = 0; row < list->count(); ++row) {
        if (list->item(row)->text().startsWith(nameText, Qt::CaseInsensitive)) {
            list->setCurrentRow(row);
            return;
        }
    }
}

void COrganizeMacrosDlg::OnNew() {
    if (!base_) return;
    ReadControls();
    QByteArray name;
    if (!macrotext::Encode(nameText, macrotext::EncodingOf(base_), name)) {
        fw::ShowMessage(this, str::TextCharsNotStorable, fw::MessageKind::Error);
        return;
    }
    std::string* content = nullptr;
    int index = -1;
    tLS_Error r = base_->NewMacro(content, name.constData(), index);
    if (r != LS_OK) {
        fw::ShowMessage(this, r == LS_MACRO_EXISTS ? str::MacroExists : str::MacroNotCreated,
                        fw::MessageKind::Error);
        return;
    }
    macrotext::WriteBase(this, base_, nameText); // a macro made is in its file at once
    Fill();
    SelectName(name);
    ui_->nameEdit->setFocus();
}

void COrganizeMacrosDlg::OnDelete() {
    if (!base_) return;
    ReadControls();
    QListWidgetItem* item = ui_->macroList->selectedItems().value(0);
    if (!item) return;
    // A base that did not load completely is never saved: a deletion would seem to work and
    // come back at the next start, so it is refused.
    if (base_->LoadFailed()) {
        fw::ShowMessage(this, str::SystemError, fw::MessageKind::Error);
        return;
    }
    const QByteArray name = item->data(Qt::UserRole).toByteArray();
    int index = -1;
    if (base_->GetMacroIndex(index, name.constData(), 1) != LS_OK) return;
    if (base_->DeleteMacro(index) != LS_OK) {
        fw::ShowMessage(this, str::SystemError, fw::MessageKind::Error);
        return;
    }
    // The slot stays valid after deleting; marking it carries the deletion to the file,
    // which is written at once.
    base_->SetModified(index);
    macrotext::WriteBase(this, base_);
    const int row = ui_->macroList->currentRow();
    Fill();
    if (ui_->macroList->count() > 0) ui_->macroList->setCurrentRow(row > 0 ? row - 1 : 0);
}

void COrganizeMacrosDlg::OnEdit() {
    done(QDialog::Accepted);
}

void COrganizeMacrosDlg::done(int result) {
    if (result == QDialog::Rejected) result = 2;
    if (result == QDialog::Accepted) ReadControls();
    QDialog::done(result);
}

void COrganizeMacrosDlg::reject() {
    done(2);
}
