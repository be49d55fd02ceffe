#include "autotags_dialog.h"

#include "app_context.h"
#include "ids.h"
#include "macro_text.h"
#include "message_box.h"
#include "name_check.h"
#include "organize_macros_dialog.h"
#include "plain_text.h"
#include "ui_autotags_dialog.h"

#include <brevic/ls_macrobase.h>

#include <QApplication>
#include <QComboBox>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>

namespace {
// The longest macro name the table's file reads back, "!" included.
constexpr int kNameMax = 30;
} // namespace

CAutotagsDlg::CAutotagsDlg(QWidget* parent, tLS_macrobase* base)
    : CSettingsDlg(parent), ui_(std::make_unique<Ui::CAutotagsDlg>()), macroBase(base),
      encoding_(macrotext::EncodingOf(base)) {
    ui_->setupUi(this);
    ui_->entryList->setSelectionMode(QAbstractItemView::SingleSelection);
    nameCheck_ =
        new NameCheck(ui_->nameEdit, kNameMax, NameCheck::kAutotagForbidden, ui_->entryList);
    connect(ui_->entryList, &QListWidget::currentRowChanged, this, &CAutotagsDlg::LoadContent);
    connect(ui_->kindCombo, &QComboBox::currentIndexChanged, this, &CAutotagsDlg::OnKindChanged);
    connect(ui_->contentEdit, &QPlainTextEdit::textChanged, this, &CAutotagsDlg::OnContentEdited);
    connect(ui_->newButton, &QPushButton::clicked, this, &CAutotagsDlg::OnNew);
    connect(ui_->deleteButton, &QPushButton::clicked, this, &CAutotagsDlg::OnDelete);
    connect(ui_->helpButton, &QPushButton::clicked, this, [] { app::ShowDialogHelp(kDialogId); });
    connect(ui_->closeButton, &QPushButton::clicked, this, &QDialog::reject);
    {
        const QSignalBlocker block(ui_->kindCombo);
        ui_->kindCombo->setCurrentIndex(Tags);
    }
    OnKindChanged();
    ui_->nameEdit->setFocus();
}

CAutotagsDlg::~CAutotagsDlg() = default;

void CAutotagsDlg::WriteSettings() {
    LoadContent();
}

void CAutotagsDlg::ReadControls() {
    nameText = ui_->nameEdit->text();
    contentText = ContentOfEdit();
    const QList<QListWidgetItem*> selected = ui_->entryList->selectedItems();
    selectedName = selected.isEmpty() ? QString() : selected.first()->text();
}

CAutotagsDlg::Kind CAutotagsDlg::CurrentKind() const {
    return ui_->kindCombo->currentIndex() == Attributes ? Attributes : Tags;
}

QByteArray CAutotagsDlg::MacroName(const QByteArray& entryName) const {
    return CurrentKind() == Attributes ? QByteArray("!") + entryName : entryName;
}

void CAutotagsDlg::OnKindChanged() {
    nameCheck_->SetMaxLength(CurrentKind() == Attributes ? kNameMax - 1 : kNameMax);
    FillEntryList();
}

void CAutotagsDlg::ShowEntries() {
    const QSignalBlocker block(ui_->entryList);
    QVector<MacroListEntry> entries;
    const bool attributes = CurrentKind() == Attributes;
    for (int index = 0; macroBase; ++index) {
        tBaseMember* member = nullptr;
        const tLS_Error r = macroBase->GetMacroContent(index, member);
        if (r == LS_MACRO_DELETED) continue;
        if (r != LS_OK) break; // behind the last slot
        const QByteArray name(member->name);
        if (name.startsWith('!') != attributes) continue;
        const QByteArray entry = attributes ? name.mid(1) : name;
        entries.push_back({macrotext::Decode(entry, encoding_), entry});
    }
    SortMacroNames(entries);
    ShowMacroNames(ui_->entryList, entries);
}

void CAutotagsDlg::SelectEntry(int row) {
    {
        const QSignalBlocker block(ui_->entryList);
        ui_->entryList->setCurrentRow(row < ui_->entryList->count() ? row : -1);
    }
    LoadContent();
}

void CAutotagsDlg::FillEntryList() {
    ShowEntries();
    SelectEntry(0);
}

void CAutotagsDlg::LoadContent() {
    ReadControls();
    StoreContent();
    const QListWidgetItem* item = ui_->entryList->selectedItems().value(0);
    if (!item) {
        // No entry shown: the edit belongs to none, rather than to an entry of the other kind.
        boundIndex_ = -1;
        ShowContent(QString());
        return;
    }
    const QByteArray name = MacroName(item->data(Qt::UserRole).toByteArray());
    int index = -1;
    std::string* content = nullptr;
    if (!macroBase || macroBase->GetMacroIndex(index, name.constData(), 1) != LS_OK ||
        macroBase->GetMacroContent(index, content) != LS_OK)
        return;
    boundIndex_ = index;
    contentText = macrotext::Decode(QByteArray::fromStdString(*content), encoding_);
    ShowContent(contentText);
}

void CAutotagsDlg::StoreContent() {
    std::string* content = nullptr;
    if (!edited_ || boundIndex_ < 0 || macroBase->GetMacroContent(boundIndex_, content) != LS_OK)
        return;
    QByteArray bytes;
    // The edit refuses what the table cannot store, so this succeeds.
    if (macrotext::Encode(contentText, encoding_, bytes))
        content->assign(bytes.constData(), bytes.size());
}

QString CAutotagsDlg::ContentOfEdit() const {
    return fw::ExactText(*ui_->contentEdit->document());
}

void CAutotagsDlg::ShowContent(const QString& text) {
    const QSignalBlocker block(ui_->contentEdit);
    ui_->contentEdit->setPlainText(text);
    acceptedContent_ = ContentOfEdit();
    edited_ = false;
}

void CAutotagsDlg::OnContentEdited() {
    const QString text = ContentOfEdit();
    QByteArray bytes;
    // A character the table's encoding lacks, or a line the file would read as the start of
    // the next entry ("{:"), would make the whole table unsavable: refused as it is typed.
    if (!macrotext::Encode(text, encoding_, bytes) ||
        !brevic::MacroTextStorable(bytes.toStdString())) {
        QApplication::beep();
        QTextCursor cursor = ui_->contentEdit->textCursor();
        const int at = cursor.position() - static_cast<int>(text.size() - acceptedContent_.size());
        const QSignalBlocker block(ui_->contentEdit);
        ui_->contentEdit->setPlainText(acceptedContent_);
        cursor = ui_->contentEdit->textCursor();
        cursor.setPosition(std::clamp(at, 0, static_cast<int>(acceptedContent_.size())));
        ui_->contentEdit->setTextCursor(cursor);
        return;
    }
    acceptedContent_ = text;
    if (boundIndex_ < 0) return; // belongs to no entry: nothing in the table changes
    macroBase->SetModified(boundIndex_);
    edited_ = true;
}

void CAutotagsDlg::OnNew() {
    ReadControls();
    if (!macroBase || nameText.isEmpty()) return;
    QByteArray entry;
    if (!macrotext::Encode(nameText, encoding_, entry)) {
        fw::ShowMessage(this, str::TextCharsNotStorable, fw::MessageKind::Error);
        return;
    }
    // A leading "!" marks an attribute entry: under TAGS it would make one that this list
    // never shows.
    if (CurrentKind() == Tags && entry.startsWith('!')) {
        QApplication::beep();
        return;
    }
    std::string* content = nullptr;
    int index = -1;
    const tLS_Error r = macroBase->NewMacro(content, MacroName(entry).constData(), index);
    if (r != LS_OK) {
        fw::ShowMessage(this, r == LS_MACRO_EXISTS ? str::MacroExists : str::MacroNotCreated,
                        fw::MessageKind::Error);
        return;
    }
    macrotext::WriteBase(this, macroBase, nameText); // the table's file holds the new entry at once
    ShowEntries();
    int row = 0;
    while (row < ui_->entryList->count() &&
           ui_->entryList->item(row)->data(Qt::UserRole).toByteArray() != entry)
        ++row;
    SelectEntry(row); // the entry shown before keeps the edit's text
}

void CAutotagsDlg::OnDelete() {
    ReadControls();
    const QListWidgetItem* item = ui_->entryList->selectedItems().value(0);
    int index = -1;
    if (!macroBase || !item ||
        macroBase->GetMacroIndex(
            index, MacroName(item->data(Qt::UserRole).toByteArray()).constData(), 1) != LS_OK)
        return;
    macroBase->SetModified(index);
    macroBase->DeleteMacro(index);
    macrotext::WriteBase(this, macroBase);
    if (index == boundIndex_) boundIndex_ = -1; // its text goes with it
    const int row = ui_->entryList->currentRow();
    ShowEntries();
    SelectEntry(row > 0 ? row - 1 : 0);
}
