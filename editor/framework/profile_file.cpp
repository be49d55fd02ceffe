#include "profile_file.h"

#include <brevic/ls_profile.h>

#include <QByteArray>
#include <string>

namespace fw {

namespace {
// Paths and texts of the settings file are kept in UTF-8 on disk.
QByteArray Bytes(const QString& s) { return s.toUtf8(); }
} // namespace

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
    return WritePrivateProfileString(section, Bytes(key).constData(), Bytes(value).constData(),
                                     Bytes(path_).constData()) != 0;
}

bool ProfileFile::WriteInt(const char* section, const QString& key, int value) const {
    return WriteString(section, key, QString::number(value));
}

} // namespace fw
