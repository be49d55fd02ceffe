#include "profile_file.h"

#include "ids.h"
#include "message_box.h"

#include <brevic/ls_profile.h>

#include <QApplication>
#include <QByteArray>
#include <string>

namespace fw {

namespace {
// Paths and texts of the settings file are kept in UTF-8 on disk.
QByteArray Bytes(const QString& s) { return s.toUtf8(); }

// One message per run: a read-only or full settings folder fails every later write too.
bool g_failureReported = false;
} // namespace

void ProfileFile::ForgetReportedFailure() { g_failureReported = false; }

int ProfileFile::ReadInt(const char* section, const QString& key, int def) const {
    return GetPrivateProfileInt(section, Bytes(key).constData(), def, Bytes(path_).constData());
}

QString ProfileFile::ReadString(const char* section, const QString& key, const QString& def) const {
    std::string value;
    if (!brevic::ReadProfileValue(section, Bytes(key).constData(), value, Bytes(path_).constData()))
        return def;
    return QString::fromUtf8(value.data(), static_cast<qsizetype>(value.size()));
}

bool ProfileFile::WriteString(const char* section, const QString& key, const QString& value) const {
    const bool written = WritePrivateProfileString(section, Bytes(key).constData(), Bytes(value).constData(),
                                                   Bytes(path_).constData()) != 0;
    if (!written && failures_ == Failures::Report && !g_failureReported) {
        g_failureReported = true;
        ShowMessage(QApplication::activeWindow(), str::SettingsNotWritten, MessageKind::Error, path_);
    }
    return written;
}

bool ProfileFile::WriteInt(const char* section, const QString& key, int value) const {
    return WriteString(section, key, QString::number(value));
}

} // namespace fw
