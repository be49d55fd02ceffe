#include "translations_window.h"

#include "app_services.h"
#include "doc_template.h"
#include "file_dialogs.h"
#include "ids.h"
#include "ls_main_app.h"
#include "macro_document.h"
#include "main_frame.h"
#include "message_box.h"
#include "string_table.h"
#include "translations.h"
#include "translations_dialog.h"

#include <brevic/ls_macrobase.h>
#include <brevic/ls_project.h>

#include <QDir>
#include <QFile>
#include <QMainWindow>
#include <QMessageBox>
#include <QPointer>

namespace app {

namespace {

QPointer<CTranslationsDlg> g_window;

// A base's text as the editor shows it: UTF-8 when the whole base is, else Windows-1252.
QString Shown(const std::string& bytes, bool utf8) {
    return QString::fromStdString(utf8 ? bytes : larkspan::Windows1252ToUtf8(bytes));
}

TranslationsData DataOf(tLS_project& project) {
    const larkspan::TranslationTable table = larkspan::TranslationsOf(project);
    std::vector<bool> utf8;
    for (const int g : table.groups)
        utf8.push_back(larkspan::MacroFileIsUtf8(project.GetGroup(g)));
    const bool basisUtf8 = larkspan::MacroFileIsUtf8(project.GetGroup(0));
    TranslationsData data;
    for (const std::string& language : table.languages)
        data.languages << QString::fromStdString(language);
    for (const larkspan::TranslationTable::Row& row : table.rows) {
        TranslationsData::Row shown;
        shown.shared = row.shared;
        shown.name = Shown(row.name, row.shared ? basisUtf8 : utf8.empty() || utf8[0]);
        for (size_t l = 0; l < row.texts.size(); ++l) {
            const bool isUtf8 = row.shared ? basisUtf8 : utf8[l];
            shown.texts << (row.texts[l] ? Shown(*row.texts[l], isUtf8) : QString());
            shown.present << (row.texts[l] != nullptr);
        }
        data.rows << shown;
    }
    return data;
}

void Refill() {
    if (g_window && theProject.IsProject()) g_window->SetData(DataOf(theProject));
}

// Opens the macro in the language's macro window; a missing one is made empty first, when
// the author agrees.
void OpenIn(QMainWindow* frame, const QString& name, int language) {
    const larkspan::TranslationTable table = larkspan::TranslationsOf(theProject);
    const int group = language < 0 ? 0 : table.groups.at(static_cast<size_t>(language));
    tLS_macrobase* base = theProject.GetGroup(group);
    if (!base) return;
    const QByteArray bytes = name.toUtf8();
    std::string stored = bytes.toStdString();
    if (!larkspan::MacroFileIsUtf8(base)) larkspan::Utf8ToWindows1252(bytes.toStdString(), stored);
    int index = -1;
    if (base->GetMacroIndex(index, stored.c_str(), 1) != LS_OK) {
        const QString ask = fw::LoadString(str::AskCreateMissingMacro)
                                .arg(name, QString::fromUtf8(base->GetName()));
        if (fw::ShowMessageText(frame, ask, fw::MessageKind::Question) != QMessageBox::Yes) return;
        std::string* content = nullptr;
        if (base->NewMacro(content, stored.c_str(), index) != LS_OK) {
            fw::ShowMessage(frame, str::MacroNotCreated, fw::MessageKind::Error);
            return;
        }
        base->SetModified(index);
        app::SaveMacroFiles();
    }
    theProject.SetActiveLanguageName(base->GetName());
    if (auto* main = qobject_cast<CMainFrame*>(frame)) main->ShowActiveLanguage();
    app::OpenMacroByName(QByteArray::fromStdString(stored));
    Refill();
}

QString AskFolder(QMainWindow* frame) {
    fw::FileDialogRequest request;
    request.folder = true;
    request.caption = fw::LoadString(str::ChoosePoFolder);
    request.directory = QFile::decodeName(theProject.GetProjectPath());
    return fw::AskFileName(frame, request);
}

void Export(QMainWindow* frame) {
    const QString folder = AskFolder(frame);
    if (folder.isEmpty()) return;
    std::vector<std::string> written;
    std::string error;
    if (!larkspan::ExportPo(theProject, QFile::encodeName(folder).toStdString(), "", written,
                            error)) {
        fw::ShowMessageText(frame, QString::fromStdString(error), fw::MessageKind::Error);
        return;
    }
    fw::ShowMessageText(frame,
                        fw::LoadString(str::PoExported)
                            .arg(static_cast<int>(written.size()))
                            .arg(QDir::toNativeSeparators(folder)),
                        fw::MessageKind::Information);
}

void Import(QMainWindow* frame) {
    // The macro windows' unsaved texts would be lost or would overwrite what comes in.
    QStringList unsaved;
    for (fw::Document* d : theApp.MacroTemplate()->Documents())
        if (d->IsModified()) unsaved << d->Title();
    if (!unsaved.isEmpty()) {
        fw::ShowMessageText(frame,
                            fw::LoadString(str::ImportOverUnsavedMacros).arg(unsaved.join('\n')),
                            fw::MessageKind::Error);
        return;
    }
    const QString folder = AskFolder(frame);
    if (folder.isEmpty()) return;
    larkspan::PoImport result;
    larkspan::ImportPo(theProject, QFile::encodeName(folder).toStdString(), result);
    QStringList files;
    for (const std::string& file : result.files)
        files << QFile::decodeName(QByteArray::fromStdString(file));
    app::FilesRewritten(files); // the macro windows on them follow
    QString text = fw::LoadString(str::PoImported).arg(static_cast<int>(result.changed.size()));
    QStringList problems;
    for (const std::string& problem : result.problems)
        problems << QString::fromStdString(problem);
    if (!problems.isEmpty())
        text += "\n\n" + fw::LoadString(str::PoNotStored).arg(problems.join('\n'));
    fw::ShowMessageText(frame, text,
                        problems.isEmpty() ? fw::MessageKind::Information : fw::MessageKind::Error);
    Refill();
}

} // namespace

void MacroBasesChanged() {
    Refill();
}

CTranslationsDlg* ShowTranslations(QMainWindow* frame) {
    if (!g_window) {
        g_window = new CTranslationsDlg(frame);
        g_window->setAttribute(Qt::WA_DeleteOnClose);
        QObject::connect(g_window, &CTranslationsDlg::Refresh, [] { Refill(); });
        QObject::connect(
            g_window, &CTranslationsDlg::OpenMacro,
            [frame](const QString& name, int language) { OpenIn(frame, name, language); });
        QObject::connect(g_window, &CTranslationsDlg::ExportPo, [frame] { Export(frame); });
        QObject::connect(g_window, &CTranslationsDlg::ImportPo, [frame] { Import(frame); });
    }
    Refill();
    g_window->show();
    g_window->raise();
    g_window->activateWindow();
    return g_window;
}

} // namespace app
