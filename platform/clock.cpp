#include "platform/clock.h"

#include <chrono>

namespace brindlemoor::platform {

double SteadyClock::seconds() const {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

SteadyClock& steadyClock() {
    static SteadyClock clock;
    return clock;
}

}  // namespace brindlemoor::platform
