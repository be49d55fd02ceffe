// The Autotags dialog: edits the autotag table (the macro base all autocharacter objects
// share) in place. Entries of kind TAGS are macros named like the entry, whose text is the
// completion; entries of kind ATTRIBUTES are macros named "!" and the attribute, whose text
// is the comma-separated value list of ALT+Up and ALT+Down. The content edit belongs to one
// entry at a time: choosing another entry (or closing) first stores the edit's text into
// the entry it showed. The table is written by its owner, not by this dialog.
#pragma once

#include "text_codec.h"

#include "settings_dialog.h"
#include <QByteArray>

#include <QString>
#include <memory>

class NameCheck;
class tLS_macrobase;

namespace Ui {
class CAutotagsDlg;
}

class CAutotagsDlg : public CSettingsDlg {
    Q_OBJECT
public:
    static constexpr int kDialogId = 161;
    // Rows of the kind box.
    enum Kind { Attributes = 0, Tags = 1 };

    // `macroBase` is not owned and may be null (the list then stays empty).
    CAutotagsDlg(QWidget* parent, tLS_macrobase* macroBase);
    ~CAutotagsDlg() override;

    // Lists the entries of the chosen kind, selects the first and shows its content.
    void FillEntryList();
    // Stores the content edit into the entry it belongs to, then binds the edit to the
    // selected entry and shows its content (with no entry selected: to none, empty).
    void LoadContent();
    // New: an empty entry of the chosen kind named like the name edit (message 139 when it
    // exists, 333 when the table's encoding lacks a character of the name, 138 for other
    // failures; an empty name does nothing).
    void OnNew();
    // Delete: deletes the selected entry without asking and shows the entry before it.
    void OnDelete();

    QString nameText;     // the name edit when the controls were last read
    QString contentText;  // the content edit when the controls were last read
    QString selectedName; // the list selection when the controls were last read

private:
    void ReadControls();
    Kind CurrentKind() const;
    // The macro name of an entry of the current kind.
    QByteArray MacroName(const QByteArray& entryName) const;
    // Shows the entries of the current kind, sorted without regard to case; no selection.
    void ShowEntries();
    void SelectEntry(int row);
    void OnKindChanged();
    void OnContentEdited();
    // The content edit's text as typed (line breaks as "\n", every other character kept).
    QString ContentOfEdit() const;
    void ShowContent(const QString& text);
    void StoreContent();
    // Closing stores the content edit into its entry, whichever way the dialog is closed.
    void WriteSettings() override;

    std::unique_ptr<Ui::CAutotagsDlg> ui_;
    tLS_macrobase* macroBase;
    codec::Encoding encoding_;
    NameCheck* nameCheck_ = nullptr;
    int boundIndex_ = -1;     // slot of the entry the content edit belongs to (-1: none)
    bool edited_ = false;     // the content edit was changed since it was bound
    QString acceptedContent_; // the content edit's last text that the table can store
};
