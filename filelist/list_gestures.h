// What the user does with rows already listed: removing the selected row
// (double-click, or Delete with any modifier), emptying the list ("Clear
// List"), and moving a row by dragging it over the others. Removal and
// clearing are refused while the window shows the hourglass; moving is not.
#pragma once

#include "filelist/file_list.h"
#include "platform/prompts.h"

#include <QObject>
#include <QPersistentModelIndex>
#include <QPoint>

#include <functional>

namespace brindlemoor::filelist {

inline const QString kClearListLocation = QStringLiteral("in Quillfen2021/08/31.Form1.PushButton8_Click ");

// While the pointer is above this screen row, an exchange scrolls the row
// above into view; from the lower one on, the row below.
constexpr int kScrollUpBelowScreenY = 305;
constexpr int kScrollDownFromScreenY = 365;

// Removes the selected row, unless `window` is busy or nothing is selected.
void removeSelectedRow(FileList& list, const QWidget* window);

// "Clear List": every row goes, unless `window` is busy.
void clearList(FileList& list, const QWidget* window, platform::Prompts& prompts);

class ListGestures : public QObject {
    Q_OBJECT
public:
    struct Environment {
        QWidget* window;
        // The drag pointer image, read again at every row click.
        QString dragImageFile;
        // Where the pointer is on the screen, in pixels.
        std::function<QPoint()> screenPointer;
    };

    ListGestures(FileList& list, Environment environment);

    bool dragging() const { return dragging_; }
    // The row being moved: its 1-based position, 0 for none or a removed row.
    int dragItemRow() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void rowClicked();
    void pointerMoved(const QPoint& at);
    void scrollNear(int row);

    FileList& list_;
    Environment env_;
    bool dragging_ = false;
    QPersistentModelIndex dragItem_;
};

}  // namespace brindlemoor::filelist
