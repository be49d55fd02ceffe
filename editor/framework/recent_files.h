// The recent-file list: four entries, kept in the settings file's "Recent File List"
// section under the keys File1 to File4, newest first.
#pragma once

#include "profile_file.h"

#include <QStringList>

namespace fw {

class RecentFiles {
public:
    static constexpr int kSize = 4;

    explicit RecentFiles(const ProfileFile& settings) : settings_(settings) {}

    void Load();
    void Save() const;
    // Puts `path` first (moving it up when listed already); the oldest entry falls off.
    void Add(const QString& path);
    void Remove(const QString& path);
    const QStringList& Files() const { return files_; }

private:
    ProfileFile settings_;
    QStringList files_;
};

} // namespace fw
