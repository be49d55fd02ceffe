#include "settings.h"

#include "app_context.h"

#include <brevic/ls_compiler.h>

#include <QFile>

#include <algorithm>

namespace settings {

namespace {
const char kEditor[] = "EDITOR";
const char kBrowser[] = "BROWSER";
const char kSearch[] = "SEARCHSTRINGS";
const char kPathes[] = "PATHES";
} // namespace

void Editor::Load(const fw::ProfileFile& f) {
    autotagging = f.ReadInt(kEditor, QStringLiteral("Autotagging"), 1);
    syntaxColoring = f.ReadInt(kEditor, QStringLiteral("SyntaxColoring"), 1);
    caseSensitive = f.ReadInt(kEditor, QStringLiteral("CaseSensitive"), 0);
    autotagMinSel = f.ReadInt(kEditor, QStringLiteral("AutotagMinSel"), 10);
    typeThrough = f.ReadInt(kEditor, QStringLiteral("TypeThrough"), 1);
}

void Editor::Save(const fw::ProfileFile& f) const {
    f.WriteString(kEditor, QStringLiteral("Autotagging"), autotagging ? "1" : "0");
    f.WriteString(kEditor, QStringLiteral("SyntaxColoring"), syntaxColoring ? "1" : "0");
    f.WriteString(kEditor, QStringLiteral("CaseSensitive"), caseSensitive ? "1" : "0");
    f.WriteInt(kEditor, QStringLiteral("AutotagMinSel"), autotagMinSel);
    // Written once it is turned off, so that the section stays as it was for everyone else.
    if (!typeThrough || f.ReadInt(kEditor, QStringLiteral("TypeThrough"), 1) == 0)
        f.WriteString(kEditor, QStringLiteral("TypeThrough"), typeThrough ? "1" : "0");
}

QSize LoadMessagesSize(const fw::ProfileFile& f) {
    const QSize size(f.ReadInt(kEditor, QStringLiteral("MessagesWidth"), 0),
                     f.ReadInt(kEditor, QStringLiteral("MessagesHeight"), 0));
    return size.width() > 0 && size.height() > 0 ? size : QSize();
}

void SaveMessagesSize(const fw::ProfileFile& f, QSize size) {
    f.WriteInt(kEditor, QStringLiteral("MessagesWidth"), size.width());
    f.WriteInt(kEditor, QStringLiteral("MessagesHeight"), size.height());
}

void Browser::Load(const fw::ProfileFile& f) {
    browserPath = f.ReadString(kBrowser, QStringLiteral("BrowserPath"));
    tempFilePath = f.ReadString(kBrowser, QStringLiteral("TempFilePath"));
    useTempOrTargetPath = f.ReadInt(kBrowser, QStringLiteral("UseTempOrTargetPath"), 1);
}

void Browser::Save(const fw::ProfileFile& f) const {
    SaveBrowserPath(f, browserPath);
    SaveTempFilePath(f, tempFilePath);
    SaveUseTempOrTargetPath(f, useTempOrTargetPath);
}

void Browser::SaveBrowserPath(const fw::ProfileFile& f, const QString& path) {
    f.WriteString(kBrowser, QStringLiteral("BrowserPath"), path);
}

void Browser::SaveTempFilePath(const fw::ProfileFile& f, const QString& path) {
    f.WriteString(kBrowser, QStringLiteral("TempFilePath"), path);
}

void Browser::SaveUseTempOrTargetPath(const fw::ProfileFile& f, int useTarget) {
    f.WriteString(kBrowser, QStringLiteral("UseTempOrTargetPath"), useTarget ? "1" : "0");
}

tCompilerSettings LoadCompilerSettings(const fw::ProfileFile& f) {
    return brevic::ReadCompilerSettings(f.Path().toUtf8().constData());
}

void SaveCompilerSettings(const fw::ProfileFile& f, const tCompilerSettings& options) {
    using Option = int32_t tCompilerSettings::*;
    static constexpr Option kFlags[] = {
        &tCompilerSettings::ConvertISO,          &tCompilerSettings::CaseSensitive,
        &tCompilerSettings::RemoveNewLineOnTags, &tCompilerSettings::ScrambleCode,
        &tCompilerSettings::RemoveAttr,          &tCompilerSettings::RemoveTab,
        &tCompilerSettings::SyntaxCheck,
    };
    const char kCompiler[] = "COMPILER";
    for (Option flag : kFlags)
        f.WriteString(kCompiler, QString::fromLatin1(brevic::CompilerSettingKey(flag)),
                      options.*flag ? "1" : "0");
    f.WriteInt(
        kCompiler,
        QString::fromLatin1(brevic::CompilerSettingKey(&tCompilerSettings::ScrambleBlockSize)),
        options.ScrambleBlockSize);
}

QStringList LoadSearchStrings(const fw::ProfileFile& f) {
    QStringList strings;
    // A damaged count must not make start-up read the file forever.
    constexpr int kMaxStrings = 1000;
    int count = std::min(f.ReadInt(kSearch, QStringLiteral("StringCount"), 0), kMaxStrings);
    for (int n = 0; n < count; ++n) {
        QString s = f.ReadString(kSearch, QStringLiteral("%1String").arg(n));
        if (!s.isEmpty()) strings.append(s);
    }
    return strings;
}

void SaveSearchStrings(const fw::ProfileFile& f, const QStringList& strings) {
    f.WriteInt(kSearch, QStringLiteral("StringCount"), static_cast<int>(strings.size()));
    for (int n = 0; n < strings.size(); ++n)
        f.WriteString(kSearch, QStringLiteral("%1String").arg(n), strings[n]);
}

namespace {
fw::ProfileFile PathesFile(tLS_project& project) {
    const char* path = project.GetProjectPath();
    return path ? fw::ProfileFile(QFile::decodeName(path)) : app::SettingsFile();
}

QString RememberedFolder(tLS_project& project, const char* key) {
    return PathesFile(project).ReadString(kPathes, QString::fromLatin1(key));
}

void StoreRememberedFolder(tLS_project& project, const char* key, const QString& chosenFile) {
    const int sep = static_cast<int>(chosenFile.lastIndexOf('/'));
    if (sep >= 0)
        PathesFile(project).WriteString(kPathes, QString::fromLatin1(key), chosenFile.left(sep));
}
} // namespace

QStringList AskInRememberedFolder(QWidget* parent, fw::FileDialogRequest request,
                                  tLS_project& project, const char* key) {
    request.directory = RememberedFolder(project, key);
    QStringList chosen;
    if (request.multiple) {
        chosen = fw::AskFileNames(parent, request);
    } else if (QString one = fw::AskFileName(parent, request); !one.isEmpty()) {
        chosen.append(one);
    }
    if (!chosen.isEmpty()) StoreRememberedFolder(project, key, chosen.first());
    return chosen;
}

QString ProjectPath(const fw::ProfileFile& f) {
    return f.ReadString(kPathes, QStringLiteral("ProjectPath"));
}

void StoreProjectPath(const fw::ProfileFile& f, const QString& chosenFile) {
    int sep = static_cast<int>(chosenFile.lastIndexOf('/'));
    if (sep < 0) return;
    f.WriteString(kPathes, QStringLiteral("ProjectPath"), chosenFile.left(sep));
}

} // namespace settings
