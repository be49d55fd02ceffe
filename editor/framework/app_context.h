// The seam between the application and the layers below it (framework, dialogs, view):
// what they read from the application and ask of it, without depending on all of it. The
// application (ls_main_app.cpp) implements these; what only the application's own parts
// share is in app/app_services.h.
#pragma once

#include "profile_file.h"

#include <brevic/ls_project.h>

#include <QByteArray>
#include <QMarginsF>
#include <QString>
#include <QStringList>

class QAction;
class QComboBox;
class QWidget;
namespace fw {
class Document;
class RecentFiles;
} // namespace fw
namespace settings {
struct Editor;
}

namespace app {

// The one project of the editor (the application's `theProject`).
tLS_project& Project();

// The main window (the parent of message boxes), or null before it exists.
QWidget* MainWindow();
// The search-string list of the Project Tools bar, or null before the main window exists.
QComboBox* SearchCombo();
// The print margins (left, top, right, bottom) in thousandths of an inch.
QMarginsF PrintMargins();
// The settings file.
const fw::ProfileFile& SettingsFile();
// The EDITOR settings in force (colouring, autotagging).
const settings::Editor& EditorSettings();
// The recently opened files.
fw::RecentFiles& RecentFileList();

// The folder a file dialog starts in: that of `document`'s file (null: the active
// document), else that of the open project's file, else empty (the dialog's own choice).
QString StartFolder(const fw::Document* document = nullptr);

// The colour dialog (starting at black): on OK the colour value (blue, green, red from the
// high byte down; `colour` may be null) and `text` as "#RRGGBB" in upper case, and true;
// on Cancel false, neither changed.
bool PickHtmlColor(QWidget* parent, int* colour, QString& text);

// The main window's action of a command (shared by its menus, tool bars and pop-up
// menus), or null before the main window exists.
QAction* CommandAction(int id);
// Brings every command action's enabled and checked state up to date.
void UpdateCommandStates();

// Runs a command as if chosen from the menu (nothing when no part handles it).
void ExecuteCommand(int id);
// Opens the help at a topic (0: its contents).
void ShowHelp(int topic);
// Opens the help at a dialog's topic, 0x20000 + the dialog's id.
inline void ShowDialogHelp(int dialogId) {
    ShowHelp(0x20000 + dialogId);
}

// Opens a file by its extension (see CLs_mainApp::OpenDocumentFile).
fw::Document* OpenDocumentFile(const QString& path);
// Leads from a compiler message to its place: `location` is a template's file name (in
// `folder`) or a page's path (from `folder`), or "{#Name}" for a macro, opened in a macro
// window of `language` (empty: the active one); the line `line` (from 1) is selected. With
// `readOnly` a file (a built page) is opened read-only, as it is.
void GoToMessagePlace(const QString& location, int line, const QString& folder,
                      const QByteArray& language, bool readOnly = false);
// True when an open window holds the file with unsaved edits.
bool HasUnsavedWindow(const QString& path);
// The files were changed on disk by the editor's own tools: their windows reload now.
void FilesRewritten(const QStringList& paths);
// Before a project change: SaveAllModified, then SaveMacroFiles, then closes every
// document. False (nothing closed) when either step failed or was cancelled.
bool CloseAllDocuments();

} // namespace app
