// The Organize macros dialog: lists the macros of one macro base, creates and deletes
// macros in it, and hands the chosen name back for editing. The dialog neither owns nor
// saves the base; New and Delete change it in memory and mark it modified.
#pragma once

#include <QByteArray>
#include <QDialog>
#include <QString>
#include <QVector>
#include <memory>

class tLS_macrobase;
class QListWidget;

namespace Ui {
class COrganizeMacrosDlg;
}

// One listed macro name: as shown, and the name's bytes as the base holds them (used for
// look-ups, so that a name that is not valid UTF-8 is still found).
struct MacroListEntry {
    QString text;
    QByteArray bytes;
};

// The names of the macros of `base` (none for null; deleted slots are left out), shown in
// the encoding of the base's macro file, in the order the macro lists show them:
// alphabetical without regard to case.
QVector<MacroListEntry> SortedMacroNames(tLS_macrobase* base);
// Puts entries in that order.
void SortMacroNames(QVector<MacroListEntry>& entries);
// Empties `list` and adds the entries (the bytes go into the items' Qt::UserRole).
void ShowMacroNames(QListWidget* list, const QVector<MacroListEntry>& entries);

class COrganizeMacrosDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kDialogId = 140;

    // `base` is not owned and may be null: the list is then empty and New and Delete do
    // nothing.
    COrganizeMacrosDlg(QWidget* parent, tLS_macrobase* base);
    ~COrganizeMacrosDlg() override;

    // Runs the dialog: 1 after Edit, Enter or a double click on the list (selectedName,
    // selectedBytes and nameText hold the controls' contents); 2 after Close or Escape.
    int Run();

    QString selectedName;     // the list selection when accepted (empty without a selection)
    QByteArray selectedBytes; // the selected name's bytes, as the base holds them
    QString nameText;         // the name edit's text when the controls were last read

    // New: creates an empty macro named like the edit's text (in the macro file's
    // encoding). Failures are reported as exclamation boxes (139: the name exists; 333: the
    // file's encoding lacks a character of it; 138: anything else); the dialog stays open.
    void OnNew();
    // Delete: deletes the selected macro without asking and selects the entry before it
    // (the first entry when the first was deleted). Failure: message 140.
    void OnDelete();
    // Edit: closes with result 1.
    void OnEdit();

    // Accepting (result 1) reads the controls, whichever way the dialog is closed.
    void done(int result) override;
    // Close, Escape and the window's close button give result 2.
    void reject() override;

protected:
    // Enter in the name field: a name the list does not hold is made (New), one it holds
    // is opened (Edit), whatever entry is selected.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ReadControls();
    void Fill();
    void SelectName(const QByteArray& name);

    std::unique_ptr<Ui::COrganizeMacrosDlg> ui_;
    tLS_macrobase* base_;
};
