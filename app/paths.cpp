#include "app/paths.h"

#include <QFileInfo>

namespace brindlemoor::app {

namespace {

// Replaces each pair of separators by one, left to right, without overlap.
QString collapsePairs(QStringView path, QChar separator) {
    QString result;
    result.reserve(path.size());
    for (qsizetype i = 0; i < path.size(); ++i) {
        result += path[i];
        if (path[i] == separator && i + 1 < path.size() && path[i + 1] == separator) ++i;
    }
    return result;
}

}  // namespace

QString fileNameOf(const QString& path, QChar separator) { return path.mid(path.lastIndexOf(separator) + 1); }

QString folderOf(const QString& path, QChar separator) { return path.left(path.lastIndexOf(separator) + 1); }

QString normalizePath(const QString& path, QChar separator) {
    if (!path.startsWith(separator)) return collapsePairs(path, separator);
    qsizetype rest = 1;
    while (rest < path.size() && path[rest] == separator) ++rest;
    const int leading = separator == kWindowsSeparator ? 2 : 1;
    return QString(leading, separator) + collapsePairs(QStringView(path).mid(rest), separator);
}

bool pathExists(const QString& path) {
    if (path.isEmpty()) return false;
    const QFileInfo info(path);
    return info.exists() && info.lastModified().isValid();
}

std::optional<bool> isFolder(const QString& path) {
    if (path.isEmpty()) return std::nullopt;
    const QFileInfo info(path);
    if (!info.exists()) return std::nullopt;
    return info.isDir();
}

}  // namespace brindlemoor::app
