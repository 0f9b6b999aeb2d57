#include "core/agent/TokenCount.h"

#include <array>
#include <charconv>
#include <cmath>

namespace {

// Fixed notation, one decimal digit, independent of the process locale (a "," decimal
// separator would otherwise creep in under some LC_NUMERIC settings).
QString oneDecimal(double value)
{
    std::array<char, 64> buffer{};
    const auto [end, error] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                            std::chars_format::fixed, 1);
    if (error != std::errc())
        return QString::number(value, 'f', 1);
    return QString::fromLatin1(buffer.data(), end - buffer.data());
}

QString withSuffix(qint64 count, qint64 unit, QChar suffix)
{
    if (count % unit == 0)
        return QString::number(count / unit) + suffix;
    return oneDecimal(double(count) / double(unit)) + suffix;
}

} // namespace

namespace TokenCount {

QString label(qint64 count)
{
    if (count >= 1000000)
        return withSuffix(count, 1000000, u'M');
    if (count >= 1000)
        return withSuffix(count, 1000, u'K');
    return QString::number(count);
}

QList<ContextSlice> scaled(const QList<ContextSlice> &slices, qint64 total)
{
    qint64 sum = 0;
    for (const ContextSlice &slice : slices)
        sum += slice.tokens;
    if (sum <= 0)
        return {ContextSlice{QStringLiteral("Conversation"), total}};

    QList<ContextSlice> result = slices;
    qint64 scaledSum = 0;
    qsizetype largest = 0;
    for (qsizetype i = 0; i < result.size(); ++i) {
        ContextSlice &slice = result[i];
        slice.tokens = std::llround(double(total) * double(slice.tokens) / double(sum));
        scaledSum += slice.tokens;
        if (slice.tokens > result[largest].tokens)
            largest = i;
    }
    result[largest].tokens += total - scaledSum;
    return result;
}

} // namespace TokenCount
