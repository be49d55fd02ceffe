#include "file_dialogs.h"

#include "ids.h"
#include "message_box.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QRegularExpression>

namespace fw {

namespace {
FileDialogHook g_hook;
}

void SetFileDialogHook(FileDialogHook hook) {
    g_hook = std::move(hook);
}

QStringList AskFileNames(QWidget* parent, const FileDialogRequest& r) {
    if (r.selectedFilter.isEmpty()) r.selectedFilter = r.filter.section(QStringLiteral(";;"), 0, 0);
    if (g_hook) return g_hook(r);
    QString* chosen = &r.selectedFilter;
    if (r.folder) {
        const QString path = QFileDialog::getExistingDirectory(parent, r.caption, r.directory);
        return path.isEmpty() ? QStringList() : QStringList{path};
    }
    if (r.save) {
        QString path = QFileDialog::getSaveFileName(parent, r.caption, r.directory, r.filter,
                                                    chosen, QFileDialog::DontConfirmOverwrite);
        return path.isEmpty() ? QStringList() : QStringList{path};
    }
    if (r.multiple)
        return QFileDialog::getOpenFileNames(parent, r.caption, r.directory, r.filter, chosen);
    QString path = QFileDialog::getOpenFileName(parent, r.caption, r.directory, r.filter, chosen);
    return path.isEmpty() ? QStringList() : QStringList{path};
}

QString CompleteSavePath(QWidget* parent, const FileDialogRequest& r, const QString& typed) {
    QString path = typed;
    static const QRegularExpression pattern(QStringLiteral("\\*(\\.[^ ;*?)]+)"));
    const QRegularExpressionMatch m = pattern.match(r.selectedFilter);
    if (!path.isEmpty() && QFileInfo(path).suffix().isEmpty() && m.hasMatch())
        path += m.captured(1);
    if (!path.isEmpty() && QFileInfo::exists(path) &&
        ShowMessage(parent, str::AskReplaceFile, MessageKind::WarnYesNo, path) != QMessageBox::Yes)
        return QString();
    return path;
}

QString AskFileName(QWidget* parent, const FileDialogRequest& request) {
    QStringList paths = AskFileNames(parent, request);
    return paths.isEmpty() ? QString() : paths.first();
}

} // namespace fw
