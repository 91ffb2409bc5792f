// Waiting while the window stays responsive.
#include "app/pause.h"

#include <QCoreApplication>
#include <QTimer>
#include <QtTest>

using namespace brindlemoor;

namespace {

// Advances a fixed step each time it is read.
class SteppingClock : public platform::Clock {
public:
    explicit SteppingClock(double step) : step_(step) {}
    double seconds() const override { return now_ += step_, now_; }

private:
    double step_;
    mutable double now_ = 1000;
};

}  // namespace

class PauseTest : public QObject {
    Q_OBJECT

private slots:
    void eventsRunDuringTheWait() {
        int fired = 0;
        QTimer::singleShot(0, [&] { ++fired; });
        app::pause(0.05);
        QCOMPARE(fired, 1);
    }

    void waitsUntilTheClockHasAdvanced() {
        SteppingClock clock(0.5);
        QElapsedTimer real;
        real.start();
        app::pause(2, clock);  // start read, then 0.5 per look: done after four looks
        QVERIFY(real.elapsed() < 1000);
        QCOMPARE(clock.seconds(), 1000 + 0.5 * 6);
    }

    void realWaitLastsAtLeastItsTime() {
        QElapsedTimer real;
        real.start();
        app::pause(0.1);
        QVERIFY(real.elapsed() >= 100);
    }

    void zeroOrNegativeReturnsWithoutEvents() {
        int fired = 0;
        QTimer::singleShot(0, [&] { ++fired; });
        app::pause(0);
        app::pause(-3);
        QCOMPARE(fired, 0);
        QCoreApplication::processEvents();
        QCOMPARE(fired, 1);
    }
};

QTEST_GUILESS_MAIN(PauseTest)
#include "pause_test.moc"
