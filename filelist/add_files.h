// "Add ODS File(s)": the open dialog, and the rows its answer gives.
#pragma once

#include "filelist/file_list.h"
#include "platform/prompts.h"

#include <QChar>

namespace brindlemoor::filelist {

inline const QString kAddFilesTitle = QStringLiteral("Add File(s) - Use Ctrl & Shift to select multiple files");
inline const QString kAddFilesFilter = QStringLiteral(
    "Calc Spreadsheets (*.ods;*.ots;*.sxc;*.stc)|*.ods;*.ots;*.sxc;*.stc|All Files (*.*)|*.*");
// What the main window lets the dialog's answer take.
constexpr int kOpenDialogBufferChars = 30000;

// Asks for files and appends one row per chosen file: a single file as the
// dialog returned it, several as the folder joined to each name and
// normalised with `separator`. Too many names for the buffer add nothing.
void addFilesFromDialog(platform::Prompts& prompts, FileList& list, QChar separator);

}  // namespace brindlemoor::filelist
