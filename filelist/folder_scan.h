// The AddFolder module's folder scan: a folder and all its usable
// sub-folders, breadth-first, and the files of each that match a wildcard
// pattern. Used by "Add All File(s) In Folder", by folders dropped on the
// list and by the sample list.
#pragma once

#include "app/failure_trap.h"
#include "platform/file_facts.h"
#include "platform/prompts.h"

#include <QChar>
#include <QString>
#include <QStringList>

#include <functional>

namespace brindlemoor::filelist {

inline const QString kGetSubDirectoriesLocation =
    QStringLiteral("in DorrinTitle2021/08/31.AddFolder.GetSubDirectories2016 ");

// Folder paths longer than this (and sub-folder names as long) are not
// descended into.
constexpr int kMaxPathChars = 260;

// What the scan works with: the file facts, the path separator of their
// paths, where its own failures are reported, and how it lets the window
// system run between folders.
struct FolderScan {
    const platform::FileFacts& facts;
    platform::Prompts& prompts;
    QChar separator;
    std::function<void()> yield;
};

// A scan of the machine's own folders, yielding to the Qt event loop.
FolderScan localFolderScan(platform::Prompts& prompts);

// True for an existing file that opens without any access right asked for.
bool isExistingFile(const FolderScan& scan, const QString& path);

// True when the folder name holds a character the scan refuses: a control
// character (below 32 or 127 to 159) or "?".
bool hasUnsafeCharacters(const QString& name);

// The names (no folder part) of the existing files in `folder` that match
// `pattern` ("*.*" or "*." and an extension), hidden ones included, in
// listing order; empty when there is none or the folder cannot be listed.
QStringList listFilesInFolder(const FolderScan& scan, const QString& folder, const QString& pattern);

// Extends `folders` (each ending with the separator) in place with their
// usable sub-folders, breadth-first; with `recurse`, at every depth. A folder
// that cannot be listed for lack of permission or because it is gone is
// dropped from the list silently. Runs under its own failure trap.
void getSubDirectories2016(const FolderScan& scan, QStringList& folders, bool recurse);

// Appends through `appendRow` the normalised path of every accepted file of
// the tree under `startFolder` (no final separator, except a drive root).
// Its steps run under the caller's trap, with the caller's line numbers.
void addFolderTreeFiles(const FolderScan& scan, app::FailureTrap& trap, const QString& startFolder,
                        const QString& pattern, const std::function<void(const QString&)>& appendRow);

}  // namespace brindlemoor::filelist
