#include "filelist/file_list.h"

#include "platform/failure.h"

#include <QHeaderView>

namespace brindlemoor::filelist {

FileList::FileList(QWidget* parent) : QTreeWidget(parent) {
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setToolTip(kToolTip);
    setColumnCount(1);
    header()->setStretchLastSection(false);
    header()->hide();  // until the start-up adds the column
}

void FileList::addColumnHeader(const QString& text) {
    setHeaderLabels({text});
    header()->show();
}

void FileList::setFirstColumnWidth(int pixels) { setColumnWidth(0, pixels); }

void FileList::appendFileRow(const QString& text) { addTopLevelItem(new QTreeWidgetItem(QStringList{text})); }

QString FileList::rowText(int row) const {
    if (row < 1 || row > count()) throw platform::Failure(35600, QStringLiteral("Index out of bounds"));
    return topLevelItem(row - 1)->text(0);
}

}  // namespace brindlemoor::filelist
