#include "core/service/Take.h"

#include <QHash>

namespace {

template<typename T>
size_t hashOptional(const std::optional<T> &value, size_t seed)
{
    return value ? qHashMulti(seed, true, *value) : qHash(false, seed);
}

} // namespace

size_t qHash(const Take &take, size_t seed)
{
    seed = qHashMulti(seed, take.id, take.shotId, take.inputHash, take.status, take.createdAt);
    for (const auto *text : {&take.outputUrl, &take.outputCas, &take.model, &take.resolution,
                             &take.error, &take.prompt})
        seed = hashOptional(*text, seed);
    seed = hashOptional(take.billedUsd, seed);
    return hashOptional(take.seed, seed);
}
