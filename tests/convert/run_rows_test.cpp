// The run's place in a list whose rows are removed, cleared or added while
// it goes on.
#include "convert/run_rows.h"

#include <QStandardItemModel>
#include <QtTest>

using brindlemoor::convert::RunRows;

namespace {

// Texts of the rows a run visits; `during` acts on the model after each one.
QStringList visit(QStandardItemModel& model, const std::function<void(int)>& during) {
    RunRows rows(model, model.rowCount());
    QStringList visited;
    while (rows.remaining()) {
        if (!rows.advance()) break;
        visited << model.item(rows.current() - 1)->text();
        during(rows.current());
    }
    return visited;
}

}  // namespace

class RunRowsTest : public QObject {
    Q_OBJECT

private slots:
    void untouchedListIsVisitedInOrder() {
        QStandardItemModel model;
        for (const char* text : {"a", "b", "c"}) model.appendRow(new QStandardItem(text));
        QCOMPARE(visit(model, [](int) {}), QStringList({"a", "b", "c"}));

        QStandardItemModel empty;
        RunRows none(empty, 0);
        QVERIFY(!none.remaining());
        QVERIFY(!none.advance());
        QCOMPARE(none.current(), 0);
    }

    void removalsKeepTheRunsPlace_data() {
        QTest::addColumn<int>("at");       // the row under way when rows go
        QTest::addColumn<int>("first");    // 0-based, as the model counts
        QTest::addColumn<int>("count");
        QTest::addColumn<QStringList>("visited");
        QTest::newRow("row under way") << 2 << 1 << 1 << QStringList{"a", "b", "c", "d", "e"};
        QTest::newRow("rows already done") << 3 << 0 << 2 << QStringList{"a", "b", "c", "d", "e"};
        QTest::newRow("next row") << 2 << 2 << 1 << QStringList{"a", "b", "d", "e"};
        QTest::newRow("last rows") << 1 << 3 << 2 << QStringList{"a", "b", "c"};
        QTest::newRow("done, under way and next") << 3 << 1 << 3 << QStringList{"a", "b", "c", "e"};
        QTest::newRow("all but the last") << 4 << 0 << 4 << QStringList{"a", "b", "c", "d", "e"};
    }
    void removalsKeepTheRunsPlace() {
        QFETCH(int, at);
        QFETCH(int, first);
        QFETCH(int, count);
        QFETCH(QStringList, visited);
        QStandardItemModel model;
        for (const char* text : {"a", "b", "c", "d", "e"}) model.appendRow(new QStandardItem(text));
        QCOMPARE(visit(model,
                       [&](int current) {
                           if (current == at && model.rowCount() == 5) model.removeRows(first, count);
                       }),
                 visited);
    }

    void clearingEndsTheRun() {
        QStandardItemModel model;
        for (const char* text : {"a", "b", "c"}) model.appendRow(new QStandardItem(text));
        RunRows rows(model, 3);
        QVERIFY(rows.advance());
        model.clear();
        QVERIFY(!rows.remaining());
        QVERIFY(!rows.advance());
    }

    void rowsAddedMeanwhileAreNotTakenOn() {
        QStandardItemModel model;
        for (const char* text : {"a", "b"}) model.appendRow(new QStandardItem(text));
        QCOMPARE(visit(model,
                       [&](int current) {
                           if (current == 1) model.appendRow(new QStandardItem("late"));
                           if (current == 2) model.removeRows(0, 1);  // the late row stays beyond the run
                       }),
                 QStringList({"a", "b"}));
    }
};

QTEST_GUILESS_MAIN(RunRowsTest)
#include "run_rows_test.moc"
