#include "TakeRecord.h"

QJsonObject TakeRecord::toJson(const std::optional<QString> &outputUrl) const
{
    QJsonObject take{{u"id"_qs, id},         {u"shotId"_qs, shotId}, {u"inputHash"_qs, inputHash},
                     {u"status"_qs, status}, {u"model"_qs, model},   {u"resolution"_qs, resolution},
                     {u"prompt"_qs, prompt}, {u"seed"_qs, seed},     {u"createdAt"_qs, createdAt}};
    if (outputCas)
        take.insert(u"outputCas"_qs, *outputCas);
    if (outputUrl)
        take.insert(u"outputUrl"_qs, *outputUrl);
    if (billedUsd)
        take.insert(u"billedUsd"_qs, *billedUsd);
    if (error)
        take.insert(u"error"_qs, *error);
    return take;
}
