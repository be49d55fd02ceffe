#include "file_types.h"

#include "places.h"

#include <brevic/ls_files.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>

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

// Desktop entry values: a path with blanks or quotes goes in double quotes.
QString Quoted(const QString& path) {
    QString escaped = path;
    escaped.replace('\\', QStringLiteral("\\\\")).replace('"', QStringLiteral("\\\"")).replace('$', QStringLiteral("\\$"));
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}
} // namespace

bool Register(const QString& programDirectory) {
    const QString data = QString::fromStdString(larkspan::UserDataDirectory());
    // UserDataDirectory is ".../share/larkspan/": the shared folders are one level up.
    const QString share = QDir::cleanPath(data + QStringLiteral("/.."));
    const QString program = programDirectory + QStringLiteral("larkspan");

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
                                "Exec=%1 %f\n"
                                "Icon=%2\n"
                                "MimeType=%3;\n"
                                "Categories=Development;WebDevelopment;\n"
                                "Terminal=false\n")
                                .arg(Quoted(program), programDirectory + QStringLiteral("larkspan.svg"),
                                     QString::fromLatin1(kMimeType));
    const QString mimeDir = share + QStringLiteral("/mime");
    bool ok = WriteIfChanged(mimeDir + QStringLiteral("/packages/larkspan.xml"), mime);
    ok = WriteIfChanged(share + QStringLiteral("/applications/larkspan.desktop"), desktop) && ok;
    // The desktop's database picks the type up once rebuilt; without the tool the files
    // still serve the next rebuild.
    const QString updater = QStandardPaths::findExecutable(QStringLiteral("update-mime-database"));
    if (!updater.isEmpty()) QProcess::startDetached(updater, {mimeDir});
    return ok;
}

} // namespace filetypes
