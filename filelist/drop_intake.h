// Files and folders dropped on the list from a file manager: a file becomes
// one row as delivered, a folder adds every file of its tree. Anything that
// is not a list of local files cannot be dropped.
#pragma once

#include "filelist/file_list.h"
#include "filelist/folder_scan.h"

#include <QList>
#include <QObject>
#include <QUrl>

class QMimeData;

namespace brindlemoor::filelist {

inline const QString kDropLocation = QStringLiteral("in Quillfen2021/08/31.Form1.ListView1_OLEDragDrop ");

// True for data holding file URLs only.
bool holdsFileList(const QMimeData& data);

// Appends the dropped paths in drop order. Failures are reported with the
// common report; nothing escapes.
void addDroppedPaths(const FolderScan& scan, FileList& list, const QStringList& paths);

class DropIntake : public QObject {
    Q_OBJECT
public:
    DropIntake(FileList& list, FolderScan scan);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    FileList& list_;
    FolderScan scan_;
};

}  // namespace brindlemoor::filelist
