#pragma once

#include <exception>
#include <optional>
#include <type_traits>
#include <utility>

#include <QFuture>
#include <QtConcurrent/QtConcurrentRun>

#include <qcoro/qcorofuture.h>
#include <qcoro/qcorotask.h>

// Runs synchronous work (git, file hashing) on the thread pool and resumes the awaiting
// coroutine on its own thread with the result. Whatever the work throws is carried back and
// rethrown at the awaiting side unchanged, so a GitError keeps its type and message instead of
// turning into QtConcurrent's QUnhandledException. The work must take plain values only.
namespace OffThread {

template<typename Result>
struct Outcome {
    std::optional<Result> value;
    std::exception_ptr error;
};

template<>
struct Outcome<void> {
    std::exception_ptr error;
};

template<typename Work>
QCoro::Task<std::invoke_result_t<Work>> run(Work work)
{
    using Result = std::invoke_result_t<Work>;
    QFuture<Outcome<Result>> future = QtConcurrent::run([work = std::move(work)]() mutable {
        Outcome<Result> outcome;
        try {
            if constexpr (std::is_void_v<Result>)
                work();
            else
                outcome.value.emplace(work());
        } catch (...) {
            outcome.error = std::current_exception();
        }
        return outcome;
    });
    Outcome<Result> outcome = co_await future;
    if (outcome.error)
        std::rethrow_exception(outcome.error);
    if constexpr (!std::is_void_v<Result>)
        co_return std::move(*outcome.value);
}

} // namespace OffThread
