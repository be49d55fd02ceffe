// Reads and writes one INI file key by key (the settings file, a project file), through
// the library's private-profile functions. Every write is a string write.
#pragma once

#include <QString>

namespace fw {

class ProfileFile {
public:
    explicit ProfileFile(QString path = {}) : path_(std::move(path)) {}

    const QString& Path() const { return path_; }
    void SetPath(const QString& path) { path_ = path; }

    int ReadInt(const char* section, const QString& key, int def) const;
    QString ReadString(const char* section, const QString& key, const QString& def = {}) const;
    // False when the file could not be written (it is then unchanged).
    bool WriteString(const char* section, const QString& key, const QString& value) const;
    bool WriteInt(const char* section, const QString& key, int value) const;

private:
    QString path_;
};

} // namespace fw
