// Removing, clearing and reordering rows of the main window's list with
// replayed keys and mouse events.
#include "../app/test_window.h"

#include "app/mouse_pointer.h"

#include <QImage>
#include <QScrollBar>
#include <QtTest>

using namespace brindlemoor;
using testing::TestWindow;

namespace {

QStringList rows(const app::Form1& form) {
    QStringList texts;
    for (int row = 1; row <= form.ListView1->count(); ++row) texts << form.ListView1->rowText(row);
    return texts;
}

QStringList numberedRows(int count) {
    QStringList texts;
    for (int i = 1; i <= count; ++i) texts << QStringLiteral("/data/file%1.ods").arg(i);
    return texts;
}

}  // namespace

class ListGesturesTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TestWindow> window;
    filelist::FileList* list = nullptr;

    void fill(const QStringList& texts) {
        for (const QString& text : texts) list->appendFileRow(text);
        QCoreApplication::processEvents();  // lays the rows out
    }
    QPoint centreOf(int row) const { return list->visualItemRect(list->topLevelItem(row - 1)).center(); }
    void send(QEvent::Type type, const QPoint& at, Qt::MouseButtons held,
              Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, at, list->viewport()->mapToGlobal(at), button, held, modifiers);
        QApplication::sendEvent(list->viewport(), &event);
    }
    // The first click selects the row, the second one is the double-click.
    void doubleClick(int row) {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, centreOf(row));
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, centreOf(row));
    }
    void pressOn(int row) { QTest::mousePress(list->viewport(), Qt::LeftButton, {}, centreOf(row)); }
    // A move over `row` with the button held, the pointer at `screenY`.
    void dragOver(int row, int screenY = 330) {
        QCursor::setPos(10, screenY);
        send(QEvent::MouseMove, centreOf(row), Qt::LeftButton);
    }
    int selectedRow() const {
        const auto selected = list->selectedItems();
        return selected.isEmpty() ? 0 : list->indexOfTopLevelItem(selected.first()) + 1;
    }
    bool fullyVisible(int row) const {
        return list->viewport()->rect().contains(list->visualItemRect(list->topLevelItem(row - 1)));
    }

private slots:
    void init() {
        window = std::make_unique<TestWindow>();
        QVERIFY(window->load());
        window->form->show();
        QVERIFY(QTest::qWaitForWindowExposed(window->form.get()));
        list = window->form->ListView1;
    }
    void cleanup() { window.reset(); }

    void deleteWithAnyModifierRemovesTheSelectedRow() {
        fill(numberedRows(5));
        for (const Qt::KeyboardModifiers modifiers : {Qt::KeyboardModifiers(Qt::NoModifier),
                                                      Qt::KeyboardModifiers(Qt::ShiftModifier),
                                                      Qt::KeyboardModifiers(Qt::ControlModifier),
                                                      Qt::KeyboardModifiers(Qt::AltModifier)}) {
            list->setCurrentItem(list->topLevelItem(0));
            QTest::keyClick(list, Qt::Key_Delete, modifiers);
        }
        QCOMPARE(rows(*window->form), QStringList{"/data/file5.ods"});
        QTest::keyClick(list, Qt::Key_Backspace);
        QCOMPARE(list->count(), 1);
    }

    void doubleClickRemovesTheRowClicked() {
        fill(numberedRows(3));
        doubleClick(2);
        QCOMPARE(rows(*window->form), (QStringList{"/data/file1.ods", "/data/file3.ods"}));
    }

    void removalIsRefusedUnderTheHourglassAndOnAnEmptyList() {
        QTest::keyClick(list, Qt::Key_Delete);
        QCOMPARE(list->count(), 0);

        fill(numberedRows(3));
        list->setCurrentItem(list->topLevelItem(1));
        app::setMousePointer(window->form.get(), app::kHourglassPointer);
        QTest::keyClick(list, Qt::Key_Delete, Qt::ShiftModifier);
        doubleClick(2);
        window->form->PushButton8->click();
        QCOMPARE(list->count(), 3);

        app::setMousePointer(window->form.get(), app::kDefaultPointer);
        list->clearSelection();
        QTest::keyClick(list, Qt::Key_Delete);
        QCOMPARE(list->count(), 3);
        window->form->PushButton8->click();
        QCOMPARE(list->count(), 0);
        QVERIFY(window->prompts.messages().empty());
    }

    void draggingRowTwoOverRowsThreeAndFour() {
        fill(numberedRows(5));
        pressOn(2);
        QCOMPARE(selectedRow(), 2);
        dragOver(2);
        QCOMPARE(rows(*window->form), numberedRows(5));
        dragOver(3);
        QCOMPARE(rows(*window->form), (QStringList{"/data/file1.ods", "/data/file3.ods", "/data/file2.ods",
                                                   "/data/file4.ods", "/data/file5.ods"}));
        QCOMPARE(selectedRow(), 3);
        dragOver(4);
        QCOMPARE(rows(*window->form), (QStringList{"/data/file1.ods", "/data/file3.ods", "/data/file4.ods",
                                                   "/data/file2.ods", "/data/file5.ods"}));
        QCOMPARE(selectedRow(), 4);
        // Below the last row nothing is hit.
        send(QEvent::MouseMove, QPoint(5, list->viewport()->height() - 2), Qt::LeftButton);
        QCOMPARE(list->rowText(4), QStringLiteral("/data/file2.ods"));

        QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, centreOf(4));
        QCOMPARE(app::mousePointer(list), int(app::kArrowPointer));
        dragOver(5);  // released: moves reorder nothing
        QCOMPARE(list->rowText(5), QStringLiteral("/data/file5.ods"));
    }

    void jumpingOverRowsExchangesOnlyTwo() {
        fill(numberedRows(5));
        pressOn(1);
        dragOver(4);
        QCOMPARE(rows(*window->form), (QStringList{"/data/file4.ods", "/data/file2.ods", "/data/file3.ods",
                                                   "/data/file1.ods", "/data/file5.ods"}));
    }

    void rowsWithTheSameTextAreNotExchanged() {
        fill({"/data/same.ods", "/data/same.ods", "/data/other.ods"});
        pressOn(1);
        dragOver(2);
        QCOMPARE(selectedRow(), 1);
        dragOver(3);
        QCOMPARE(rows(*window->form), (QStringList{"/data/other.ods", "/data/same.ods", "/data/same.ods"}));
    }

    void removingTheDraggedRowMeanwhileStopsTheMove() {
        fill(numberedRows(4));
        pressOn(2);
        // The dragged row goes while the button is still held.
        delete list->takeTopLevelItem(1);
        dragOver(3);
        QCOMPARE(rows(*window->form), (QStringList{"/data/file1.ods", "/data/file3.ods", "/data/file4.ods"}));

        pressOn(1);
        window->form->PushButton8->click();
        fill(numberedRows(3));
        dragOver(2);
        QCOMPARE(rows(*window->form), numberedRows(3));
    }

    void dragPointerImageIsReadAtEachRowClick() {
        fill(numberedRows(3));
        pressOn(1);
        QVERIFY(app::mousePointer(list) != app::kCustomPointer);  // no drag.ico: pointer kept
        QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, centreOf(1));

        QImage image(32, 32, QImage::Format_ARGB32);
        image.fill(Qt::darkBlue);
        QVERIFY(image.save(window->programFolder + QStringLiteral("/drag.ico"), "ICO"));
        pressOn(2);
        QCOMPARE(app::mousePointer(list), int(app::kCustomPointer));
        QCOMPARE(list->cursor().pixmap().size(), QSize(32, 32));
        QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, centreOf(2));
        QCOMPARE(app::mousePointer(list), int(app::kArrowPointer));
    }

    void exchangesScrollAtFixedScreenRows_data() {
        QTest::addColumn<int>("screenY");
        QTest::addColumn<int>("scrolled");  // -1 up, 0 none, 1 down
        QTest::newRow("above 305") << 304 << -1;
        QTest::newRow("305") << 305 << 0;
        QTest::newRow("364") << 364 << 0;
        QTest::newRow("365") << 365 << 1;
    }
    void exchangesScrollAtFixedScreenRows() {
        QFETCH(int, screenY);
        QFETCH(int, scrolled);
        fill(numberedRows(40));
        QScrollBar* bar = list->verticalScrollBar();
        QVERIFY(bar->maximum() > 0);

        // Rows in the middle: the first and last fully shown ones.
        list->scrollToItem(list->topLevelItem(19), QAbstractItemView::PositionAtTop);
        int first = 1;
        while (!fullyVisible(first)) ++first;
        int last = first;
        while (last < list->count() && fullyVisible(last + 1)) ++last;
        QVERIFY(!fullyVisible(first - 1) && !fullyVisible(last + 1));

        const int target = scrolled < 0 ? first : last;
        pressOn(target == first ? first + 1 : last - 1);
        const int before = bar->value();
        dragOver(target, screenY);
        QCOMPARE(selectedRow(), target);
        if (scrolled < 0) QVERIFY(fullyVisible(target - 1));
        if (scrolled > 0) QVERIFY(fullyVisible(target + 1));
        if (scrolled == 0) QCOMPARE(bar->value(), before);
    }

    void noScrollPastEitherEnd() {
        fill(numberedRows(40));
        pressOn(2);
        dragOver(1, 304);  // row 1: nothing above it
        QCOMPARE(selectedRow(), 1);
        list->scrollToBottom();
        const int bottom = list->verticalScrollBar()->value();
        pressOn(39);
        dragOver(40, 365);  // the last row: nothing below it
        QCOMPARE(selectedRow(), 40);
        QCOMPARE(list->verticalScrollBar()->value(), bottom);
    }
};

QTEST_MAIN(ListGesturesTest)
#include "list_gestures_test.moc"
