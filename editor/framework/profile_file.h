// Reads and writes one INI file key by key (the settings file, a project file), through
// the library's private-profile functions. Every write is a string write.
#pragma once

#include <QString>

namespace fw {

class ProfileFile {
public:
    // Whether a failed write is said to the author: the settings file's are (with the
    // file's path, once per run, however many writes fail), a project file's are left to
    // their callers.
    enum class Failures { Silent, Report };

    explicit ProfileFile(QString path = {}, Failures failures = Failures::Silent)
        : path_(std::move(path)), failures_(failures) {}

    const QString& Path() const { return path_; }

    int ReadInt(const char* section, const QString& key, int def) const;
    QString ReadString(const char* section, const QString& key, const QString& def = {}) const;
    // False when the file could not be written (it is then unchanged). A reporting file
    // keeps the value in memory instead: its reads give it until the program ends.
    bool WriteString(const char* section, const QString& key, const QString& value) const;
    bool WriteInt(const char* section, const QString& key, int value) const;

    // Lets the next failed write of a reporting file be said again, and forgets the values
    // kept in memory (for tests).
    static void ForgetReportedFailure();

private:
    QString path_;
    Failures failures_ = Failures::Silent;
};

} // namespace fw
