// The example spreadsheets in the "Samples" folder beside the program: their
// paths are recorded once, scrambled, in the setting "Snapshot", and "Load
// Sample/Example Files" puts the recorded files that still exist into the list.
#pragma once

#include "app/settings_store.h"
#include "filelist/file_list.h"
#include "filelist/folder_scan.h"

#include <QByteArray>
#include <QString>

#include <functional>

namespace brindlemoor::filelist {

// Eight lowercase letters; settings written by one version must stay
// readable by the next, so this never changes.
inline const QString kSampleListKey = QStringLiteral("wrenholt");
inline const QString kSnapshotSetting = QStringLiteral("Snapshot");
inline const QString kLoadSamplesLocation = QStringLiteral("in Quillfen2021/08/31.Form1.PushButton9_Click ");
inline const QString kOpenSampleFolderQuestion = QStringLiteral(
    "Would you like this software to open the folder where these sample files are stored (so that you can view "
    "them before working with them)?");

// Adds each key letter to a byte, wrapping past 255 back to 1; bytes 1 to
// 255 stay in that range. `yield` runs before each byte.
QByteArray scrambleBytes(const QByteArray& bytes, const QByteArray& key, const std::function<void()>& yield);
QByteArray unscrambleBytes(const QByteArray& bytes, const QByteArray& key, const std::function<void()>& yield);

// The scrambling of the stored sample list. It works on the UTF-8 bytes of
// the text, so every path comes back unchanged; the scrambled bytes are kept
// one character each (Latin-1).
QString scrambleText(const QString& text, const QString& key, const std::function<void()>& yield);
QString unscrambleText(const QString& text, const QString& key, const std::function<void()>& yield);

QString sampleFolder(const QString& programFolder, QChar separator);

// Stores the paths of the files now in the sample folder, joined with "|"
// and scrambled, as "Snapshot"; an empty folder stores "" so that the next
// start tries again.
void recordSampleList(const FolderScan& scan, app::SettingsStore& settings, const QString& programFolder);

// True when some row's text is exactly `path` (letter case counts).
bool listContains(const FileList& list, const QString& path);

// Appends each recorded sample that exists and is not listed yet, then asks
// whether to open the sample folder and opens it on Yes.
void loadSampleFiles(const FolderScan& scan, FileList& list, app::SettingsStore& settings,
                     const QString& programFolder);

// "Load Sample/Example Files": loadSampleFiles under the button's failure trap.
void loadSampleFilesClicked(const FolderScan& scan, FileList& list, app::SettingsStore& settings,
                            const QString& programFolder);

}  // namespace brindlemoor::filelist
