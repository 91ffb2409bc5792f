// The failure trap of a handler: each step runs under its line number; when a
// step throws, the failure is reported with that line and the handler goes on
// with its next step. A called function without a trap of its own simply
// throws, so its failure is reported at the caller's line and the rest of it
// is skipped.
//
//     FailureTrap trap(prompts, "in Project.Form1.Handler ");
//     trap.step(100, [&] { ... });
//     if (trap.test(102, [&] { return ...; })) {  // a failed test counts as true
//         trap.step(104, [&] { ... });
//     }
#pragma once

#include "platform/failure.h"
#include "platform/prompts.h"

#include <QString>

#include <exception>
#include <functional>
#include <utility>

namespace brindlemoor::app {

class FailureTrap {
public:
    FailureTrap(platform::Prompts& prompts, QString location);

    // Sees each failure before it is reported. Returning true means the
    // failure has been dealt with and the handler ends: no report, and every
    // later step and test of this trap does nothing.
    void screenFailures(std::function<bool(const platform::Failure&)> screen) { screen_ = std::move(screen); }
    // Asked before every step and test: once it holds, the handler ends
    // there, as after a screened failure.
    void endWhen(std::function<bool()> condition) { endWhen_ = std::move(condition); }

    template <typename Step>
    void step(int line, Step&& body) {
        if (checkEnded()) return;
        try {
            body();
        } catch (...) {
            handle(line, std::current_exception());
        }
    }

    // The test's result; after a failure the branch that runs when the test
    // holds is taken (false once the handler has ended).
    template <typename Test>
    bool test(int line, Test&& condition) {
        if (checkEnded()) return false;
        try {
            return condition();
        } catch (...) {
            handle(line, std::current_exception());
            return !ended_;
        }
    }

    bool ended() { return checkEnded(); }
    const QString& location() const { return location_; }

private:
    void handle(int line, std::exception_ptr failure);
    bool checkEnded() {
        if (!ended_ && endWhen_ && endWhen_()) ended_ = true;
        return ended_;
    }

    platform::Prompts& prompts_;
    QString location_;
    std::function<bool(const platform::Failure&)> screen_;
    std::function<bool()> endWhen_;
    bool ended_ = false;
};

// Any failure as the trap sees it: automation errors, our own failures and
// other exceptions, with their numbers and descriptions.
platform::Failure asFailure(std::exception_ptr failure);

}  // namespace brindlemoor::app
