// The Styles dialog: edits the library of named text styles in the styles file and hands
// back the selected style as CSS text in one of five forms.
//
// Every change of a value is written into the selected style's section at once, so the
// file holds the edits whether the dialog ends with an insertion or with Cancel. When a
// write fails, the author is told once (with the file's path) and the values stay in the
// dialog.
#pragma once

#include "styles_file.h"

#include <QDialog>
#include <memory>

class QComboBox;
class QLineEdit;
class QPushButton;

namespace Ui {
class CStylesDlg;
}

class CStylesDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kDialogId = 197;

    // `stylesPath`: the styles file (read at once; a missing file gives an empty list).
    CStylesDlg(QWidget* parent, const QString& stylesPath);
    ~CStylesDlg() override;

    // Runs the dialog: 1 after an Insert As button (or a double click on a style) with
    // Result(), 2 after Cancel.
    int Run();
    const styles::Insertion& Result() const { return result_; }

    // The values as the fields show them (the name is the New Style field's).
    styles::Style Values() const;

    // "New": adds the values under the New Style name as the last style and selects it.
    // Nothing when that name is the selected style's; an empty name is refused (message).
    void OnNew();
    // "Delete": the last style takes the selected one's place; the list is read again.
    void OnDelete();
    // An Insert As button: the result in `form`, and the dialog ends with 1.
    void Insert(styles::Form form);

    void done(int result) override;
    void reject() override;

private:
    QLineEdit* Edit(int field) const;
    QComboBox* Combo(int field) const;
    void Connect();
    void Show(const styles::Style& style);
    void FillList();
    void LoadStyle(int n);
    void SaveSelected();
    bool Written(bool ok);
    void PickColor(int field);
    void PickFontFace();
    void PaintColorButtons();

    std::unique_ptr<Ui::CStylesDlg> ui_;
    styles::StylesFile file_;
    QWidget* fields_[styles::kFieldCount] = {};
    int count_ = 0;
    bool showing_ = false;      // fields being filled from the file: nothing to save
    bool failureShown_ = false; // a failed write has been reported
    styles::Insertion result_;
};
