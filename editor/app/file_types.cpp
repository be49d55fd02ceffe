#include "file_types.h"

#include "desktop_entry.h"
#include "places.h"

#include <brevic/ls_files.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include <cstdio>

namespace filetypes {

namespace {
bool WriteIfChanged(const QString& path, const std::string& bytes) {
    std::string existing;
    QByteArray native = QFile::encodeName(path);
    if (brevic::ReadBinaryFile(native.constData(), existing) && existing == bytes) return true;
    QDir().mkpath(QFileInfo(path).absolutePath());
    return brevic::WriteBinaryFileAtomic(native.constData(), bytes);
}

// The user's shared data folder: UserDataDirectory is ".../share/larkspan/", one level below.
QString ShareDirectory() {
    return QDir::cleanPath(QString::fromStdString(larkspan::UserDataDirectory()) +
                           QStringLiteral("/.."));
}

// The desktop's database picks a type up once rebuilt; without the tool the files still
// serve the next rebuild.
void UpdateMimeDatabase(const QString& mimeDir) {
    const QString updater = QStandardPaths::findExecutable(QStringLiteral("update-mime-database"));
    if (!updater.isEmpty()) QProcess::startDetached(updater, {mimeDir});
}

} // namespace

bool Register(const QString& programDirectory) {
    const QString share = ShareDirectory();
    const std::string dir = QFile::encodeName(programDirectory).toStdString();
    if (desktop::HasControlCharacter(dir)) {
        static bool told = false;
        if (!told) {
            std::fprintf(stderr,
                         "larkspan: the program's folder holds a control character in its path; "
                         "the file types are not registered\n");
            told = true;
        }
        return false;
    }
    const std::string icon = larkspan::DataDirectoryOf(dir) + "larkspan.svg";
    const QString mimeDir = share + QStringLiteral("/mime");
    bool ok =
        WriteIfChanged(mimeDir + QStringLiteral("/packages/larkspan.xml"), desktop::MimePackage());
    ok = WriteIfChanged(share + QStringLiteral("/applications/") +
                            QLatin1String(desktop::kProgramEntryFile),
                        desktop::ProgramEntry(dir + "larkspan", icon)) &&
         ok;
    UpdateMimeDatabase(mimeDir);
    return ok;
}

bool Unregister() {
    const QString share = ShareDirectory();
    bool ok = true;
    for (const QString& file :
         {share + QStringLiteral("/mime/packages/larkspan.xml"),
          share + QStringLiteral("/applications/") + QLatin1String(desktop::kProgramEntryFile)}) {
        if (QFileInfo::exists(file) && !QFile::remove(file)) ok = false;
    }
    UpdateMimeDatabase(share + QStringLiteral("/mime"));
    return ok;
}

} // namespace filetypes
