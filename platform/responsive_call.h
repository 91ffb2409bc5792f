// Runs a long call on a worker thread while the calling (user-interface)
// thread keeps processing events, and returns its result or rethrows its
// failure there, as a call into another process would.
#pragma once

#include <exception>
#include <functional>
#include <optional>

namespace brindlemoor::platform {

namespace detail {
void runOnWorkerWhileResponsive(const std::function<void()>& work);
}

template <typename Work>
auto callWhileResponsive(Work&& work) -> decltype(work()) {
    using Result = decltype(work());
    std::exception_ptr failure;
    if constexpr (std::is_void_v<Result>) {
        detail::runOnWorkerWhileResponsive([&] {
            try { work(); } catch (...) { failure = std::current_exception(); }
        });
        if (failure) std::rethrow_exception(failure);
    } else {
        std::optional<Result> result;
        detail::runOnWorkerWhileResponsive([&] {
            try { result.emplace(work()); } catch (...) { failure = std::current_exception(); }
        });
        if (failure) std::rethrow_exception(failure);
        return std::move(*result);
    }
}

}  // namespace brindlemoor::platform
