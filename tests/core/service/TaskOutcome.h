#pragma once

#include <optional>
#include <utility>

#include <QString>

#include <qcoro/qcorotask.h>

#include "core/service/APIError.h"
#include "core/service/DecodingError.h"
#include "core/service/TransportError.h"

// QCoro::waitFor never returns when the awaited task throws, so tests await through `outcome`,
// which catches the service's errors and names them: "ok", "APIError: <message>",
// "DecodingError", "TransportError".
namespace TaskOutcome {

template<typename T>
struct Result {
    std::optional<T> value;
    QString outcome;
};

template<typename T>
QCoro::Task<Result<T>> run(QCoro::Task<T> task)
{
    Result<T> result;
    try {
        result.value = co_await std::move(task);
        result.outcome = u"ok"_qs;
    } catch (const APIError &error) {
        result.outcome = u"APIError: "_qs + error.message();
    } catch (const DecodingError &) {
        result.outcome = u"DecodingError"_qs;
    } catch (const TransportError &) {
        result.outcome = u"TransportError"_qs;
    }
    co_return result;
}

template<typename T>
QCoro::Task<QString> outcome(QCoro::Task<T> task)
{
    try {
        co_await std::move(task);
    } catch (const APIError &error) {
        co_return u"APIError: "_qs + error.message();
    } catch (const DecodingError &) {
        co_return u"DecodingError"_qs;
    } catch (const TransportError &) {
        co_return u"TransportError"_qs;
    }
    co_return u"ok"_qs;
}

// Blocks in a nested event loop until `task` ends.
template<typename T>
Result<T> wait(QCoro::Task<T> task)
{
    return QCoro::waitFor(run(std::move(task)));
}

template<typename T>
QString waitOutcome(QCoro::Task<T> task)
{
    return QCoro::waitFor(outcome(std::move(task)));
}

} // namespace TaskOutcome
