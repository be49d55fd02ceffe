#include "styles_dialog.h"

#include "app_context.h"
#include "font_face_dialog.h"
#include "ids.h"
#include "message_box.h"
#include "modal.h"
#include "ui_styles_dialog.h"

#include <QColor>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>

#include <algorithm>
#include <iterator>

using styles::Field;

CStylesDlg::CStylesDlg(QWidget* parent, const QString& stylesPath)
    : QDialog(parent), ui_(std::make_unique<Ui::CStylesDlg>()), file_(stylesPath) {
    ui_->setupUi(this);
    QWidget* fields[styles::kFieldCount] = {
        ui_->fontFamilyEdit,      ui_->fontStyleCombo,      ui_->fontWeightCombo,
        ui_->decorationCombo,     ui_->textAlignCombo,      ui_->fontSizeEdit,
        ui_->fontSizeUnitCombo,   ui_->marginRightEdit,     ui_->marginRightUnitCombo,
        ui_->marginLeftEdit,      ui_->marginLeftUnitCombo, ui_->textIndentEdit,
        ui_->textIndentUnitCombo, ui_->lineHeightEdit,      ui_->lineHeightUnitCombo,
        ui_->backgroundEdit,      ui_->colorEdit,
    };
    std::copy(std::begin(fields), std::end(fields), fields_);
    for (int f = 0; f < styles::kFieldCount; ++f) {
        if (QComboBox* combo = Combo(f)) {
            // A value read back is cut to this length: longer ones cannot be kept.
            combo->lineEdit()->setMaxLength(styles::kValueMax);
            combo->setCurrentIndex(styles::IsUnit(f) ? 0 : -1);
        }
    }
    ui_->styleList->setSelectionMode(QAbstractItemView::SingleSelection);
    Connect();
    FillList();
    PaintColorButtons();
    ui_->nameEdit->setFocus();
}

CStylesDlg::~CStylesDlg() = default;

void CStylesDlg::Connect() {
    for (int f = 0; f < styles::kFieldCount; ++f) {
        if (QLineEdit* edit = Edit(f))
            connect(edit, &QLineEdit::textChanged, this, &CStylesDlg::SaveSelected);
        // Typing into an editable list is a change as much as choosing one of its items.
        if (QComboBox* combo = Combo(f))
            connect(combo, &QComboBox::currentTextChanged, this, &CStylesDlg::SaveSelected);
    }
    connect(ui_->colorEdit, &QLineEdit::textChanged, this, &CStylesDlg::PaintColorButtons);
    connect(ui_->backgroundEdit, &QLineEdit::textChanged, this, &CStylesDlg::PaintColorButtons);
    connect(ui_->styleList, &QListWidget::currentRowChanged, this, &CStylesDlg::LoadStyle);
    connect(ui_->styleList, &QListWidget::itemDoubleClicked, this,
            [this] { Insert(styles::Form::Declarations); });
    connect(ui_->newButton, &QPushButton::clicked, this, &CStylesDlg::OnNew);
    connect(ui_->deleteButton, &QPushButton::clicked, this, &CStylesDlg::OnDelete);
    connect(ui_->colorButton, &QPushButton::clicked, this, [this] { PickColor(Field::Color); });
    connect(ui_->backgroundButton, &QPushButton::clicked, this,
            [this] { PickColor(Field::Background); });
    connect(ui_->fontFaceButton, &QPushButton::clicked, this, &CStylesDlg::PickFontFace);
    const std::pair<QPushButton*, styles::Form> forms[] = {
        {ui_->declarationsButton, styles::Form::Declarations},
        {ui_->blockButton, styles::Form::Block},
        {ui_->spanButton, styles::Form::Span},
        {ui_->divButton, styles::Form::Div},
        {ui_->styleSheetButton, styles::Form::StyleSheet},
    };
    for (const auto& [button, form] : forms) {
        connect(button, &QPushButton::clicked, this, [this, form = form] { Insert(form); });
    }
    connect(ui_->cancelButton, &QPushButton::clicked, this, &CStylesDlg::reject);
    connect(ui_->helpButton, &QPushButton::clicked, this, [] { app::ShowDialogHelp(kDialogId); });
}

int CStylesDlg::Run() {
    fw::RunModal(*this);
    return result();
}

QLineEdit* CStylesDlg::Edit(int field) const {
    return qobject_cast<QLineEdit*>(fields_[field]);
}
QComboBox* CStylesDlg::Combo(int field) const {
    return qobject_cast<QComboBox*>(fields_[field]);
}

styles::Style CStylesDlg::Values() const {
    styles::Style style;
    style.name = ui_->nameEdit->text();
    for (int f = 0; f < styles::kFieldCount; ++f) {
        style.values[f] = Edit(f) ? Edit(f)->text() : Combo(f)->currentText();
    }
    return style;
}

void CStylesDlg::Show(const styles::Style& style) {
    showing_ = true;
    for (int f = 0; f < styles::kFieldCount; ++f) {
        if (QLineEdit* edit = Edit(f)) edit->setText(style.values[f]);
        if (QComboBox* combo = Combo(f)) combo->setCurrentText(style.values[f]);
        // A long value shows its beginning.
        if (QLineEdit* edit = Edit(f) ? Edit(f) : Combo(f)->lineEdit()) edit->setCursorPosition(0);
    }
    ui_->nameEdit->setText(style.name);
    showing_ = false;
    PaintColorButtons();
}

void CStylesDlg::FillList() {
    QListWidget* list = ui_->styleList;
    const QStringList names = file_.Names();
    {
        const QSignalBlocker block(list);
        list->clear();
        list->addItems(names);
    }
    count_ = static_cast<int>(names.size());
    if (count_ > 0) {
        const QSignalBlocker block(list);
        list->setCurrentRow(0);
    }
    LoadStyle(0);
}

void CStylesDlg::LoadStyle(int n) {
    styles::Style style;
    // A missing section (an empty list) leaves the fields as they are.
    if (n >= count_ || !file_.Load(n, style)) return;
    Show(style);
}

void CStylesDlg::SaveSelected() {
    if (showing_) return;
    QListWidgetItem* item = ui_->styleList->currentItem();
    if (!item) return;
    styles::Style style = Values();
    style.name = item->text();
    Written(file_.Save(ui_->styleList->row(item), style));
}

bool CStylesDlg::Written(bool ok) {
    if (!ok && !failureShown_) {
        failureShown_ = true;
        fw::ShowMessage(this, str::StylesNotSaved, fw::MessageKind::Error, file_.Path());
    }
    return ok;
}

void CStylesDlg::OnNew() {
    // The file gives values back without the blanks around them.
    const QString name = ui_->nameEdit->text().trimmed();
    if (name.isEmpty()) {
        // A style without a name would end the list and hide every style after it.
        fw::ShowMessage(this, str::StyleNameMissing, fw::MessageKind::Error);
        return;
    }
    QListWidget* list = ui_->styleList;
    if (list->currentItem() && list->currentItem()->text() == name) return;
    styles::Style style = Values();
    style.name = name;
    if (!Written(file_.Save(count_, style))) return;
    {
        const QSignalBlocker block(list);
        list->addItem(name);
        list->setCurrentRow(count_);
    }
    ++count_;
}

void CStylesDlg::OnDelete() {
    if (count_ == 0) return;
    if (!Written(file_.Delete(ui_->styleList->currentRow(), count_))) return;
    FillList();
}

void CStylesDlg::Insert(styles::Form form) {
    result_ = styles::MakeInsertion(form, Values());
    done(1);
}

void CStylesDlg::PickColor(int field) {
    QString text;
    if (!app::PickHtmlColor(this, nullptr, text)) return;
    // The edit's change paints the buttons and saves.
    Edit(field)->setText(text);
}

void CStylesDlg::PickFontFace() {
    CFontFaceDlg dialog(this);
    if (dialog.Run() == 1) ui_->fontFamilyEdit->setText(dialog.selectedName);
    // Also after a cancel, as after any change of the fields.
    SaveSelected();
}

void CStylesDlg::PaintColorButtons() {
    const std::pair<QPushButton*, QLineEdit*> buttons[] = {
        {ui_->colorButton, ui_->colorEdit}, {ui_->backgroundButton, ui_->backgroundEdit}};
    for (const auto& [button, edit] : buttons) {
        const unsigned bgr = styles::ColorValue(edit->text());
        const QColor colour(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                            static_cast<int>((bgr >> 16) & 0xFF));
        button->setStyleSheet(QStringLiteral("background-color: %1;").arg(colour.name()));
    }
}

void CStylesDlg::done(int result) {
    QDialog::done(result == QDialog::Rejected ? 2 : result);
}

void CStylesDlg::reject() {
    done(2);
}
