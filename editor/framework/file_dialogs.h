// File dialogs through one place, so that tests can answer them.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

namespace fw {

struct FileDialogRequest {
    bool save = false;    // a save dialog (else open)
    bool multiple = false; // several files may be chosen
    QString caption;
    QString directory;
    QString filter;
};

// Answers instead of showing a dialog: the chosen paths (empty: cancelled).
using FileDialogHook = std::function<QStringList(const FileDialogRequest&)>;
void SetFileDialogHook(FileDialogHook hook);

// One path, or empty when cancelled.
QString AskFileName(QWidget* parent, const FileDialogRequest& request);
// Several paths (open dialogs with `multiple`), empty when cancelled.
QStringList AskFileNames(QWidget* parent, const FileDialogRequest& request);

} // namespace fw
