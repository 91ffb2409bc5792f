#include "app/failure_trap.h"

#include "app/error_report.h"
#include "office/bridge/automation.h"

#include <new>

namespace brindlemoor::app {

using platform::Failure;

FailureTrap::FailureTrap(platform::Prompts& prompts, QString location)
    : prompts_(prompts), location_(std::move(location)) {}

void FailureTrap::handle(int line, std::exception_ptr exception) {
    const Failure failure = asFailure(exception);
    if (screen_ && screen_(failure)) {
        ended_ = true;
        return;
    }
    reportError(prompts_, failure.description(), location_, line);
}

Failure asFailure(std::exception_ptr exception) {
    try {
        std::rethrow_exception(exception);
    } catch (const Failure& failure) {
        return failure;
    } catch (const office::bridge::AutomationError& error) {
        return Failure(error.number(), QString::fromStdString(error.what()));
    } catch (const std::bad_alloc&) {
        return Failure(7, QStringLiteral("Out of memory"));
    } catch (const std::exception& error) {
        return Failure(51, QString::fromStdString(error.what()));
    } catch (...) {
        return Failure(51, QStringLiteral("Internal error"));
    }
}

}  // namespace brindlemoor::app
