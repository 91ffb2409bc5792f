// "Add All File(s) In Folder": asks for an extension and a folder, both
// remembered, and adds every matching file of the folder and all its
// sub-folders, with the hourglass showing while the tree is scanned.
#pragma once

#include "app/settings_store.h"
#include "filelist/file_list.h"
#include "filelist/folder_scan.h"

class QWidget;

namespace brindlemoor::filelist {

inline const QString kAddFolderLocation = QStringLiteral("in Quillfen2021/08/31.Form1.PushButton4_Click ");
inline const QString kExtensionPrompt = QStringLiteral(
    "Enter file extension to load:\r\r(* for all files, txt for all txt files, doc for all doc files, etc.)");
inline const QString kSelectFolderTitle = QStringLiteral("Please select folder:");
inline const QString kExtensionSetting = QStringLiteral("Extension");
inline const QString kLastFolderSetting = QStringLiteral("LastFolder");

// `window` owns the folder chooser and shows the hourglass.
void addAllFilesInFolder(const FolderScan& scan, FileList& list, app::SettingsStore& settings, QWidget* window);

}  // namespace brindlemoor::filelist
