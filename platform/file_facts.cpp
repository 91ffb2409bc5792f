#include "platform/file_facts.h"

#include "platform/failure.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>

#include <dirent.h>
#include <sys/stat.h>

namespace brindlemoor::platform {

namespace {

bool matchesExactly(const std::u32string& name, const std::u32string& pattern) {
    // Iterative matching with one remembered "*": linear enough for file names.
    std::size_t n = 0, p = 0, starAt = std::u32string::npos, resumeAt = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == U'?' || pattern[p] == name[n])) {
            ++n;
            ++p;
        } else if (p < pattern.size() && pattern[p] == U'*') {
            starAt = p++;
            resumeAt = n;
        } else if (starAt != std::u32string::npos) {
            p = starAt + 1;
            n = ++resumeAt;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == U'*') ++p;
    return p == pattern.size();
}

std::u32string folded(const QString& text) {
    const QList<uint> units = text.toCaseFolded().toUcs4();
    return std::u32string(units.begin(), units.end());
}

QByteArray nativePath(const QString& path) { return QFile::encodeName(path); }

Failure failureFromErrno(int error, const QString& path) {
    switch (error) {
    case EACCES:
    case EPERM:
        return Failure(kPermissionDeniedFailure, QStringLiteral("Permission denied"));
    case ENOENT:
    case ENOTDIR:
        return Failure(failure::kPathNotFound, QStringLiteral("Path not found"));
    default:
        // 75: the Windows number for a path or file access error.
        return Failure(75, QStringLiteral("Path/File access error: %1 (%2)")
                               .arg(QString::fromLocal8Bit(std::strerror(error)), path));
    }
}

QString lastName(const QString& path) {
    qsizetype end = path.size();
    while (end > 0 && path[end - 1] == u'/') --end;
    const qsizetype start = path.lastIndexOf(u'/', end - 1) + 1;
    return path.mid(start, end - start);
}

// Windows lists a folder in the order of its names, letter case ignored.
void sortAsListed(QStringList& names) {
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        const int folded = a.compare(b, Qt::CaseInsensitive);
        return folded != 0 ? folded < 0 : a < b;
    });
}

struct DirCloser {
    void operator()(DIR* dir) const { closedir(dir); }
};
using DirHandle = std::unique_ptr<DIR, DirCloser>;

// Calls `visit(name, isFolder)` for each entry of a folder except "." and
// "..", where `isFolder()` tells whether the entry is a folder (links
// followed, as Windows follows junctions); asked only when needed, as it
// may cost a look-up. Returns 0, or the error that kept the folder closed.
template <typename Visit>
int visitEntries(const QString& folder, Visit visit) {
    DirHandle dir(opendir(nativePath(folder).constData()));
    if (!dir) return errno;
    QByteArray base = nativePath(folder);
    if (!base.endsWith('/')) base += '/';
    while (const dirent* entry = readdir(dir.get())) {
        const QByteArray raw(entry->d_name);
        if (raw == "." || raw == "..") continue;
        const unsigned char type = entry->d_type;
        const auto isFolder = [&] {
            if (type == DT_DIR) return true;
            if (type != DT_LNK && type != DT_UNKNOWN) return false;
            struct stat target{};
            return stat((base + raw).constData(), &target) == 0 && S_ISDIR(target.st_mode);
        };
        visit(QFile::decodeName(raw), isFolder);
    }
    return 0;
}

QByteArray canonical(const QByteArray& path) {
    std::unique_ptr<char, decltype(&std::free)> resolved(realpath(path.constData(), nullptr), &std::free);
    return resolved ? QByteArray(resolved.get()) : QByteArray();
}

}  // namespace

bool matchesWildcard(const QString& name, const QString& pattern) {
    const std::u32string foldedName = folded(name);
    const std::u32string foldedPattern = folded(pattern);
    if (matchesExactly(foldedName, foldedPattern)) return true;
    if (pattern.endsWith(QStringLiteral(".*")))
        return matchesExactly(foldedName, foldedPattern.substr(0, foldedPattern.size() - 2));
    return false;
}

std::int32_t LocalFileFacts::attributes(const QString& path) const {
    const QByteArray native = nativePath(path);
    struct stat own{};
    if (path.isEmpty() || lstat(native.constData(), &own) != 0) throw failureFromErrno(errno, path);

    std::int32_t value = 0;
    struct stat target = own;
    if (S_ISLNK(own.st_mode)) {
        value |= attribute::kReparsePoint;
        if (stat(native.constData(), &target) != 0) target = own;
    }
    if (S_ISDIR(target.st_mode)) value |= attribute::kDirectory;
    if (S_ISREG(target.st_mode)) value |= attribute::kArchive;
    if (!(target.st_mode & S_IWUSR)) value |= attribute::kReadOnly;
    if (lastName(path).startsWith(u'.')) value |= attribute::kHidden;
    return value;
}

bool LocalFileFacts::isRootFolder(const QString& path) const {
    return !path.isEmpty() && lastName(path).isEmpty() && path.startsWith(u'/');
}

QStringList LocalFileFacts::subFolderNames(const QString& folder) const {
    QStringList names;
    const int error = visitEntries(folder, [&](const QString& name, const auto& isFolder) {
        if (isFolder()) names << name;
    });
    if (error != 0) throw failureFromErrno(error, folder);
    sortAsListed(names);
    return names;
}

QStringList LocalFileFacts::matchingEntries(const QString& folder, const QString& pattern) const {
    QStringList names;
    visitEntries(folder, [&](const QString& name, const auto& isFolder) {
        if (matchesWildcard(name, pattern) && !isFolder()) names << name;
    });
    sortAsListed(names);
    return names;
}

bool LocalFileFacts::opensAsFile(const QString& path) const {
    // Only regular files: opening a pipe or a device could block or harm.
    struct stat target{};
    return !path.isEmpty() && stat(nativePath(path).constData(), &target) == 0 && S_ISREG(target.st_mode);
}

bool LocalFileFacts::leadsBackUp(const QString& folder) const {
    QByteArray native = nativePath(folder);
    while (native.size() > 1 && native.endsWith('/')) native.chop(1);
    struct stat own{};
    if (lstat(native.constData(), &own) != 0 || !S_ISLNK(own.st_mode)) return false;

    const QByteArray target = canonical(native);
    const QByteArray parent = canonical(native.left(native.lastIndexOf('/') + 1));
    if (target.isEmpty() || parent.isEmpty()) return false;
    if (target == "/" || parent == target) return true;
    return parent.startsWith(target + '/');
}

LocalFileFacts& localFileFacts() {
    static LocalFileFacts facts;
    return facts;
}

}  // namespace brindlemoor::platform
