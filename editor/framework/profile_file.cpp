#include "profile_file.h"

#include "ids.h"
#include "message_box.h"

#include <brevic/ls_profile.h>

#include <QApplication>
#include <QByteArray>
#include <QHash>
#include <string>

namespace fw {

namespace {
// Paths and texts of the settings file are kept in UTF-8 on disk.
QByteArray Bytes(const QString& s) {
    return s.toUtf8();
}

// One message per run: a read-only or full settings folder fails every later write too.
bool g_failureReported = false;

// Values of a reporting file whose write failed, by file, section and key (sections and
// keys without regard to case, as in the file): its reads give them for the rest of the
// run, so a browser or an editor option chosen with a read-only settings folder still
// takes effect until the program ends.
QHash<QString, QString> g_unwritten;

QString UnwrittenKey(const QString& path, const char* section, const QString& key) {
    return path + QLatin1Char('\n') + QString::fromUtf8(section).toUpper() + QLatin1Char('\n') +
           key.toUpper();
}
} // namespace

void ProfileFile::ForgetReportedFailure() {
    g_failureReported = false;
    g_unwritten.clear();
}

int ProfileFile::ReadInt(const char* section, const QString& key, int def) const {
    if (failures_ == Failures::Report) {
        const auto it = g_unwritten.constFind(UnwrittenKey(path_, section, key));
        if (it != g_unwritten.constEnd()) {
            bool ok = false;
            const int value = it->toInt(&ok);
            return ok ? value : def;
        }
    }
    return GetPrivateProfileInt(section, Bytes(key).constData(), def, Bytes(path_).constData());
}

QString ProfileFile::ReadString(const char* section, const QString& key, const QString& def) const {
    if (failures_ == Failures::Report) {
        const auto it = g_unwritten.constFind(UnwrittenKey(path_, section, key));
        if (it != g_unwritten.constEnd()) return *it;
    }
    std::string value;
    if (!brevic::ReadProfileValue(section, Bytes(key).constData(), value, Bytes(path_).constData()))
        return def;
    return QString::fromUtf8(value.data(), static_cast<qsizetype>(value.size()));
}

bool ProfileFile::WriteString(const char* section, const QString& key, const QString& value) const {
    const bool written =
        WritePrivateProfileString(section, Bytes(key).constData(), Bytes(value).constData(),
                                  Bytes(path_).constData()) != 0;
    if (failures_ != Failures::Report) return written;
    if (written) {
        g_unwritten.remove(UnwrittenKey(path_, section, key));
    } else {
        g_unwritten.insert(UnwrittenKey(path_, section, key), value);
        if (!g_failureReported) {
            g_failureReported = true;
            ShowMessage(QApplication::activeWindow(), str::SettingsNotWritten, MessageKind::Error,
                        path_);
        }
    }
    return written;
}

bool ProfileFile::WriteInt(const char* section, const QString& key, int value) const {
    return WriteString(section, key, QString::number(value));
}

} // namespace fw
