#include "link_paths.h"

#include <brevic/ls_project.h>

#include <QFile>

#include <cstring>

namespace fw {

bool RelativeLinkPath(const QString& base, const QString& path, QString& relative) {
    const QByteArray baseBytes = QFile::encodeName(base);
    const QByteArray pathBytes = QFile::encodeName(path);
    if (baseBytes.size() >= LS_PATH_MAX || pathBytes.size() >= LS_PATH_MAX) return false;
    char buffer[LS_PATH_MAX] = {};
    std::memcpy(buffer, pathBytes.constData(), static_cast<size_t>(pathBytes.size()));
    if (tLS_project::GetRelativePath(baseBytes.constData(), buffer) != LS_OK) return false;
    relative = QFile::decodeName(buffer);
    relative.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return true;
}

} // namespace fw
