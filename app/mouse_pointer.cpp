#include "app/mouse_pointer.h"

#include <QVariant>
#include <QWidget>

namespace brindlemoor::app {

namespace {
constexpr const char* kPointerProperty = "brindlemoorMousePointer";
constexpr const char* kIconProperty = "brindlemoorMouseIcon";
}  // namespace

void setMousePointer(QWidget* widget, int pointer) {
    widget->setProperty(kPointerProperty, pointer);
    switch (pointer) {
    case kArrowPointer: widget->setCursor(Qt::ArrowCursor); break;
    case kHourglassPointer: widget->setCursor(Qt::WaitCursor); break;
    case kCustomPointer:
        if (hasMouseIcon(widget)) widget->setCursor(widget->property(kIconProperty).value<QCursor>());
        else widget->unsetCursor();
        break;
    default: widget->unsetCursor(); break;
    }
}

int mousePointer(const QWidget* widget) { return widget->property(kPointerProperty).toInt(); }

void setMouseIcon(QWidget* widget, const QCursor& icon) { widget->setProperty(kIconProperty, QVariant::fromValue(icon)); }

bool hasMouseIcon(const QWidget* widget) { return widget->property(kIconProperty).isValid(); }

}  // namespace brindlemoor::app
