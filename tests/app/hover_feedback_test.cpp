// The hand pointer over the main window's push buttons, with mouse moves
// delivered through the window system as a user's would be.
#include "test_window.h"

#include "app/mouse_pointer.h"

#include <QImage>
#include <QtTest>

using namespace brindlemoor;
using testing::TestWindow;

class HoverFeedbackTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TestWindow> window;
    app::Form1* form = nullptr;

    void moveOver(QWidget* control) { moveOver(control, control->rect().center()); }
    void moveOver(QWidget* control, QPoint at) {
        QTest::mouseMove(form->windowHandle(), control->mapTo(form, at));
        QCoreApplication::processEvents();
    }
    // A spot of the frame that no control inside it covers.
    QPoint bareFrame() const { return QPoint(form->Frame5->width() - 10, form->Frame5->height() - 10); }
    int pointer() const { return app::mousePointer(form); }

private slots:
    void init() {
        window = std::make_unique<TestWindow>();
        QVERIFY(window->load());
        form = window->form.get();
        app::setMouseIcon(form, QCursor(Qt::PointingHandCursor));
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form));
    }
    void cleanup() { window.reset(); }

    void handOverEveryPushButtonAndDefaultElsewhere() {
        for (QWidget* button : {static_cast<QWidget*>(form->PushButton1), static_cast<QWidget*>(form->PushButton2),
                                static_cast<QWidget*>(form->PushButton3), static_cast<QWidget*>(form->PushButton4),
                                static_cast<QWidget*>(form->PushButton8), static_cast<QWidget*>(form->PushButton9)}) {
            moveOver(button);
            QCOMPARE(pointer(), int(app::kCustomPointer));
            QCOMPARE(button->cursor().shape(), Qt::PointingHandCursor);
            moveOver(form->ListView1);
            QCOMPARE(pointer(), int(app::kDefaultPointer));
        }
        for (QWidget* area : {static_cast<QWidget*>(form->Option1), static_cast<QWidget*>(form->Option2)}) {
            moveOver(form->PushButton1);
            moveOver(area);
            QCOMPARE(pointer(), int(app::kDefaultPointer));
        }
        moveOver(form->PushButton3);
        moveOver(form->Frame5, bareFrame());
        QCOMPARE(pointer(), int(app::kDefaultPointer));
        moveOver(form->PushButton1);
        QTest::mouseMove(form->windowHandle(), QPoint(form->width() - 2, form->height() - 2));  // background
        QCoreApplication::processEvents();
        QCOMPARE(pointer(), int(app::kDefaultPointer));
    }

    void areasWithoutAHandlerKeepTheHand() {
        moveOver(form->PushButton2);
        moveOver(form->ProgressBar1);
        QCOMPARE(pointer(), int(app::kCustomPointer));
        moveOver(form->Text1);
        QCOMPARE(pointer(), int(app::kCustomPointer));
    }

    void withoutAHandCursorTheButtonsShowTheOrdinaryPointer() {
        window = std::make_unique<TestWindow>();  // no HAND-M.CUR in its program folder
        QVERIFY(window->load());
        form = window->form.get();
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form));
        moveOver(form->PushButton1);
        QCOMPARE(pointer(), int(app::kCustomPointer));
        QCOMPARE(form->PushButton1->cursor().shape(), Qt::ArrowCursor);
    }

    void theHourglassIsNeverReplaced() {
        app::setMousePointer(form, app::kHourglassPointer);
        moveOver(form->PushButton4);
        QCOMPARE(pointer(), int(app::kHourglassPointer));
        moveOver(form->ListView1);
        QCOMPARE(pointer(), int(app::kHourglassPointer));
        moveOver(form->Frame5, bareFrame());
        QCOMPARE(pointer(), int(app::kHourglassPointer));
    }
};

QTEST_MAIN(HoverFeedbackTest)
#include "hover_feedback_test.moc"
