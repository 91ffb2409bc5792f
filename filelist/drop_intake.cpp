#include "filelist/drop_intake.h"

#include "app/failure_trap.h"

#include <QDropEvent>
#include <QMimeData>

#include <algorithm>

namespace brindlemoor::filelist {

namespace {

bool isDroppedFolder(const FolderScan& scan, const QString& path) {
    try {
        return (scan.facts.attributes(path) & platform::attribute::kDirectory) != 0;
    } catch (...) {
        return false;
    }
}

// The scan adds its own separator; a root keeps its own.
QString startFolderOf(const FolderScan& scan, const QString& folder) {
    try {
        if (scan.facts.isRootFolder(folder)) return folder;
    } catch (...) {
        // Not a root, then.
    }
    QString trimmed = folder;
    while (trimmed.size() > 1 && trimmed.endsWith(scan.separator)) trimmed.chop(1);
    return trimmed;
}

}  // namespace

bool holdsFileList(const QMimeData& data) {
    if (!data.hasUrls()) return false;
    const QList<QUrl> urls = data.urls();
    return !urls.isEmpty() && std::all_of(urls.begin(), urls.end(), [](const QUrl& url) { return url.isLocalFile(); });
}

void addDroppedPaths(const FolderScan& scan, FileList& list, const QStringList& paths) {
    app::FailureTrap trap(scan.prompts, kDropLocation);
    for (const QString& path : paths) {
        if (trap.test(100, [&] { return isDroppedFolder(scan, path); })) {
            addFolderTreeFiles(scan, trap, startFolderOf(scan, path), QStringLiteral("*.*"),
                               [&](const QString& row) { list.appendFileRow(row); });
        } else {
            trap.step(102, [&] { list.appendFileRow(path); });
        }
    }
}

DropIntake::DropIntake(FileList& list, FolderScan scan) : QObject(&list), list_(list), scan_(std::move(scan)) {
    list_.setAcceptDrops(true);
    list_.viewport()->setAcceptDrops(true);
    list_.viewport()->installEventFilter(this);
}

bool DropIntake::eventFilter(QObject* watched, QEvent* event) {
    if (watched != list_.viewport()) return false;
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDragMoveEvent*>(event);
        if (drag->mimeData() != nullptr && holdsFileList(*drag->mimeData())) {
            drag->acceptProposedAction();
        } else {
            drag->setDropAction(Qt::IgnoreAction);
            drag->ignore();
        }
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        if (drop->mimeData() == nullptr || !holdsFileList(*drop->mimeData())) {
            drop->ignore();
            return true;
        }
        // Take the paths first: the scan yields, and the drag data may go.
        QStringList paths;
        for (const QUrl& url : drop->mimeData()->urls()) paths << url.toLocalFile();
        drop->acceptProposedAction();
        addDroppedPaths(scan_, list_, paths);
        return true;
    }
    default:
        return false;
    }
}

}  // namespace brindlemoor::filelist
