// File dialogs through one place, so that tests can answer them.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

namespace fw {

struct FileDialogRequest {
    bool save = false;     // a save dialog (else open)
    bool multiple = false; // several files may be chosen
    bool folder = false;   // a folder is chosen (`filter` unused)
    QString caption;
    QString directory;
    QString filter;
    // The filter the dialog shows first (empty: the first of `filter`); afterwards the one
    // the user chose. A test's hook may set it.
    mutable QString selectedFilter;
};

// Answers instead of showing a dialog: the chosen paths (empty: cancelled).
using FileDialogHook = std::function<QStringList(const FileDialogRequest&)>;
void SetFileDialogHook(FileDialogHook hook);

// One path, or empty when cancelled.
QString AskFileName(QWidget* parent, const FileDialogRequest& request);
// Several paths (open dialogs with `multiple`), empty when cancelled.
QStringList AskFileNames(QWidget* parent, const FileDialogRequest& request);

// A save dialog's answer made whole: `path` with the extension of the chosen filter (its
// first "*.ext" pattern) when the typed name has none; when that file exists, the user is
// asked whether to replace it. Empty when the user declined. Save dialogs leave that
// question to this function, which knows the final name.
QString CompleteSavePath(QWidget* parent, const FileDialogRequest& request, const QString& path);

} // namespace fw
