#include "core/service/Take.h"

#include <QHash>
#include <QJsonObject>

#include "core/service/JsonFields.h"

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

Take Take::fromJson(const QJsonObject &object)
{
    using namespace JsonFields;
    Take take;
    take.id = requireString(object, u"id");
    take.shotId = requireString(object, u"shotId");
    take.inputHash = requireString(object, u"inputHash");
    take.status = requireString(object, u"status");
    take.outputUrl = optionalString(object, u"outputUrl");
    take.outputCas = optionalString(object, u"outputCas");
    take.billedUsd = optionalDouble(object, u"billedUsd");
    take.model = optionalString(object, u"model");
    take.resolution = optionalString(object, u"resolution");
    take.error = optionalString(object, u"error");
    take.prompt = optionalString(object, u"prompt");
    take.seed = optionalInteger(object, u"seed");
    take.createdAt = requireString(object, u"createdAt");
    return take;
}

QJsonObject Take::toJson() const
{
    using JsonFields::insertOptional;
    QJsonObject object{{u"id"_qs, id},
                       {u"shotId"_qs, shotId},
                       {u"inputHash"_qs, inputHash},
                       {u"status"_qs, status},
                       {u"createdAt"_qs, createdAt}};
    insertOptional(object, u"outputUrl"_qs, outputUrl);
    insertOptional(object, u"outputCas"_qs, outputCas);
    insertOptional(object, u"billedUsd"_qs, billedUsd);
    insertOptional(object, u"model"_qs, model);
    insertOptional(object, u"resolution"_qs, resolution);
    insertOptional(object, u"error"_qs, error);
    insertOptional(object, u"prompt"_qs, prompt);
    insertOptional(object, u"seed"_qs, seed);
    return object;
}
