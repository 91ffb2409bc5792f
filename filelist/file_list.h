// The list of input files: a one-column report view whose rows are the full
// paths, in intake order. The rows are the model; no other copy exists.
#pragma once

#include <QTreeWidget>

namespace brindlemoor::filelist {

class FileList : public QTreeWidget {
    Q_OBJECT
public:
    static inline const QString kToolTip = QStringLiteral(
        "Drag and drop files here. Double-click item to remove it. Move | line to right and out of window to reveal full names.");

    explicit FileList(QWidget* parent = nullptr);

    // The list's one column, created at start-up.
    void addColumnHeader(const QString& text);
    void setFirstColumnWidth(int pixels);

    // Appends `text` as it is: no check of existence, extension or duplicates.
    void appendFileRow(const QString& text);
    int count() const { return topLevelItemCount(); }
    // The text of row `row`, counting from 1; throws Failure for a row that
    // does not exist.
    QString rowText(int row) const;
};

}  // namespace brindlemoor::filelist
