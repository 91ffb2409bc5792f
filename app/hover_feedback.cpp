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
    // Qt drops plain moves over a control that does not track the mouse, so
    // every area with a handler tracks it.
    for (QWidget* area : QList<QWidget*>{window_} + handAreas_ + defaultAreas_) {
        area->setMouseTracking(true);
        area->installEventFilter(this);
    }
}

bool HoverFeedback::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::MouseMove) return false;
    auto* receiver = static_cast<QWidget*>(watched);
    // A move that a control passed on to its container still belongs to the
    // control under the pointer.
    const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
    QWidget* area = receiver;
    for (QWidget* inner = receiver->childAt(at); inner != nullptr && inner != receiver; inner = inner->parentWidget()) {
        if (handAreas_.contains(inner) || defaultAreas_.contains(inner) || silentAreas_.contains(inner)) {
            area = inner;
            break;
        }
    }
    if (handAreas_.contains(area)) showHoverPointer(window_, kCustomPointer);
    else if (!silentAreas_.contains(area)) showHoverPointer(window_, kDefaultPointer);
    return false;
}

}  // namespace brindlemoor::app
