#pragma once

#include <exception>
#include <optional>
#include <type_traits>
#include <utility>

#include <QFuture>
#include <QtConcurrent/QtConcurrentRun>

// Runs synchronous work (git, file hashing) on the thread pool for a coroutine on the UI
// thread. Whatever the work throws is carried back as a value and rethrown by `take` on the
// awaiting side unchanged, so a GitError keeps its type and message instead of turning into
// QtConcurrent's QUnhandledException. The work must hold plain values only.
//
// Start the work in an ordinary function and `co_await` the future from a named variable:
// GCC 12 destroys a capturing lambda that is a temporary of a `co_await` expression twice.
namespace OffThread {

template<typename Result>
struct Outcome {
    std::optional<Result> value;
    std::exception_ptr error;
};

template<typename Work>
QFuture<Outcome<std::invoke_result_t<Work>>> start(Work work)
{
    using Result = std::invoke_result_t<Work>;
    static_assert(!std::is_void_v<Result>, "return a value from the work");
    return QtConcurrent::run([work = std::move(work)]() mutable {
        Outcome<Result> outcome;
        try {
            outcome.value.emplace(work());
        } catch (...) {
            outcome.error = std::current_exception();
        }
        return outcome;
    });
}

// The work's result, or its exception rethrown.
template<typename Result>
Result take(Outcome<Result> outcome)
{
    if (outcome.error)
        std::rethrow_exception(outcome.error);
    return std::move(*outcome.value);
}

} // namespace OffThread
