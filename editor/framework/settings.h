// The editor's settings file: every section and key it reads or writes, with defaults.
//
//   BROWSER   BrowserPath (""), TempFilePath (""), UseTempOrTargetPath (1)
//   EDITOR    Autotagging (1), SyntaxColoring (1), CaseSensitive (0), AutotagMinSel (10),
//             TypeThrough (1), MessagesWidth, MessagesHeight (the messages window's size)
//   COMPILER  the eight compiler options (read by every build)
//   PATHES    ProjectPath, ImagePath, LinkPath, MultipleReplacePath ("")
//             (the last three live in the project file while a project is open)
//   SEARCHSTRINGS  StringCount (0), 0String, 1String, ...
//   TIP       ID_<string id> (1 = still shown)
//   Recent File List  File1..File4
#pragma once

#include "file_dialogs.h"
#include "profile_file.h"

#include <brevic/ls_project.h>
#include <brevic/ls_types.h>

#include <QSize>
#include <QStringList>

namespace settings {

struct Editor {
    int autotagging = 1;
    int syntaxColoring = 1;
    int caseSensitive = 0;
    int autotagMinSel = 10;
    // After a completion, typed keys that match its text move over it.
    int typeThrough = 1;

    void Load(const fw::ProfileFile& file);
    void Save(const fw::ProfileFile& file) const;
};

struct Browser {
    QString browserPath;
    QString tempFilePath;
    int useTempOrTargetPath = 1;

    void Load(const fw::ProfileFile& file);
    void Save(const fw::ProfileFile& file) const;
    // One key alone, as the browser dialog and the preview write them.
    static void SaveBrowserPath(const fw::ProfileFile& file, const QString& path);
    static void SaveTempFilePath(const fw::ProfileFile& file, const QString& path);
    static void SaveUseTempOrTargetPath(const fw::ProfileFile& file, int useTarget);
};

// The COMPILER section, read by the compiler library's reader (the defaults of a build).
tCompilerSettings LoadCompilerSettings(const fw::ProfileFile& file);
// Writes the eight keys in the order ConvertISO, CaseSensitive, RemoveNewLineOnTags,
// ScrambleCode, RemoveAttr, RemoveTab, SyntaxCheck ("1" or "0"), ScrambleBlockSize (decimal).
void SaveCompilerSettings(const fw::ProfileFile& file, const tCompilerSettings& options);

// The stored search strings, in list order; empty values are skipped.
QStringList LoadSearchStrings(const fw::ProfileFile& file);
// Writes StringCount and one key per entry; keys beyond the new count stay in the file.
void SaveSearchStrings(const fw::ProfileFile& file, const QStringList& strings);

// An open dialog (several files with `request.multiple`) that starts in the folder
// remembered under `key` in PATHES (ImagePath, LinkPath, MultipleReplacePath: in the file of
// `project` while it is open, else in the settings file) and remembers there the folder of
// what was chosen. The chosen files; none when cancelled.
QStringList AskInRememberedFolder(QWidget* parent, fw::FileDialogRequest request,
                                  tLS_project& project, const char* key);

// The size the author last gave the compiler-messages window; invalid when none is stored.
QSize LoadMessagesSize(const fw::ProfileFile& file);
void SaveMessagesSize(const fw::ProfileFile& file, QSize size);

QString ProjectPath(const fw::ProfileFile& file);
// Stores the directory of `chosenFile` (up to its last separator; nothing when none).
void StoreProjectPath(const fw::ProfileFile& file, const QString& chosenFile);

} // namespace settings
