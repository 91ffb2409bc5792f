// Taking paths apart and testing what they name. The string functions work
// on any path syntax: the separator is a parameter ("\" for Windows paths,
// "/" for POSIX ones), and nothing resolves, changes case or checks length.
#pragma once

#include <QChar>
#include <QDir>
#include <QString>

#include <optional>

namespace brindlemoor::app {

inline const QChar kWindowsSeparator = u'\\';
inline const QChar kNativeSeparator = QDir::separator();

// Everything after the last separator; the whole path without one.
QString fileNameOf(const QString& path, QChar separator = kNativeSeparator);
// Everything up to and including the last separator; "" without one.
QString folderOf(const QString& path, QChar separator = kNativeSeparator);
// Collapses doubled separators, scanning once from the left without overlap.
// With "\" a path that starts with separators keeps exactly two (a network
// path); with "/" a POSIX path keeps exactly one.
QString normalizePath(const QString& path, QChar separator = kNativeSeparator);

// True when the file system can tell the path's modification time: a file or
// a folder. Never fails.
bool pathExists(const QString& path);
// True for a folder, false for anything else that exists, nothing when the
// path cannot be examined. Never fails.
std::optional<bool> isFolder(const QString& path);

}  // namespace brindlemoor::app
