#include "installer.h"

#include "folder_dialog.h"
#include "install_files.h"
#include "shortcut_dialog.h"
#include "texts.h"

#include <QDir>
#include <QFile>
#include <QMessageBox>

namespace setup {

namespace {
int Message(QWidget* owner, const QString& text, QMessageBox::Icon icon,
            QMessageBox::StandardButtons buttons) {
    QMessageBox box(owner);
    box.setWindowTitle(LoadText(Text::MessageCaption));
    box.setText(text);
    box.setIcon(icon);
    box.setStandardButtons(buttons);
    return box.exec();
}

bool Ask(QWidget* owner, Text question) {
    return Message(owner, LoadText(question), QMessageBox::Question,
                   QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

void Warn(QWidget* owner, Text warning, const QString& argument = {}) {
    Message(owner, LoadText(warning, argument), QMessageBox::Warning, QMessageBox::Ok);
}

// Dialog 101 and the question about a folder that is not there. False when the user
// cancels or declines.
bool ChooseFolder(QWidget* owner, QString& folder) {
    const QString proposed = ProposedFolder();
    CFolderDlg dialog(owner, QDir::homePath(), proposed);
    if (dialog.exec() != QDialog::Accepted) return false;
    folder = dialog.Folder();
    // The proposed folder is made without asking; another one only when the user agrees.
    if (folder != proposed && !IsEnterableDirectory(QFile::encodeName(folder).toStdString()))
        return Ask(owner, Text::AskCreateFolder);
    return true;
}

bool Install(QWidget* owner, const QString& sourceDir) {
    if (!Ask(owner, Text::AskInstall)) return false;
    QString folder;
    if (!ChooseFolder(owner, folder)) return false;
    const std::string target = QFile::encodeName(folder).toStdString();
    const Folder made = MakeFolder(target);
    if (!made.IsOpen()) {
        if (made.RefusedLink().empty()) {
            Warn(owner, Text::FolderFailed, folder);
        } else {
            Warn(owner, Text::LinkRefused, QFile::decodeName(made.RefusedLink().c_str()));
        }
        return false;
    }
    if (sourceDir.isEmpty()) return false;
    const CopyReport report = CopyFiles(QFile::encodeName(sourceDir).toStdString(), made, target);
    if (!report.refusedLinks.empty()) {
        QStringList links;
        for (const std::string& link : report.refusedLinks)
            links << QFile::decodeName(link.c_str());
        Warn(owner, Text::LinkRefused, links.join(QLatin1Char('\n')));
    }
    // One warning for all the files that failed; the installation goes on.
    const bool copied = report.failed.empty();
    if (!copied) Warn(owner, Text::CopyFailed);
    CShortcutDlg shortcuts(owner);
    if (shortcuts.exec() != QDialog::Accepted) return false;
    // Without its menu entries the installation is not complete: say where they failed.
    const std::string applications = ApplicationsDirectory();
    if (!WriteDesktopEntries(target, applications)) {
        Warn(owner, Text::EntriesFailed, QFile::decodeName(applications.c_str()));
        return false;
    }
    return copied;
}
} // namespace

QString ProposedFolder() {
    return QDir::homePath() + QStringLiteral("/Larkspan");
}

bool RunInstallation(QWidget* owner, const QString& sourceDir) {
    const bool complete = Install(owner, sourceDir);
    if (complete) {
        Message(owner, LoadText(Text::Complete), QMessageBox::NoIcon, QMessageBox::Ok);
    } else {
        Message(owner, LoadText(Text::Incomplete), QMessageBox::Warning, QMessageBox::Ok);
    }
    return complete;
}

} // namespace setup
