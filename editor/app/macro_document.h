// The macro document: one macro of one group (language) shown in a view. The edited text
// goes back into the macro base in memory (StoreBack: before builds, on a language change)
// and, on Save or when a close is answered Yes, also into the macro file at once, so a build
// outside the editor sees it. A new macro is written to its file when it is made.
#pragma once

#include "document.h"
#include "text_codec.h"

#include <brevic/ls_types.h>

#include <string>

class CLs_mainView;
class tLS_macrobase;

class ClsMacroDoc : public fw::Document {
    Q_OBJECT
public:
    explicit ClsMacroDoc(fw::DocTemplate* docTemplate);

    // Fills the new window by the application's macro open mode: a new macro (0), one
    // chosen in Organize macros (1), or the macro named by Open Macro (2). A macro that
    // already has a window is not opened again: that window is activated instead.
    bool OnNewDocument() override;
    void OnViewAdded(QWidget* view) override;
    // Closing asks like any document: Yes saves (SaveMacro), No drops the window's edits
    // (the macro keeps what it held), Cancel keeps the window. A text the macro file could
    // not hold, or a file that could not be written, keeps the window open.
    bool SaveModified() override;

    // Loads the macro of the document's group named by `name` (its bytes as the base holds
    // them). LS_MACRO_NOT_FOUND for an empty or unknown name; the window is then not filled.
    tLS_Error OpenMacro(const QByteArray& name);
    // Adds an empty macro to the group, writes the group's macro file and shows the macro
    // (after telling the user why not). The typed name is written in the macro file's
    // encoding.
    bool CreateMacro(const QString& name);
    // Copies a modified text into the macro, in its macro file's encoding. False (after a
    // message; the window stays modified) when the text holds a line beginning with "{:",
    // which a macro file cannot store, or a character the file's encoding lacks.
    bool StoreBack();
    // For a preview build: `slot` is the macro's text in its base and `bytes` the window's
    // modified text as StoreBack would store it. False when the window is unmodified, its
    // macro is gone, or its text could not be stored (nothing is said).
    bool PreviewText(std::string*& slot, std::string& bytes) const;
    // Save: StoreBack, then the group's macro file (message 172 and its path on failure).
    bool SaveMacro();
    // After the group was read again from its file: shows the macro as `base` now holds it.
    // A macro no longer in the file keeps the window's text as its only copy (modified);
    // storing it back makes the macro again.
    void Rebind(tLS_macrobase* base);
    // True when a change to the project's active language moves this window to it.
    bool FollowsActiveLanguage() const;
    // Follows a change of the active language. When another window already shows the macro
    // in that language, this one stays and the other is activated.
    void SwitchLanguage();

    const QByteArray& MacroName() const { return macroName_; }
    tLS_macrobase* MacroBase() const { return macroBase_; }
    CLs_mainView* View() const;

    // Another window on the macro `name` of `base`; null when there is none.
    ClsMacroDoc* FindOpen(tLS_macrobase* base, const QByteArray& name) const;
    // Writes every modified macro base of the project; each file that cannot be written is
    // reported (message 172 and the file's path). False when one could not be written.
    static bool SaveMacroFiles();
    // Message 172, the title when given, and the path of `base`'s macro file.
    static void ReportNotSaved(tLS_macrobase* base, const QString& title = {});

    // The title of a macro window: "{#footer} : english" (the name shown in the base's
    // encoding).
    static QString MacroTitle(const QByteArray& name, tLS_macrobase* base);

private:
    void ShowText(const QString& text);
    // Shows the macro's text as the base holds it again, unmodified.
    void DropEdits();
    void UpdateTitle();
    bool CreateMacroBytes(const QByteArray& name);

    QByteArray macroName_;
    int macroIndex_ = -1;
    std::string* macroText_ = nullptr;
    tLS_macrobase* macroBase_ = nullptr;
    codec::Encoding encoding_ = codec::Encoding::Utf8;
    QString pendingText_;
};
