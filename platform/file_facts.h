// What the folder scan needs to know about files and folders, in the terms of
// Windows file attributes. On Linux the values are derived from the file's
// type, name and mode; tests put in their own facts, including combinations
// and failures that a real Linux folder cannot show.
#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>

namespace brindlemoor::platform {

namespace attribute {
constexpr std::int32_t kReadOnly = 1;
constexpr std::int32_t kHidden = 2;
constexpr std::int32_t kSystem = 4;
constexpr std::int32_t kDirectory = 16;
constexpr std::int32_t kArchive = 32;
constexpr std::int32_t kReparsePoint = 1024;
}  // namespace attribute

// Failure numbers of the file facts (the path-not-found number is in failure.h).
constexpr std::int32_t kPermissionDeniedFailure = 70;

class FileFacts {
public:
    virtual ~FileFacts() = default;

    // The path's attribute value. Throws Failure when it cannot be read.
    virtual std::int32_t attributes(const QString& path) const = 0;
    // True for the root of a drive (the file system's root on Linux).
    virtual bool isRootFolder(const QString& path) const = 0;
    // Names of the folder's sub-folders, in listing order. Throws Failure
    // kPermissionDeniedFailure or failure::kPathNotFound when the folder
    // cannot be listed, and Failure with another number for other faults.
    virtual QStringList subFolderNames(const QString& folder) const = 0;
    // Names of the entries of `folder` (ending with the separator) that match
    // the wildcard pattern, hidden and system files included, folders left
    // out, in listing order. Nothing when the folder cannot be listed.
    virtual QStringList matchingEntries(const QString& folder, const QString& pattern) const = 0;
    // True when the path opens as an existing file without asking for any
    // access right; false for folders, missing paths and every failure.
    virtual bool opensAsFile(const QString& path) const = 0;
    // True when the folder is a link back to itself or to a folder above it,
    // so that descending into it would never end.
    virtual bool leadsBackUp(const QString& folder) const = 0;
};

// True when `name` matches a wildcard pattern as the Windows file listing
// matches them: "*" any run of characters, "?" one character, letter case
// ignored, and a final ".*" also matching names without any dot ("*.*" thus
// matches every name).
bool matchesWildcard(const QString& name, const QString& pattern);

// The narrow value of a character. The system's narrow encoding is UTF-8,
// which represents every character, so the value is the code point.
inline std::int32_t narrowValue(char32_t character) { return static_cast<std::int32_t>(character); }

// The file facts of the machine the program runs on, for "/" paths.
class LocalFileFacts : public FileFacts {
public:
    std::int32_t attributes(const QString& path) const override;
    bool isRootFolder(const QString& path) const override;
    QStringList subFolderNames(const QString& folder) const override;
    QStringList matchingEntries(const QString& folder, const QString& pattern) const override;
    bool opensAsFile(const QString& path) const override;
    bool leadsBackUp(const QString& folder) const override;
};

LocalFileFacts& localFileFacts();

}  // namespace brindlemoor::platform
