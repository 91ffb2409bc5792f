#include "filelist/list_gestures.h"

#include "app/failure_trap.h"
#include "app/hover_feedback.h"
#include "app/mouse_pointer.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPixmap>

namespace brindlemoor::filelist {

namespace {

bool busy(const QWidget* window) { return app::mousePointer(window) == app::kHourglassPointer; }

}  // namespace

void removeSelectedRow(FileList& list, const QWidget* window) {
    if (busy(window)) return;
    if (list.count() == 0) return;
    const QList<QTreeWidgetItem*> selected = list.selectedItems();
    if (selected.isEmpty()) return;
    delete list.takeTopLevelItem(list.indexOfTopLevelItem(selected.first()));
}

void clearList(FileList& list, const QWidget* window, platform::Prompts& prompts) {
    app::FailureTrap trap(prompts, kClearListLocation);
    if (trap.test(100, [&] { return busy(window); })) return;
    trap.step(100, [&] { list.clear(); });
}

ListGestures::ListGestures(FileList& list, Environment environment)
    : QObject(&list), list_(list), env_(std::move(environment)) {
    list_.installEventFilter(this);
    list_.viewport()->installEventFilter(this);
    // Every move counts, also those of a press whose release went elsewhere.
    list_.viewport()->setMouseTracking(true);
    list_.setDragEnabled(false);
    // A press selects the row and reports it before the pointer moves on.
    connect(&list_, &QTreeWidget::itemPressed, this, [this] { rowClicked(); });
}

int ListGestures::dragItemRow() const { return dragItem_.isValid() ? dragItem_.row() + 1 : 0; }

bool ListGestures::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &list_) {
        if (event->type() != QEvent::KeyPress) return false;
        if (static_cast<QKeyEvent*>(event)->key() != Qt::Key_Delete) return false;
        removeSelectedRow(list_, env_.window);
        return true;
    }
    if (watched != list_.viewport()) return false;

    switch (event->type()) {
    case QEvent::MouseButtonPress:
        dragging_ = true;
        return false;
    case QEvent::MouseButtonDblClick:
        removeSelectedRow(list_, env_.window);
        return true;
    case QEvent::MouseMove: {
        const auto* move = static_cast<QMouseEvent*>(event);
        app::showHoverPointer(env_.window, app::kDefaultPointer);
        if (dragging_) pointerMoved(move->position().toPoint());
        // With a button held the list would otherwise extend its selection
        // or start dragging items out by itself.
        return move->buttons() != Qt::NoButton;
    }
    case QEvent::MouseButtonRelease:
        dragging_ = false;
        app::setMousePointer(&list_, app::kArrowPointer);
        return false;
    default:
        return false;
    }
}

void ListGestures::rowClicked() {
    // Without a readable image the list keeps the pointer it has.
    const QPixmap image(env_.dragImageFile);
    if (!image.isNull()) {
        app::setMouseIcon(&list_, QCursor(image));
        app::setMousePointer(&list_, app::kCustomPointer);
    }
    list_.setDragEnabled(false);
    const QList<QTreeWidgetItem*> selected = list_.selectedItems();
    dragItem_ = selected.isEmpty() ? QPersistentModelIndex()
                                   : QPersistentModelIndex(list_.model()->index(
                                         list_.indexOfTopLevelItem(selected.first()), 0));
}

void ListGestures::pointerMoved(const QPoint& at) {
    QTreeWidgetItem* under = list_.itemAt(at);
    // A dragged row that was removed meanwhile has nothing left to move.
    if (under == nullptr || !dragItem_.isValid()) return;
    QTreeWidgetItem* moving = list_.topLevelItem(dragItem_.row());
    if (under->text(0) == moving->text(0)) return;

    const QString kept = moving->text(0);
    moving->setText(0, under->text(0));
    under->setText(0, kept);
    list_.setCurrentItem(under);
    const int row = list_.indexOfTopLevelItem(under) + 1;
    dragItem_ = QPersistentModelIndex(list_.model()->index(row - 1, 0));
    scrollNear(row);
}

void ListGestures::scrollNear(int row) {
    const int y = env_.screenPointer().y();
    if (y < kScrollUpBelowScreenY) {
        if (row >= 2) list_.scrollToItem(list_.topLevelItem(row - 2));
    } else if (y >= kScrollDownFromScreenY) {
        if (row + 1 <= list_.count()) list_.scrollToItem(list_.topLevelItem(row));
    }
}

}  // namespace brindlemoor::filelist
