// Long calls on a worker thread: the calling thread keeps handling events,
// and results and failures come back to it.
#include "platform/failure.h"
#include "platform/responsive_call.h"

#include <QThread>
#include <QTimer>
#include <QtTest>

#include <stdexcept>

using namespace brindlemoor::platform;

class ResponsiveCallTest : public QObject {
    Q_OBJECT

private slots:
    void eventsAreHandledWhileTheCallRuns() {
        int ticks = 0;
        QTimer timer;
        connect(&timer, &QTimer::timeout, [&] { ++ticks; });
        timer.start(5);
        const QThread* caller = QThread::currentThread();
        const QThread* worker = nullptr;
        const int result = callWhileResponsive([&] {
            worker = QThread::currentThread();
            QThread::msleep(150);
            return 42;
        });
        QCOMPARE(result, 42);
        QVERIFY(worker != caller);
        QVERIFY2(ticks >= 3, qPrintable(QString::number(ticks)));
    }

    void failuresReachTheCaller() {
        try {
            callWhileResponsive([]() -> int { throw Failure(53, "File not found"); });
            QFAIL("the failure was lost");
        } catch (const Failure& failure) {
            QCOMPARE(failure.number(), 53);
        }
        bool ran = false;
        try {
            callWhileResponsive([&] {
                ran = true;
                throw std::runtime_error("no result");
            });
            QFAIL("the failure was lost");
        } catch (const std::runtime_error& error) {
            QCOMPARE(QString(error.what()), QStringLiteral("no result"));
        }
        QVERIFY(ran);
    }
};

QTEST_GUILESS_MAIN(ResponsiveCallTest)
#include "responsive_call_test.moc"
