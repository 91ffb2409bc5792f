// A monotonic clock in seconds; tests replace it to make waits short.
#pragma once

namespace brindlemoor::platform {

class Clock {
public:
    virtual ~Clock() = default;
    virtual double seconds() const = 0;
};

// The machine's steady clock.
class SteadyClock : public Clock {
public:
    double seconds() const override;
};

SteadyClock& steadyClock();

}  // namespace brindlemoor::platform
