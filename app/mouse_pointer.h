// A window's mouse pointer by the numbers the handlers use: 0 default,
// 1 arrow, 11 hourglass, 99 the window's own mouse icon.
#pragma once

#include <QCursor>

class QWidget;

namespace brindlemoor::app {

enum MousePointer { kDefaultPointer = 0, kArrowPointer = 1, kHourglassPointer = 11, kCustomPointer = 99 };

void setMousePointer(QWidget* widget, int pointer);
int mousePointer(const QWidget* widget);

// The image that pointer 99 shows; a widget without one has no mouse icon.
void setMouseIcon(QWidget* widget, const QCursor& icon);
bool hasMouseIcon(const QWidget* widget);

}  // namespace brindlemoor::app
