// The macro document: one macro of one group (language) shown in a view. The edited text
// goes back into the macro base in memory (StoreBack: before builds, on a language change,
// on Save and on close) and reaches the disk when the base is saved. Closing never asks.
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
    // chosen in Organize macros (1), or the macro named by Open Macro (2).
    bool OnNewDocument() override;
    void OnViewAdded(QWidget* view) override;
    // Closing stores the text back and asks nothing; a text the macro file could not hold
    // keeps the window open.
    bool SaveModified() override;

    // Loads the named macro of the document's group. LS_MACRO_NOT_FOUND for an empty or
    // unknown name; the window is then not filled.
    tLS_Error OpenMacro(const QString& name);
    // Adds an empty macro to the group and shows it (after telling the user why not).
    bool CreateMacro(const QString& name);
    // Copies a modified text into the macro. False (after a message; the window stays
    // modified) when the text holds a line beginning with "{:", which a macro file cannot
    // store.
    bool StoreBack();
    // Save: StoreBack, then the group's macro file.
    bool SaveMacro();
    // Follows a change of the active language.
    void SwitchLanguage();

    const QString& MacroName() const { return macroName_; }
    int MacroIndex() const { return macroIndex_; }
    tLS_macrobase* MacroBase() const { return macroBase_; }
    CLs_mainView* View() const;

    // The title of a macro window: "{#footer} : english".
    static QString MacroTitle(const QString& name, tLS_macrobase* base);

private:
    void ShowText(const QString& text);
    void UpdateTitle();

    QString macroName_;
    int macroIndex_ = -1;
    std::string* macroText_ = nullptr;
    tLS_macrobase* macroBase_ = nullptr;
    codec::Encoding encoding_ = codec::Encoding::Utf8;
    QString pendingText_;
};
