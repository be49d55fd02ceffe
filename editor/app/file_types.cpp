#include "file_types.h"

#include "places.h"

#include <brevic/ls_files.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include <cstdio>

namespace filetypes {

namespace {
bool WriteIfChanged(const QString& path, const QString& text) {
    QByteArray bytes = text.toUtf8();
    std::string existing;
    QByteArray native = QFile::encodeName(path);
    if (brevic::ReadBinaryFile(native.constData(), existing) && existing == bytes.toStdString()) return true;
    QDir().mkpath(QFileInfo(path).absolutePath());
    return brevic::WriteBinaryFileAtomic(native.constData(), bytes.toStdString());
}

// Every value of a desktop entry is a string in which a backslash is written "\\".
QString EscapedValue(const QString& text) {
    QString escaped = text;
    return escaped.replace('\\', QStringLiteral("\\\\"));
}

// The program as the first argument of Exec: in double quotes, with the characters the
// quoting rule reserves escaped by a backslash and "%" doubled (it starts field codes),
// then escaped as every string value is.
QString ExecProgram(const QString& path) {
    QString quoted = QStringLiteral("\"");
    for (QChar c : path) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
        if (c == '%') quoted += '%';
        quoted += c;
    }
    return EscapedValue(quoted + '"');
}

// The user's shared data folder: UserDataDirectory is ".../share/larkspan/", one level below.
QString ShareDirectory() {
    return QDir::cleanPath(QString::fromStdString(larkspan::UserDataDirectory()) + QStringLiteral("/.."));
}

// The desktop's database picks a type up once rebuilt; without the tool the files still
// serve the next rebuild.
void UpdateMimeDatabase(const QString& mimeDir) {
    const QString updater = QStandardPaths::findExecutable(QStringLiteral("update-mime-database"));
    if (!updater.isEmpty()) QProcess::startDetached(updater, {mimeDir});
}

// A line break or another control character cannot stand in a desktop entry's value: it
// would end the line and start a key of its own.
bool HasControlCharacter(const QString& text) {
    for (QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f) return true;
    }
    return false;
}
} // namespace

bool Register(const QString& programDirectory) {
    const QString share = ShareDirectory();
    const QString program = programDirectory + QStringLiteral("larkspan");
    if (HasControlCharacter(programDirectory)) {
        static bool told = false;
        if (!told) {
            std::fprintf(stderr, "larkspan: the program's folder holds a control character in its path; "
                                 "the file types are not registered\n");
            told = true;
        }
        return false;
    }

    const QString mime = QStringLiteral(
                             "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                             "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
                             "  <mime-type type=\"%1\">\n"
                             "    <comment>Larkspan HTML Templates</comment>\n"
                             "    <glob pattern=\"*.tpl\"/>\n"
                             "    <glob pattern=\"*.hpr\"/>\n"
                             "  </mime-type>\n"
                             "</mime-info>\n")
                             .arg(QString::fromLatin1(kMimeType));
    const QString desktop = QStringLiteral(
                                "[Desktop Entry]\n"
                                "Type=Application\n"
                                "Name=Larkspan PLUS\n"
                                "Comment=Site editor for multi-language web sites\n"
                                "TryExec=%1\n"
                                "Exec=%2 %f\n"
                                "Icon=%3\n"
                                "MimeType=%4;\n"
                                "Categories=Development;WebDevelopment;\n"
                                "Terminal=false\n"
                                "Actions=print;\n"
                                "\n"
                                "[Desktop Action print]\n"
                                "Name=Print\n"
                                "Exec=%2 /p %f\n")
                                .arg(EscapedValue(program), ExecProgram(program),
                                     EscapedValue(programDirectory + QStringLiteral("larkspan.svg")),
                                     QString::fromLatin1(kMimeType));
    const QString mimeDir = share + QStringLiteral("/mime");
    bool ok = WriteIfChanged(mimeDir + QStringLiteral("/packages/larkspan.xml"), mime);
    ok = WriteIfChanged(share + QStringLiteral("/applications/larkspan.desktop"), desktop) && ok;
    UpdateMimeDatabase(mimeDir);
    return ok;
}

bool Unregister() {
    const QString share = ShareDirectory();
    bool ok = true;
    for (const QString& file : {share + QStringLiteral("/mime/packages/larkspan.xml"),
                                share + QStringLiteral("/applications/larkspan.desktop")}) {
        if (QFileInfo::exists(file) && !QFile::remove(file)) ok = false;
    }
    UpdateMimeDatabase(share + QStringLiteral("/mime"));
    return ok;
}

} // namespace filetypes
