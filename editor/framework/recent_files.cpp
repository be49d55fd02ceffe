#include "recent_files.h"

namespace fw {

namespace {
const char kSection[] = "Recent File List";
QString Key(int i) {
    return QStringLiteral("File%1").arg(i + 1);
}
} // namespace

void RecentFiles::Load() {
    files_.clear();
    for (int i = 0; i < kSize; ++i) {
        QString f = settings_.ReadString(kSection, Key(i));
        if (!f.isEmpty()) files_.append(f);
    }
}

void RecentFiles::Save() const {
    for (int i = 0; i < kSize; ++i)
        settings_.WriteString(kSection, Key(i), i < files_.size() ? files_[i] : QString());
}

void RecentFiles::Add(const QString& path) {
    files_.removeAll(path);
    files_.prepend(path);
    while (files_.size() > kSize)
        files_.removeLast();
}

void RecentFiles::Remove(const QString& path) {
    files_.removeAll(path);
}

} // namespace fw
