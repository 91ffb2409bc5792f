#include "app/pause.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace brindlemoor::app {

namespace {
// Longest sleep between two looks at the clock: keeps a replaced clock
// (which may run faster than real time) from oversleeping.
constexpr double kLongestSlice = 0.02;
}  // namespace

void pause(double seconds, const platform::Clock& clock) {
    const double start = clock.seconds();
    for (;;) {
        const double remaining = seconds - (clock.seconds() - start);
        if (remaining <= 0) return;
        // The timer wakes the wait up when no other event comes first.
        QTimer wake;
        wake.setSingleShot(true);
        wake.start(int(std::ceil(std::min(remaining, kLongestSlice) * 1000)));
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}

}  // namespace brindlemoor::app
