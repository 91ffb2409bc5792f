#include "app/hover_feedback.h"

#include "app/mouse_pointer.h"

#include <QMouseEvent>
#include <QWidget>

namespace brindlemoor::app {

void showHoverPointer(QWidget* window, int pointer) {
    if (mousePointer(window) != kHourglassPointer) setMousePointer(window, pointer);
}

HoverFeedback::HoverFeedback(QWidget* window, QList<QWidget*> handAreas, QList<QWidget*> defaultAreas,
                             QList<QWidget*> silentAreas)
    : QObject(window), window_(window), handAreas_(std::move(handAreas)), defaultAreas_(std::move(defaultAreas)),
      silentAreas_(std::move(silentAreas)) {
    // Moves over controls that do not track the mouse themselves reach the
    // window; the control under the pointer then decides.
    window_->setMouseTracking(true);
    window_->installEventFilter(this);
}

bool HoverFeedback::eventFilter(QObject* watched, QEvent* event) {
    if (watched != window_ || event->type() != QEvent::MouseMove) return false;
    const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
    for (QWidget* area = window_->childAt(at); area != nullptr && area != window_; area = area->parentWidget()) {
        if (handAreas_.contains(area)) {
            showHoverPointer(window_, kCustomPointer);
            return false;
        }
        if (silentAreas_.contains(area)) return false;
        if (defaultAreas_.contains(area)) break;
    }
    showHoverPointer(window_, kDefaultPointer);
    return false;
}

}  // namespace brindlemoor::app
