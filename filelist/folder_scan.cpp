#include "filelist/folder_scan.h"

#include "app/paths.h"
#include "platform/failure.h"

#include <QCoreApplication>

namespace brindlemoor::filelist {

using platform::Failure;
namespace attribute = platform::attribute;

namespace {

// Hidden system folders (and links to them) are not descended into.
constexpr std::int32_t kHiddenSystemFolder = attribute::kDirectory | attribute::kSystem | attribute::kHidden;
constexpr std::int32_t kHiddenSystemLink = kHiddenSystemFolder | attribute::kReparsePoint;
// Hidden files that are only hidden (and archived) are left out of the list.
constexpr std::int32_t kHiddenArchivedFile = attribute::kHidden | attribute::kArchive;

bool isFolder(const FolderScan& scan, const QString& path) {
    try {
        return (scan.facts.attributes(path) & attribute::kDirectory) != 0;
    } catch (...) {
        return false;
    }
}

// Throws when the attributes cannot be read; the trap decides what follows.
bool mayDescendInto(const FolderScan& scan, const QString& folder) {
    if (scan.facts.isRootFolder(folder)) return true;
    const std::int32_t value = scan.facts.attributes(folder);
    return value != kHiddenSystemFolder && value != kHiddenSystemLink;
}

bool isListingGone(const Failure& failure) {
    return failure.number() == platform::kPermissionDeniedFailure || failure.number() == platform::failure::kPathNotFound;
}

// Appends the usable sub-folders of `folder` to `found`. Throws when the
// folder cannot be listed; what was appended before stays.
void appendSubFolders(const FolderScan& scan, const QString& folder, QStringList& found) {
    for (const QString& name : scan.facts.subFolderNames(folder)) {
        scan.yield();
        if (name.size() >= kMaxPathChars) continue;
        if (hasUnsafeCharacters(name)) continue;
        if (name.contains(u'?')) continue;
        if (name == u"." || name == u"..") continue;
        const QString path = folder + name + scan.separator;
        // A link back up would be walked until the path length ran out, and
        // with two of them the walk would never end in practice.
        if (scan.facts.leadsBackUp(path)) continue;
        found << path;
    }
}

}  // namespace

FolderScan localFolderScan(platform::Prompts& prompts) {
    return {platform::localFileFacts(), prompts, app::kNativeSeparator, [] { QCoreApplication::processEvents(); }};
}

bool isExistingFile(const FolderScan& scan, const QString& path) {
    try {
        return scan.facts.opensAsFile(path);
    } catch (...) {
        return false;
    }
}

bool hasUnsafeCharacters(const QString& name) {
    for (const char32_t character : name.toUcs4()) {
        const std::int32_t value = platform::narrowValue(character);
        if (value < 32 || (value >= 127 && value <= 159) || value == 63) return true;
    }
    return false;
}

QStringList listFilesInFolder(const FolderScan& scan, const QString& folder, const QString& pattern) {
    const QString base = folder.endsWith(scan.separator) ? folder : folder + scan.separator;
    QStringList names;
    try {
        for (const QString& name : scan.facts.matchingEntries(base, pattern))
            if (isExistingFile(scan, base + name)) names << name;
    } catch (...) {
        // A folder that cannot be listed has no files to offer.
    }
    return names;
}

void getSubDirectories2016(const FolderScan& scan, QStringList& folders, bool recurse) {
    app::FailureTrap trap(scan.prompts, kGetSubDirectoriesLocation);
    QStringList found;

    qsizetype next = 0;
    while (next < folders.size()) {
        QString folder;
        trap.step(106, [&] { folder = folders.at(next); });
        bool dropped = false;
        if (trap.test(108, [&] { return isFolder(scan, folder); }) &&
            trap.test(110, [&] { return folder.size() < kMaxPathChars; })) {
            trap.step(114, [&] { scan.yield(); });
            if (trap.test(116, [&] { return mayDescendInto(scan, folder); })) {
                try {
                    appendSubFolders(scan, folder, found);
                } catch (...) {
                    // Unreadable or vanished folders leave the list with
                    // their files; other listing faults keep the folder.
                    const Failure failure = app::asFailure(std::current_exception());
                    if (isListingGone(failure)) {
                        const qsizetype at = folders.indexOf(folder);
                        if (at >= 0) {
                            folders.removeAt(at);
                            dropped = at <= next;
                        }
                    }
                }
            }
        }
        if (!dropped) ++next;
    }

    if (recurse && !found.isEmpty()) trap.step(150, [&] { getSubDirectories2016(scan, found, true); });

    for (const QString& deeper : found) {
        if (!trap.test(154, [&] { return isFolder(scan, deeper); })) continue;
        trap.step(156, [&] { scan.yield(); });
        if (trap.test(158, [&] { return mayDescendInto(scan, deeper); }))
            trap.step(160, [&] { folders << deeper; });
    }
}

void addFolderTreeFiles(const FolderScan& scan, app::FailureTrap& trap, const QString& startFolder,
                        const QString& pattern, const std::function<void(const QString&)>& appendRow) {
    QStringList folders;
    trap.step(116, [&] { folders = QStringList{startFolder + scan.separator}; });
    trap.step(118, [&] { getSubDirectories2016(scan, folders, true); });

    for (const QString& item : folders) {
        QString folder;
        trap.step(122, [&] { folder = item.chopped(1); });
        QStringList names;
        trap.step(124, [&] { names = listFilesInFolder(scan, folder, pattern); });
        for (const QString& name : names) {
            // Office lock and backup files begin with "~".
            if (trap.test(128, [&] { return name.startsWith(u'~'); })) continue;
            QString path;
            trap.step(130, [&] { path = folder + scan.separator + name; });
            trap.step(134, [&] {
                if (isExistingFile(scan, path) && scan.facts.attributes(path) != kHiddenArchivedFile)
                    appendRow(app::normalizePath(path, scan.separator));
            });
        }
    }
}

}  // namespace brindlemoor::filelist
