// What the application's own parts (main window, documents, macro commands) share beyond
// the seam the lower layers use (app_context.h). The application (ls_main_app.cpp)
// implements these.
#pragma once

#include "app_context.h"

class CCompilerMessagesDlg;

// The one project of the editor.
extern tLS_project theProject;

namespace app {

// How the next new document is made. An HTML document starts from the default start page
// or from the one chosen in the New Document dialog; a macro window asks for a new macro,
// picks one in Organize Macros, or opens `macroName` (the name's bytes).
enum class MacroOpenMode { AskNew, Pick, ByName };
struct NewDocumentRequest {
    bool fromDefaultPage = true;
    MacroOpenMode macroMode = MacroOpenMode::AskNew;
    QByteArray macroName;
};
const NewDocumentRequest& PendingNewDocument();

// The compiler-messages window, or null before the main window exists.
CCompilerMessagesDlg* CompilerMessages();

// A macro window on the named macro of the active language.
void OpenMacroByName(const QByteArray& name);

// Every macro window stores its modified text into its macro base.
void StoreMacroDocuments();
// The document's file as it lies on disk after it was read or written, so that a change by
// another program is noticed (and the editor's own writes are not).
void NoteDocumentFile(fw::Document* doc, const QString& path, const QByteArray& bytes);

// Before a build of the whole project: when windows of the project's templates hold unsaved
// edits, asks once whether to save them (Yes saves them all, No builds the files on disk).
// False for Cancel or a failed save: nothing is to be built.
bool SaveTemplatesBeforeBuild();
// Asks to save each modified document in turn (macro windows store their text back);
// false at the first Cancel, failed save or refused store-back.
bool SaveAllModified();
// Writes every modified macro file of the project, reporting each that cannot be written
// (message 172 and its path); false when one could not be written.
bool SaveMacroFiles();

// The language list changed the active language.
void ActiveLanguageChanged(fw::Document* active);
// True for a document of the HTML type (the full menu shows while one is active).
bool IsHtmlDocument(const fw::Document* doc);

} // namespace app
