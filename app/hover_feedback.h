// The hand pointer over the push buttons: as the mouse moves, the window's
// one pointer becomes the custom hand over a push button and the default
// pointer over the window, its frames, its option buttons and the list.
// The hourglass is never replaced. Areas without a handler (the folder text,
// the progress bar) leave the pointer as the last handler set it.
#pragma once

#include <QList>
#include <QObject>

class QWidget;

namespace brindlemoor::app {

// The move handlers' one rule: `pointer` unless the hourglass shows.
void showHoverPointer(QWidget* window, int pointer);

class HoverFeedback : public QObject {
    Q_OBJECT
public:
    // Watches the mouse over `window` and the areas with a handler, which
    // track the mouse from now on.
    HoverFeedback(QWidget* window, QList<QWidget*> handAreas, QList<QWidget*> defaultAreas,
                  QList<QWidget*> silentAreas);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* window_;
    QList<QWidget*> handAreas_;
    QList<QWidget*> defaultAreas_;
    QList<QWidget*> silentAreas_;
};

}  // namespace brindlemoor::app
