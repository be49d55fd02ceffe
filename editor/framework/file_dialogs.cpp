#include "file_dialogs.h"

#include <QFileDialog>

namespace fw {

namespace {
FileDialogHook g_hook;
}

void SetFileDialogHook(FileDialogHook hook) { g_hook = std::move(hook); }

QStringList AskFileNames(QWidget* parent, const FileDialogRequest& r) {
    if (g_hook) return g_hook(r);
    if (r.save) {
        QString path = QFileDialog::getSaveFileName(parent, r.caption, r.directory, r.filter);
        return path.isEmpty() ? QStringList() : QStringList{path};
    }
    if (r.multiple) return QFileDialog::getOpenFileNames(parent, r.caption, r.directory, r.filter);
    QString path = QFileDialog::getOpenFileName(parent, r.caption, r.directory, r.filter);
    return path.isEmpty() ? QStringList() : QStringList{path};
}

QString AskFileName(QWidget* parent, const FileDialogRequest& request) {
    QStringList paths = AskFileNames(parent, request);
    return paths.isEmpty() ? QString() : paths.first();
}

} // namespace fw
